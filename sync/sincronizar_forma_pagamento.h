// Payment methods (FORMAS_PAGTO) towards both clouds. Lumio receives only
// the methods whose ONDE_LANCAR is set and is not 'CC'; when only such rows
// changed, its run reads none and the mark falls back to 0, so the next run
// asks the cloud again.
#pragma once

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarFormaPagamento : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  void Execute() override;
  void ExecutePedidoVenda() override;

 private:
  void Enviar(TLinhaJson& ALinha);
  void EnviarPedidoVenda(TLinhaJson& ALinha);
};

}  // namespace borvan
