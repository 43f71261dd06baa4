// NCM codes with their approximate tax-burden rates (NCM_IBPT), towards
// Lumio only.
#pragma once

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarNcmIbpt : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  // Quenda receives no NCM rates: no query, no request, no log line.
  void Execute() override {}
  void ExecutePedidoVenda() override;

 private:
  void EnviarPedidoVenda(TLinhaJson& ALinha);
};

}  // namespace borvan
