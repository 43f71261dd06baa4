// Accounts receivable (CONTAS_RECEBER with their customer) towards Quenda.
// Only receivables whose customer exists in CLIENTES are sent. The first
// load of a company (mark 0) sends the receivables due since 1 January
// three years back plus every open one; later runs send what changed.
#pragma once

#include <cstdint>
#include <string>

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarReceber : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  void Execute() override;

 private:
  // The row condition after the company's, for the mark AMarca.
  static std::string Filtro(int32_t AMarca);
  void Enviar(TLinhaJson& ALinha);
};

}  // namespace borvan
