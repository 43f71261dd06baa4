// The endpoint clients and service wrappers of both clouds, from one
// template over cloud x entity. A client performs the exchange; its
// wrapper turns an HTTP error status into ENuvem carrying the body.
#pragma once

#include <string>

#include "cloud/base_client.h"
#include "support/json.h"

namespace borvan {

// Resource paths of one entity in one cloud. Max is empty where the entity
// has no "maxCodAtualizacao" resource.
struct TRecurso {
  const char* Max;
  const char* Post;
};

template <class TNuvem, const TRecurso& ARecurso>
class TEndpointClient : public TBaseClient<TNuvem> {
 public:
  using TBaseClient<TNuvem>::TBaseClient;

  // GET Max + AEmpresaId. -1 when the status is an error or the body is
  // not a whole number.
  int MaxCodigoAtualizacao(const std::string& AEmpresaId);
  // POST the compact text of AJson (array or object) to Post.
  void Save(const TJsonEscritor& AJson);
  // POST an object to Post ("services").
  void Send(const TJsonEscritor& AJson) { Save(AJson); }
  // GET "opcoes/CodigoMd5/empresa/" + AEmpresaId: the body, or "" when the
  // status is an error.
  std::string CodigoMd5(const std::string& AEmpresaId);
};

template <class TNuvem, const TRecurso& ARecurso>
class TEndpointService {
 public:
  using TClient = TEndpointClient<TNuvem, ARecurso>;

  explicit TEndpointService(const std::string& AToken) : FClient(AToken) {}

  // Each operation calls its client and throws ENuvem(ErrorMessage) when
  // the client reports an HTTP error.
  int MaxCodigoAtualizacao(const std::string& AEmpresaId);
  void Save(const TJsonEscritor& AJson);
  void Send(const TJsonEscritor& AJson);
  std::string CodigoMd5(const std::string& AEmpresaId);

  TClient& Client() { return FClient; }

 private:
  void VerificarErro();
  TClient FClient;
};

// Resources, letter for letter.
namespace recursos {
inline constexpr TRecurso QuendaService{"", "services"};
inline constexpr TRecurso LumioService{"", "services"};
inline constexpr TRecurso QuendaCliente{"clientes/maxCodAtualizacao/empresa/", "clientes"};
inline constexpr TRecurso LumioCliente{"clientes/maxCodAtualizacao/empresa/", "clientes"};
inline constexpr TRecurso QuendaReceber{"receber/maxCodAtualizacao/empresa/", "receber"};
inline constexpr TRecurso QuendaVenda{"vendas/maxCodAtualizacao/empresa/", "vendas"};
inline constexpr TRecurso QuendaProduto{"produtos/maxCodAtualizacao/empresa/", "produtos"};
inline constexpr TRecurso LumioProduto{"produtos/maxCodAtualizacao/empresa/", "produtos"};
inline constexpr TRecurso LumioProdutoUnidadeComercial{
    "produtosUnidadesComerciais/maxCodAtualizacao/empresa/", "produtosUnidadesComerciais"};
inline constexpr TRecurso QuendaCondicaoPagamento{"condicoespagamento/maxCodAtualizacao/empresa/",
                                                  "condicoespagamento"};
inline constexpr TRecurso LumioCondicaoPagamento{"condicoesPagamentos/maxCodAtualizacao/empresa/",
                                                 "condicoesPagamentos"};
inline constexpr TRecurso QuendaFormaPagamento{"formaspagamento/maxCodAtualizacao/empresa/",
                                               "formaspagamento"};
inline constexpr TRecurso LumioFormaPagamento{"formasPagamentos/maxCodAtualizacao/empresa/",
                                              "formasPagamentos"};
inline constexpr TRecurso QuendaOperacaoFiscal{"operacaoFiscal/maxCodAtualizacao/empresa/",
                                               "operacaoFiscal"};
inline constexpr TRecurso LumioOperacaoFiscal{"operacoesFiscais/maxCodAtualizacao/empresa/",
                                              "operacoesFiscais"};
inline constexpr TRecurso LumioRepresentante{"representantes/maxCodAtualizacao/empresa/",
                                             "representantes"};
inline constexpr TRecurso LumioSituacaoTributaria{"situacoesTributarias/maxCodAtualizacao/empresa/",
                                                  "situacoesTributarias"};
inline constexpr TRecurso LumioSituacaoTributariaPis{
    "situacoesTributariasPis/maxCodAtualizacao/empresa/", "situacoesTributariasPis"};
inline constexpr TRecurso LumioSituacaoTributariaCofins{
    "situacoesTributariasCofins/maxCodAtualizacao/empresa/", "situacoesTributariasCofins"};
inline constexpr TRecurso LumioNcmIbpt{"ncmIbpt/maxCodAtualizacao/empresa/", "ncmIbpt"};
inline constexpr TRecurso LumioOpcao{"", "opcoes"};
}  // namespace recursos

}  // namespace borvan
