// Products (PRODUTOS) towards both clouds. The Lumio path writes the text
// of every batch to the log just before posting it, and sends "ncm" only
// for products that have one.
#pragma once

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarProduto : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  void Execute() override;
  void ExecutePedidoVenda() override;

  // The Lumio statement, for tools that measure the same read.
  static const char* SqlPedidoVenda();

 private:
  void Enviar(TLinhaJson& ALinha);
  void EnviarPedidoVenda(TLinhaJson& ALinha);
};

}  // namespace borvan
