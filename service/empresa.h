// One company enrolled in one cloud, and what the service learned of it
// today: the per-entity high-water marks and the options digest.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace borvan {

class TEmpresa {
 public:
  std::string Id;       // the company's id in the cloud (EMPRESA_ID)
  std::string GrupoId;  // Quenda group id (GRUPO_ID); empty for Lumio
  int32_t LocalId = 0;  // local company number (EMPRESA)

  // Highest COD_ATUALIZACAO the cloud is known to hold; 0 = not learned.
  int32_t MaxCodAtualizacaoProduto = 0;
  int32_t MaxCodAtualizacaoCliente = 0;
  int32_t MaxCodAtualizacaoReceber = 0;
  int32_t MaxCodAtualizacaoCondicaoPagamento = 0;
  int32_t MaxCodAtualizacaoFormaPagamento = 0;
  int32_t MaxCodAtualizacaoOperacaoFiscal = 0;
  int32_t MaxCodAtualizacaoVenda = 0;
  int32_t MaxCodAtualizacaoRepresentante = 0;
  int32_t MaxCodAtualizacaoProdutoUnidadeComercial = 0;
  int32_t MaxCodAtualizacaoSituacaoTributaria = 0;
  int32_t MaxCodAtualizacaoSituacaoTributariaPis = 0;
  int32_t MaxCodAtualizacaoSituacaoTributariaCofins = 0;
  int32_t MaxCodAtualizacaoNcmIbpt = 0;
  std::string CodigoMd5Opcao;  // digest of the options last sent
};

// An owning list of companies, in load order; duplicates allowed.
using TListaEmpresas = std::vector<std::unique_ptr<TEmpresa>>;

}  // namespace borvan
