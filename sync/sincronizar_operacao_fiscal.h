// Fiscal operations (OPERACOES_FISCAIS) towards both clouds. Lumio receives
// only the operations flagged EH_OPERACAO_LUMIO = 'S' (exactly); when only
// unflagged rows changed, its run reads none and the mark falls back to 0,
// so the next run asks the cloud again.
#pragma once

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarOperacaoFiscal : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  void Execute() override;
  void ExecutePedidoVenda() override;

 private:
  void Enviar(TLinhaJson& ALinha);
  void EnviarPedidoVenda(TLinhaJson& ALinha);
};

}  // namespace borvan
