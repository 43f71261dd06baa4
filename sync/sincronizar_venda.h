// Sales (NF_SAIDA) towards Quenda. Only invoices with a payment condition
// and STATUS 2 count, both for the rows sent and for the local maximum, so
// other invoices never cause a run. The first load of a company (mark 0)
// sends the invoices issued since 1 January three years back.
#pragma once

#include <cstdint>
#include <string>

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarVenda : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  void Execute() override;

 protected:
  std::string SqlMaxCodigoAtualizacao(const std::string& ATabela) override;

 private:
  // The row condition after the company's, for the mark AMarca.
  static std::string Filtro(int32_t AMarca);
  void Enviar(TLinhaJson& ALinha);
};

}  // namespace borvan
