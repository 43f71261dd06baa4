// The base client's rules, through real exchanges with stand-in clouds on
// the development ports: base URL choice, headers, status handling and the
// reading of a high-water mark.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cloud/base_client.h"
#include "cloud/lumio/lumio.h"
#include "cloud/quenda/quenda.h"
#include "support/erros.h"
#include "support/json.h"
#include "tests/ambiente_teste.h"
#include "tests/diretorio_temporario.h"
#include "tests/nuvem_teste.h"

namespace borvan {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// An executable directory with the developer marker: both clouds are the
// local stand-ins.
class TComMarcador : public ::testing::Test {
 protected:
  TComMarcador() { teste::GravarArquivo(FDiretorio.Arquivo("Eh.Programador"), ""); }

  teste::TDiretorioTemporario FDiretorio;
  teste::TAmbienteTeste FAmbiente{FDiretorio.Caminho()};
};

TJsonEscritor UmCliente() {
  TJsonEscritor json;
  json.IniciarArray();
  json.IniciarObjeto();
  json.Texto("nome", "Jo\xC3\xA3o");
  json.Inteiro("codAtualizacao", 5012);
  json.FinalizarObjeto();
  json.FinalizarArray();
  return json;
}

TEST(BaseClientTest, MarkerBesideTheExecutableIsReadAtEveryConstruction) {
  teste::TDiretorioTemporario diretorio;
  teste::TAmbienteTeste ambiente(diretorio.Caminho());
  const std::string marcador = diretorio.Arquivo("Eh.Programador");
  const struct {
    bool Marcador;
    const char* Quenda;
    const char* Lumio;
  } estados[] = {
      {false, "https://api.quenda.com.br/api/", "https://api.lumio.com.br/api/"},
      {true, "http://localhost:8090/api/", "http://localhost:8091/api/"},
      {false, "https://api.quenda.com.br/api/", "https://api.lumio.com.br/api/"},
  };
  for (const auto& estado : estados) {
    SCOPED_TRACE(estado.Marcador ? "with marker" : "without marker");
    if (estado.Marcador) teste::GravarArquivo(marcador, "");
    else std::remove(marcador.c_str());
    EXPECT_EQ(EhProgramador(), estado.Marcador);
    EXPECT_EQ(TQuendaBaseClient(TOKEN_BORVAN).UrlBase(), estado.Quenda);
    EXPECT_EQ(TLumioBaseClient(TOKEN_BORVAN).UrlBase(), estado.Lumio);
  }
}

TEST(BaseClientTest, MarkerInTheCurrentDirectoryDoesNotCount) {
  teste::TDiretorioTemporario executavel;
  teste::TDiretorioTemporario atual;
  teste::GravarArquivo(atual.Arquivo("Eh.Programador"), "");
  teste::TAmbienteTeste ambiente(executavel.Caminho());
  std::string anterior = std::filesystem::current_path();
  std::filesystem::current_path(atual.Caminho());
  bool programador = EhProgramador();
  std::filesystem::current_path(anterior);
  EXPECT_FALSE(programador);
}

TEST(BaseClientTest, TokenIsAJsonWebTokenOf203Characters) {
  const std::string token = TOKEN_BORVAN;
  ASSERT_EQ(token.size(), 203u);
  const size_t ponto1 = token.find('.');
  const size_t ponto2 = token.find('.', ponto1 + 1);
  ASSERT_NE(ponto2, std::string::npos);
  EXPECT_EQ(ponto1, 36u);
  EXPECT_EQ(ponto2 - ponto1 - 1, 122u);
  EXPECT_EQ(token.size() - ponto2 - 1, 43u);
  const std::string alfabeto = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  for (const std::string& segmento :
       {token.substr(0, ponto1), token.substr(ponto1 + 1, ponto2 - ponto1 - 1), token.substr(ponto2 + 1)})
    EXPECT_EQ(segmento.find_first_not_of(alfabeto), std::string::npos) << segmento;
  // {"alg":"HS256","typ":"JWT"}
  EXPECT_EQ(token.substr(0, ponto1), "eyJhbGciOiJIUzI1NiIsInR5cCI6IkpXVCJ9");
}

struct TCasoStatus {
  int Status;
  const char* Corpo;
  bool Falha;            // the wrapper throws
  const char* Mensagem;  // its message
};

TEST_F(TComMarcador, StatusDecidesBetweenResultBodyAsErrorAndStatusLine) {
  teste::TNuvemTeste nuvem(8090);
  const TCasoStatus casos[] = {
      {200, "57", false, ""},
      {302, "8", false, ""},
      {399, "12", false, ""},
      {400, "Requisi\xC3\xA7\xC3\xA3o inv\xC3\xA1lida", true, "Requisi\xC3\xA7\xC3\xA3o inv\xC3\xA1lida"},
      {404, "Empresa 77 desconhecida", true, "Empresa 77 desconhecida"},
      {404, "", true, ""},
      {499, "{\"erro\":\"x\"}", true, "{\"erro\":\"x\"}"},
      {500, "stack trace", true, "HTTP/1.1 500 Internal Server Error"},
      {503, "", true, "HTTP/1.1 503 Service Unavailable"},
  };
  for (const TCasoStatus& caso : casos) {
    SCOPED_TRACE(std::to_string(caso.Status) + " " + caso.Corpo);
    nuvem.RestaurarRespostas();
    nuvem.Responder("", caso.Status, caso.Corpo);
    TQuendaClienteService servico(TOKEN_BORVAN);

    // The same rule for reading a mark and for posting rows.
    for (const char* operacao : {"MaxCodigoAtualizacao", "Save"}) {
      SCOPED_TRACE(operacao);
      try {
        if (std::string(operacao) == "Save") servico.Save(UmCliente());
        else EXPECT_EQ(servico.MaxCodigoAtualizacao("77"), LerMaxCodigoAtualizacao(caso.Corpo));
        EXPECT_FALSE(caso.Falha) << "expected ENuvem: " << caso.Mensagem;
      } catch (const ENuvem& erro) {
        EXPECT_TRUE(caso.Falha) << erro.what();
        EXPECT_EQ(erro.what(), std::string(caso.Mensagem));
      }
      EXPECT_EQ(servico.Client().StatusCode(), caso.Status);
      EXPECT_EQ(servico.Client().HasError(), caso.Status >= 400);
    }

    // Below 500 the client itself only records; an error status reads as -1.
    if (caso.Status < 500) {
      TQuendaClienteClient cliente(TOKEN_BORVAN);
      EXPECT_EQ(cliente.MaxCodigoAtualizacao("77"), caso.Status >= 400 ? -1 : LerMaxCodigoAtualizacao(caso.Corpo));
      EXPECT_EQ(cliente.Content(), caso.Corpo);
      EXPECT_EQ(cliente.ErrorMessage(), caso.Corpo);
    }
  }
}

TEST_F(TComMarcador, ServerErrorMessageIsTheStatusLineAsSent) {
  const struct {
    const char* Bruto;
    const char* Mensagem;
  } casos[] = {
      {"HTTP/1.1 503 Em manutencao ate as 6h\r\nContent-Length: 10\r\n\r\nvolte logo", "HTTP/1.1 503 Em manutencao ate as 6h"},
      {"HTTP/1.0 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n", "HTTP/1.0 502 Bad Gateway"},
      {"HTTP/1.1 500 \r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 500 "},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Mensagem);
    teste::TServidorBruto nuvem(caso.Bruto, false, 8090);
    try {
      TQuendaClienteService(TOKEN_BORVAN).MaxCodigoAtualizacao("77");
      ADD_FAILURE() << "expected ENuvem";
    } catch (const ENuvem& erro) {
      EXPECT_STREQ(erro.what(), caso.Mensagem);
    }
  }
}

TEST_F(TComMarcador, NoListenerIsATransportFailure) {
  // Nothing listens on the development ports in this test.
  for (auto [porta, executar] : {std::pair<const char*, void (*)()>{"8090", [] { TQuendaClienteService(TOKEN_BORVAN).Save(UmCliente()); }},
                                 {"8091", [] { TLumioClienteService(TOKEN_BORVAN).MaxCodigoAtualizacao("77"); }}}) {
    SCOPED_TRACE(porta);
    try {
      executar();
      ADD_FAILURE() << "expected a transport failure";
    } catch (const ENuvem& erro) {
      EXPECT_THAT(erro.what(), StartsWith("REST request failed: "));
      EXPECT_THAT(erro.what(), HasSubstr(porta));
    }
  }
}

TEST_F(TComMarcador, EveryRequestStartsCleanWithOneAuthorizationHeader) {
  teste::TNuvemTeste nuvem(8091);
  TLumioClienteService servico(TOKEN_BORVAN);
  const TJsonEscritor json = UmCliente();
  servico.Save(json);
  EXPECT_EQ(servico.MaxCodigoAtualizacao("77"), 0);  // the stand-in's default mark
  servico.Save(json);

  auto requisicoes = nuvem.Requisicoes();
  ASSERT_EQ(requisicoes.size(), 3u);
  for (const auto& requisicao : requisicoes) {
    SCOPED_TRACE(requisicao.Metodo + " " + requisicao.Caminho);
    EXPECT_EQ(requisicao.QuantidadeCabecalho("Authorization"), 1u);
    EXPECT_EQ(requisicao.Cabecalho("Authorization"), std::string("Bearer ") + TOKEN_BORVAN);
    EXPECT_EQ(requisicao.QuantidadeCabecalho("Expect"), 0u);
    if (requisicao.Metodo == "POST") {
      EXPECT_EQ(requisicao.QuantidadeCabecalho("Content-Type"), 1u);
      EXPECT_EQ(requisicao.Cabecalho("Content-Type"), "application/json");
      EXPECT_EQ(requisicao.Corpo, json.Conteudo());
    }
  }
  const auto& get = requisicoes[1];
  EXPECT_EQ(get.Metodo, "GET");
  EXPECT_EQ(get.Corpo, "");
  EXPECT_EQ(get.QuantidadeCabecalho("Content-Type"), 0u);
  EXPECT_EQ(get.QuantidadeCabecalho("Content-Length"), 0u);
}

TEST_F(TComMarcador, MarkIsReadOnlyFromAPlainWholeNumber) {
  teste::TNuvemTeste nuvem(8090);
  const struct {
    const char* Corpo;
    int Esperado;
  } casos[] = {
      {"57", 57},          {"0", 0},           {"", -1},          {"null", -1},
      {"-1", -1},          {"+57", 57},        {"0057", 57},      {"1e3", -1},
      {" 57", -1},         {"57 ", -1},        {"57\n", -1},      {"0x1F", -1},
      {"12.5", -1},        {"-", -1},          {"+", -1},         {"--5", -1},
      {"99999999999", -1}, {"2147483647", 2147483647}, {"2147483648", -1},
      {"-2147483648", -2147483647 - 1}, {"-2147483649", -1}, {"\xD9\xA3", -1},
  };
  TQuendaVendaService servico(TOKEN_BORVAN);
  for (const auto& caso : casos) {
    SCOPED_TRACE(std::string("body \"") + caso.Corpo + "\"");
    nuvem.RestaurarRespostas();
    nuvem.Responder("GET", "vendas/maxCodAtualizacao/empresa/", 200, caso.Corpo);
    EXPECT_EQ(servico.MaxCodigoAtualizacao("77"), caso.Esperado);
  }
}

TEST_F(TComMarcador, OptionsDigestIsTheBodyOfASuccessfulAnswer) {
  teste::TNuvemTeste nuvem(8091);
  const std::string digest = "9e107d9d372bb6826bd81d3542a419d6";
  const struct {
    int Status;
    std::string Corpo;
    std::string Cliente;   // the client's result ("!" + message: it throws)
    std::string Servico;   // the wrapper's result, same convention
  } casos[] = {
      {200, digest, digest, digest},
      {200, "", "", ""},
      {200, " " + digest + "\n", " " + digest + "\n", " " + digest + "\n"},
      {404, "sem opcoes", "", "!sem opcoes"},
      {500, digest, "!HTTP/1.1 500 Internal Server Error", "!HTTP/1.1 500 Internal Server Error"},
  };
  auto resultado = [](auto&& AChamar) -> std::string {
    try {
      return AChamar();
    } catch (const ENuvem& erro) {
      return std::string("!") + erro.what();
    }
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(std::to_string(caso.Status) + " \"" + caso.Corpo + "\"");
    nuvem.RestaurarRespostas();
    nuvem.Responder("GET", "opcoes/CodigoMd5/empresa/", caso.Status, caso.Corpo);
    EXPECT_EQ(resultado([] { return TLumioOpcaoClient(TOKEN_BORVAN).CodigoMd5("77"); }), caso.Cliente);
    EXPECT_EQ(resultado([] { return TLumioOpcaoService(TOKEN_BORVAN).CodigoMd5("77"); }), caso.Servico);
  }
  for (const auto& requisicao : nuvem.Requisicoes()) EXPECT_EQ(requisicao.Caminho, "/api/opcoes/CodigoMd5/empresa/77");
}

}  // namespace
}  // namespace borvan
