// The libcurl HTTP client against servers whose every byte the test
// chooses: status lines, stalls, oversized bodies, refused connections.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/http.h"
#include "support/erros.h"
#include "tests/nuvem_teste.h"

namespace borvan {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

TRequisicaoHttp Get(const std::string& AUrl) {
  TRequisicaoHttp requisicao;
  requisicao.Metodo = "GET";
  requisicao.Url = AUrl;
  return requisicao;
}

struct TCasoStatus {
  const char* Nome;
  const char* Bruto;
  int Codigo;
  const char* Versao;
  const char* Motivo;
  const char* Corpo;
};

TEST(HttpCurlTest, StatusLineAndBodyAreReadAsTheServerSentThem) {
  const TCasoStatus casos[] = {
      {"503 with reason", "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 4\r\n\r\nbusy", 503, "HTTP/1.1",
       "Service Unavailable", "busy"},
      {"HTTP/1.0", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n57", 200, "HTTP/1.0", "OK", "57"},
      {"reason with blanks and accents", "HTTP/1.1 422 Empresa n\xC3\xA3o encontrada: 77\r\nContent-Length: 0\r\n\r\n",
       422, "HTTP/1.1", "Empresa n\xC3\xA3o encontrada: 77", ""},
      {"empty reason", "HTTP/1.1 404 \r\nContent-Length: 3\r\n\r\nnao", 404, "HTTP/1.1", "", "nao"},
      {"no reason at all", "HTTP/1.1 500\r\nContent-Length: 0\r\n\r\n", 500, "HTTP/1.1", "", ""},
      {"interim 100 before the answer",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok", 201, "HTTP/1.1",
       "Created", "ok"},
      {"body delimited by close", "HTTP/1.0 200 OK\r\n\r\nabc\r\ndef", 200, "HTTP/1.0", "OK", "abc\r\ndef"},
      {"redirect not followed", "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:9/x\r\nContent-Length: 0\r\n\r\n",
       302, "HTTP/1.1", "Found", ""},
  };
  for (const TCasoStatus& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    teste::TServidorBruto servidor(caso.Bruto);
    auto cliente = CriarHttpCliente();
    TRespostaHttp resposta = cliente->Executar(Get(servidor.Url("/api/x")));
    EXPECT_EQ(resposta.Codigo, caso.Codigo);
    EXPECT_EQ(resposta.Versao, caso.Versao);
    EXPECT_EQ(resposta.Motivo, caso.Motivo);
    EXPECT_EQ(resposta.Corpo, caso.Corpo);
    EXPECT_EQ(servidor.Conexoes(), 1);
  }
}

TEST(HttpCurlTest, RequestCarriesExactlyWhatWasAskedFor) {
  const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  teste::TServidorBruto servidor(ok);
  auto cliente = CriarHttpCliente();

  TRequisicaoHttp post;
  post.Metodo = "POST";
  post.Url = servidor.Url("/api/clientes");
  post.Cabecalhos = {{"Authorization", "Bearer a.b.c"}, {"Content-Type", "application/json"}, {"X-Vazio", ""}};
  post.Corpo = "[{\"nome\":\"Jo\xC3\xA3o\"}]";
  cliente->Executar(post);
  std::string recebido = servidor.Recebido();
  EXPECT_THAT(recebido, StartsWith("POST /api/clientes HTTP/1.1\r\n"));
  EXPECT_THAT(recebido, HasSubstr("\r\nAuthorization: Bearer a.b.c\r\n"));
  EXPECT_THAT(recebido, HasSubstr("\r\nContent-Type: application/json\r\n"));
  EXPECT_THAT(recebido, HasSubstr("\r\nX-Vazio:\r\n"));
  EXPECT_THAT(recebido, HasSubstr("\r\nContent-Length: " + std::to_string(post.Corpo.size()) + "\r\n"));
  EXPECT_THAT(recebido, Not(HasSubstr("Expect:")));
  EXPECT_EQ(recebido.substr(recebido.size() - post.Corpo.size()), post.Corpo);

  // The same client, now a GET with a body left in the request: none is sent.
  TRequisicaoHttp get = Get(servidor.Url("/api/clientes/maxCodAtualizacao/empresa/77"));
  get.Corpo = "sobra";
  cliente->Executar(get);
  recebido = servidor.Recebido();
  EXPECT_THAT(recebido, StartsWith("GET /api/clientes/maxCodAtualizacao/empresa/77 HTTP/1.1\r\n"));
  EXPECT_THAT(recebido, Not(HasSubstr("Content-Length")));
  EXPECT_THAT(recebido, Not(HasSubstr("Content-Type")));
  EXPECT_THAT(recebido, Not(HasSubstr("Authorization")));
  EXPECT_EQ(recebido.substr(recebido.size() - 4), "\r\n\r\n");
}

TEST(HttpCurlTest, HeaderThatWouldSplitTheRequestIsRefused) {
  teste::TServidorBruto servidor("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  auto cliente = CriarHttpCliente();
  for (const auto& [nome, valor] : {std::pair<std::string, std::string>{"Authorization", "Bearer x\r\nX-Outro: 1"},
                                    {"X-A\nB", "1"}, {"X-A: B", "1"}}) {
    TRequisicaoHttp requisicao = Get(servidor.Url("/api/x"));
    requisicao.Cabecalhos = {{nome, valor}};
    EXPECT_THROW(cliente->Executar(requisicao), ENuvem) << nome;
  }
  EXPECT_EQ(servidor.Conexoes(), 0);
}

TEST(HttpCurlTest, ServerThatStopsSendingTimesOut) {
  const struct {
    const char* Nome;
    const char* Bruto;
  } casos[] = {
      {"no answer at all", ""},
      {"answer stops halfway", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    teste::TServidorBruto servidor(caso.Bruto, /*AReter=*/true);
    auto cliente = CriarHttpCliente();
    TRequisicaoHttp requisicao = Get(servidor.Url("/api/x"));
    requisicao.TempoLimiteMs = 1000;
    auto inicio = std::chrono::steady_clock::now();
    try {
      cliente->Executar(requisicao);
      ADD_FAILURE() << "a stalled server must fail the request";
    } catch (const ENuvem& erro) {
      EXPECT_THAT(erro.what(), StartsWith("REST request failed: "));
      EXPECT_GT(std::string(erro.what()).size(), std::string("REST request failed: ").size());
    }
    auto decorrido = std::chrono::steady_clock::now() - inicio;
    EXPECT_GE(decorrido, std::chrono::milliseconds(900));
    // curl averages the speed over a few seconds, so bytes that did arrive
    // delay the verdict by up to about five seconds.
    EXPECT_LT(decorrido, std::chrono::seconds(15));
  }
}

TEST(HttpCurlTest, RefusedConnectionIsATransportFailure) {
  int porta = teste::TServidorBruto("").Porta();  // free again: nobody listens
  auto cliente = CriarHttpCliente();
  try {
    cliente->Executar(Get("http://127.0.0.1:" + std::to_string(porta) + "/api/x"));
    ADD_FAILURE() << "expected a transport failure";
  } catch (const ENuvem& erro) {
    EXPECT_THAT(erro.what(), StartsWith("REST request failed: "));
    EXPECT_THAT(erro.what(), HasSubstr(std::to_string(porta)));
  }
}

TEST(HttpCurlTest, BodyIsCappedAtSixteenMebibytes) {
  const size_t limite = 16 * 1024 * 1024;
  for (size_t tamanho : {limite, limite + 1}) {
    SCOPED_TRACE(tamanho);
    teste::TServidorBruto servidor("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(tamanho) + "\r\n\r\n" +
                            std::string(tamanho, 'x'));
    auto cliente = CriarHttpCliente();
    if (tamanho <= limite) {
      EXPECT_EQ(cliente->Executar(Get(servidor.Url("/api/x"))).Corpo.size(), tamanho);
    } else {
      try {
        cliente->Executar(Get(servidor.Url("/api/x")));
        ADD_FAILURE() << "expected the body to be refused";
      } catch (const ENuvem& erro) {
        EXPECT_STREQ(erro.what(), "REST request failed: response too large");
      }
    }
  }
}

TEST(HttpCurlTest, OneClientReusesItsConnection) {
  teste::TNuvemTeste nuvem(8090);
  auto cliente = CriarHttpCliente();
  for (int i = 0; i < 3; ++i) cliente->Executar(Get("http://127.0.0.1:8090/api/x"));
  auto requisicoes = nuvem.Requisicoes();
  ASSERT_EQ(requisicoes.size(), 3u);
  EXPECT_EQ(requisicoes[1].PortaCliente, requisicoes[0].PortaCliente);
  EXPECT_EQ(requisicoes[2].PortaCliente, requisicoes[0].PortaCliente);
}

}  // namespace
}  // namespace borvan
