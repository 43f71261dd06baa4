// Every endpoint pair of both clouds: which stand-in it reaches, with which
// method and path, letter for letter, and what its wrapper makes of the
// answers.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cloud/lumio/lumio.h"
#include "cloud/quenda/quenda.h"
#include "support/erros.h"
#include "support/json.h"
#include "tests/ambiente_teste.h"
#include "tests/diretorio_temporario.h"
#include "tests/nuvem_teste.h"

namespace borvan {
namespace {

class TEndpoints : public ::testing::Test {
 protected:
  TEndpoints() {
    teste::GravarArquivo(FDiretorio.Arquivo("Eh.Programador"), "");
    for (teste::TNuvemTeste* nuvem : {&FQuenda, &FLumio}) {
      nuvem->Responder("GET", "", 200, "4242");
      nuvem->Responder("POST", "", 200, "ignored body");
    }
  }

  teste::TDiretorioTemporario FDiretorio;
  teste::TAmbienteTeste FAmbiente{FDiretorio.Caminho()};
  teste::TNuvemTeste FQuenda{8090};
  teste::TNuvemTeste FLumio{8091};
};

// One row: the wrapper's name, its cloud's port, the GET it makes (empty:
// none) and the POST. Ler performs the GET and returns what the wrapper
// returned; Enviar posts the body.
struct TLinha {
  std::string Nome;
  int Porta;
  std::string Get;
  std::string Post;
  std::function<std::string(const std::string&)> Ler;
  std::function<void(const TJsonEscritor&)> Enviar;
};

template <class TServico>
TLinha ComMax(std::string ANome, int APorta, std::string AGet, std::string APost) {
  return {std::move(ANome), APorta, std::move(AGet), std::move(APost),
          [](const std::string& AId) { return std::to_string(TServico(TOKEN_BORVAN).MaxCodigoAtualizacao(AId)); },
          [](const TJsonEscritor& AJson) { TServico(TOKEN_BORVAN).Save(AJson); }};
}

template <class TServico>
TLinha Servicos(std::string ANome, int APorta) {
  return {std::move(ANome), APorta, "", "/api/services", nullptr,
          [](const TJsonEscritor& AJson) { TServico(TOKEN_BORVAN).Send(AJson); }};
}

template <class TServico>
TLinha Opcoes(std::string ANome, int APorta) {
  return {std::move(ANome), APorta, "/api/opcoes/CodigoMd5/empresa/77", "/api/opcoes",
          [](const std::string& AId) { return TServico(TOKEN_BORVAN).CodigoMd5(AId); },
          [](const TJsonEscritor& AJson) { TServico(TOKEN_BORVAN).Save(AJson); }};
}

std::vector<TLinha> TodasAsLinhas() {
  const int Q = 8090, L = 8091;
  return {
      Servicos<TQuendaServiceService>("TQuendaServiceService", Q),
      Servicos<TLumioServiceService>("TLumioServiceService", L),
      ComMax<TQuendaClienteService>("TQuendaClienteService", Q, "/api/clientes/maxCodAtualizacao/empresa/77",
                                    "/api/clientes"),
      ComMax<TLumioClienteService>("TLumioClienteService", L, "/api/clientes/maxCodAtualizacao/empresa/77",
                                   "/api/clientes"),
      ComMax<TQuendaReceberService>("TQuendaReceberService", Q, "/api/receber/maxCodAtualizacao/empresa/77",
                                    "/api/receber"),
      ComMax<TQuendaVendaService>("TQuendaVendaService", Q, "/api/vendas/maxCodAtualizacao/empresa/77",
                                  "/api/vendas"),
      ComMax<TQuendaProdutoService>("TQuendaProdutoService", Q, "/api/produtos/maxCodAtualizacao/empresa/77",
                                    "/api/produtos"),
      ComMax<TLumioProdutoService>("TLumioProdutoService", L, "/api/produtos/maxCodAtualizacao/empresa/77",
                                   "/api/produtos"),
      ComMax<TLumioProdutoUnidadeComercialService>(
          "TLumioProdutoUnidadeComercialService", L,
          "/api/produtosUnidadesComerciais/maxCodAtualizacao/empresa/77", "/api/produtosUnidadesComerciais"),
      ComMax<TQuendaCondicaoPagamentoService>("TQuendaCondicaoPagamentoService", Q,
                                              "/api/condicoespagamento/maxCodAtualizacao/empresa/77",
                                              "/api/condicoespagamento"),
      ComMax<TLumioCondicaoPagamentoService>("TLumioCondicaoPagamentoService", L,
                                             "/api/condicoesPagamentos/maxCodAtualizacao/empresa/77",
                                             "/api/condicoesPagamentos"),
      ComMax<TQuendaFormaPagamentoService>("TQuendaFormaPagamentoService", Q,
                                           "/api/formaspagamento/maxCodAtualizacao/empresa/77",
                                           "/api/formaspagamento"),
      ComMax<TLumioFormaPagamentoService>("TLumioFormaPagamentoService", L,
                                          "/api/formasPagamentos/maxCodAtualizacao/empresa/77",
                                          "/api/formasPagamentos"),
      ComMax<TQuendaOperacaoFiscalService>("TQuendaOperacaoFiscalService", Q,
                                           "/api/operacaoFiscal/maxCodAtualizacao/empresa/77",
                                           "/api/operacaoFiscal"),
      ComMax<TLumioOperacaoFiscalService>("TLumioOperacaoFiscalService", L,
                                          "/api/operacoesFiscais/maxCodAtualizacao/empresa/77",
                                          "/api/operacoesFiscais"),
      ComMax<TLumioRepresentanteService>("TLumioRepresentanteService", L,
                                         "/api/representantes/maxCodAtualizacao/empresa/77", "/api/representantes"),
      ComMax<TLumioSituacaoTributariaService>("TLumioSituacaoTributariaService", L,
                                              "/api/situacoesTributarias/maxCodAtualizacao/empresa/77",
                                              "/api/situacoesTributarias"),
      ComMax<TLumioSituacaoTributariaPisService>("TLumioSituacaoTributariaPisService", L,
                                                 "/api/situacoesTributariasPis/maxCodAtualizacao/empresa/77",
                                                 "/api/situacoesTributariasPis"),
      ComMax<TLumioSituacaoTributariaCofinsService>("TLumioSituacaoTributariaCofinsService", L,
                                                    "/api/situacoesTributariasCofins/maxCodAtualizacao/empresa/77",
                                                    "/api/situacoesTributariasCofins"),
      ComMax<TLumioNcmIbptService>("TLumioNcmIbptService", L, "/api/ncmIbpt/maxCodAtualizacao/empresa/77",
                                   "/api/ncmIbpt"),
      Opcoes<TLumioOpcaoService>("TLumioOpcaoService", L),
  };
}

TEST_F(TEndpoints, EveryPairReachesItsCloudWithItsMethodAndPath) {
  TJsonEscritor json;
  json.IniciarArray();
  json.IniciarObjeto();
  json.Texto("descricao", "A\xC3\xA7\xC3\xBA" "car \"refinado\" 1/2");
  json.FinalizarObjeto();
  json.FinalizarArray();

  for (const TLinha& linha : TodasAsLinhas()) {
    SCOPED_TRACE(linha.Nome);
    FQuenda.Limpar();
    FLumio.Limpar();
    teste::TNuvemTeste& destino = linha.Porta == 8090 ? FQuenda : FLumio;
    teste::TNuvemTeste& outra = linha.Porta == 8090 ? FLumio : FQuenda;

    if (linha.Ler) {
      EXPECT_EQ(linha.Ler("77"), "4242");
    }
    linha.Enviar(json);

    auto requisicoes = destino.Requisicoes();
    size_t esperadas = linha.Ler ? 2 : 1;
    ASSERT_EQ(requisicoes.size(), esperadas);
    if (linha.Ler) {
      EXPECT_EQ(requisicoes[0].Metodo, "GET");
      EXPECT_EQ(requisicoes[0].Caminho, linha.Get);
    }
    const auto& post = requisicoes.back();
    EXPECT_EQ(post.Metodo, "POST");
    EXPECT_EQ(post.Caminho, linha.Post);
    EXPECT_EQ(post.Corpo, json.Conteudo());
    EXPECT_EQ(post.Cabecalho("Content-Type"), "application/json");
    EXPECT_TRUE(outra.Requisicoes().empty());
  }
}

TEST_F(TEndpoints, CompanyIdIsAppendedUnchanged) {
  for (const std::string id : {"0", "00012", "a1b2-C3"}) {
    FQuenda.Limpar();
    TQuendaClienteService(TOKEN_BORVAN).MaxCodigoAtualizacao(id);
    auto requisicoes = FQuenda.Requisicoes();
    ASSERT_EQ(requisicoes.size(), 1u);
    EXPECT_EQ(requisicoes[0].Caminho, "/api/clientes/maxCodAtualizacao/empresa/" + id);
  }
}

// An id that holds URL syntax must stay inside its own path segment:
// "a/../../produtos" would otherwise ask another resource for its mark.
TEST_F(TEndpoints, CompanyIdWithUrlSyntaxStaysOneSegment) {
  struct TCaso {
    std::string Id;
    std::string Segmento;
  };
  for (const TCaso& caso : {TCaso{"a/../../produtos", "a%2F..%2F..%2Fprodutos"},
                            TCaso{"7?x=1#y", "7%3Fx%3D1%23y"}, TCaso{"São 1", "S%C3%A3o%201"},
                            TCaso{"a%2Fb", "a%252Fb"}}) {
    FQuenda.Limpar();
    FLumio.Limpar();
    TQuendaClienteService(TOKEN_BORVAN).MaxCodigoAtualizacao(caso.Id);
    TLumioOpcaoService(TOKEN_BORVAN).CodigoMd5(caso.Id);
    ASSERT_EQ(FQuenda.Requisicoes().size(), 1u) << caso.Id;
    EXPECT_EQ(FQuenda.Requisicoes()[0].Caminho, "/api/clientes/maxCodAtualizacao/empresa/" + caso.Segmento);
    ASSERT_EQ(FLumio.Requisicoes().size(), 1u) << caso.Id;
    EXPECT_EQ(FLumio.Requisicoes()[0].Caminho, "/api/opcoes/CodigoMd5/empresa/" + caso.Segmento);
  }
}

TEST_F(TEndpoints, WrapperTurnsARejectedRequestIntoTheBodyOfTheAnswer) {
  FLumio.RestaurarRespostas();
  FLumio.Responder("", 422, "produto sem NCM");
  TJsonEscritor json;
  json.IniciarArray();
  json.FinalizarArray();
  const std::function<void()> operacoes[] = {
      [] { TLumioProdutoService(TOKEN_BORVAN).MaxCodigoAtualizacao("77"); },
      [&] { TLumioProdutoService(TOKEN_BORVAN).Save(json); },
      [&] { TLumioServiceService(TOKEN_BORVAN).Send(json); },
      [] { TLumioOpcaoService(TOKEN_BORVAN).CodigoMd5("77"); },
  };
  for (const auto& operacao : operacoes) {
    try {
      operacao();
      ADD_FAILURE() << "expected ENuvem";
    } catch (const ENuvem& erro) {
      EXPECT_STREQ(erro.what(), "produto sem NCM");
    }
  }
  EXPECT_EQ(FLumio.Requisicoes().size(), 4u);
}

}  // namespace
}  // namespace borvan
