// ICMS tax situations (SITUACAO_TRIBUTARIA), towards Lumio only.
#pragma once

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarSituacaoTributaria : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  // Quenda receives no tax situations: no query, no request, no log line.
  void Execute() override {}
  void ExecutePedidoVenda() override;

 private:
  void EnviarPedidoVenda(TLinhaJson& ALinha);
};

}  // namespace borvan
