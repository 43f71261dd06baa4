// The endpoint clients and service wrappers of both clouds, from one
// template over cloud x entity. A client performs the exchange; its
// wrapper turns an HTTP error status into ENuvem carrying the body.
#pragma once

#include <string>

#include "cloud/base_client.h"
#include "support/erros.h"
#include "support/json.h"

namespace borvan {

// Resource paths of one entity in one cloud. Max is empty where the entity
// has no "maxCodAtualizacao" resource.
struct TRecurso {
  const char* Max;
  const char* Post;
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

// Whether the entity has a "maxCodAtualizacao" resource; only the options
// have a digest resource.
constexpr bool TemMax(const TRecurso& ARecurso) { return ARecurso.Max[0] != '\0'; }
constexpr bool TemCodigoMd5(const TRecurso& ARecurso) { return &ARecurso == &recursos::LumioOpcao; }

template <class TNuvem, const TRecurso& ARecurso>
class TEndpointClient : public TBaseClient<TNuvem> {
 public:
  using TBaseClient<TNuvem>::TBaseClient;

  // GET Max + AEmpresaId. -1 when the status is an error or the body is
  // not a whole number. Throws ENuvem for 5xx and transport failures.
  int MaxCodigoAtualizacao(const std::string& AEmpresaId)
    requires(TemMax(ARecurso));
  // POST the compact text of AJson (array or object) to Post. The JSON
  // stays the caller's; the answer's body is not read.
  void Save(const TJsonEscritor& AJson);
  // POST an object to Post ("services").
  void Send(const TJsonEscritor& AJson) { Save(AJson); }
  // GET "opcoes/CodigoMd5/empresa/" + AEmpresaId: the body, or "" when the
  // status is an error.
  std::string CodigoMd5(const std::string& AEmpresaId)
    requires(TemCodigoMd5(ARecurso));
};

template <class TNuvem, const TRecurso& ARecurso>
class TEndpointService {
 public:
  using TClient = TEndpointClient<TNuvem, ARecurso>;

  explicit TEndpointService(const std::string& AToken) : FClient(AToken) {}

  // Each operation calls its client and throws ENuvem(ErrorMessage) when
  // the client reports an HTTP error. Through a wrapper,
  // MaxCodigoAtualizacao is -1 only for a successful answer that is not a
  // whole number (or is -1).
  int MaxCodigoAtualizacao(const std::string& AEmpresaId)
    requires(TemMax(ARecurso))
  {
    int resultado = FClient.MaxCodigoAtualizacao(AEmpresaId);
    VerificarErro();
    return resultado;
  }
  void Save(const TJsonEscritor& AJson) {
    FClient.Save(AJson);
    VerificarErro();
  }
  void Send(const TJsonEscritor& AJson) {
    FClient.Send(AJson);
    VerificarErro();
  }
  std::string CodigoMd5(const std::string& AEmpresaId)
    requires(TemCodigoMd5(ARecurso))
  {
    std::string resultado = FClient.CodigoMd5(AEmpresaId);
    VerificarErro();
    return resultado;
  }

  TClient& Client() { return FClient; }

 private:
  void VerificarErro() {
    if (FClient.HasError()) throw ENuvem(FClient.ErrorMessage());
  }
  TClient FClient;
};

template <class TNuvem, const TRecurso& ARecurso>
int TEndpointClient<TNuvem, ARecurso>::MaxCodigoAtualizacao(const std::string& AEmpresaId)
  requires(TemMax(ARecurso))
{
  this->PrepareRequest("GET");
  this->SetResource(ARecurso.Max + CodificarSegmento(AEmpresaId));
  this->Execute();
  if (this->HasError()) return -1;
  return LerMaxCodigoAtualizacao(this->Content());
}

template <class TNuvem, const TRecurso& ARecurso>
void TEndpointClient<TNuvem, ARecurso>::Save(const TJsonEscritor& AJson) {
  this->PrepareRequest("POST");
  this->SetResource(ARecurso.Post);
  this->SetBody(AJson.Conteudo());
  this->Execute();
}

template <class TNuvem, const TRecurso& ARecurso>
std::string TEndpointClient<TNuvem, ARecurso>::CodigoMd5(const std::string& AEmpresaId)
  requires(TemCodigoMd5(ARecurso))
{
  this->PrepareRequest("GET");
  this->SetResource("opcoes/CodigoMd5/empresa/" + CodificarSegmento(AEmpresaId));
  this->Execute();
  if (this->HasError()) return "";
  return this->Content();
}

}  // namespace borvan
