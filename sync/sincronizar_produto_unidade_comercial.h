// Selling units of the products (PRODUTOS_UNIDADES_COMERCIAIS), towards
// Lumio only.
#pragma once

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarProdutoUnidadeComercial : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  // Quenda receives no selling units: no query, no request, no log line.
  void Execute() override {}
  void ExecutePedidoVenda() override;

 private:
  void EnviarPedidoVenda(TLinhaJson& ALinha);
};

}  // namespace borvan
