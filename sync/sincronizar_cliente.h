// Customers (CLIENTES) towards both clouds.
#pragma once

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarCliente : public TSincronizarBase {
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
