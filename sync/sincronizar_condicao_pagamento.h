// Payment terms (CONDICOES_PAGTO) towards both clouds. Installment counts
// and days go out as the numbers the columns hold; a null one goes out as
// 0, so the body is always valid JSON.
#pragma once

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarCondicaoPagamento : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  void Execute() override;
  void ExecutePedidoVenda() override;

 private:
  void Enviar(TLinhaJson& ALinha);
  void EnviarPedidoVenda(TLinhaJson& ALinha);
};

}  // namespace borvan
