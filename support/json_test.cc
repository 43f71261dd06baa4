#include "support/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace borvan {
namespace {

std::string TextoEscrito(std::string_view AValor, TEscapeJson AEscape) {
  TJsonEscritor escritor(AEscape);
  escritor.Texto(AValor);
  return escritor.Conteudo();
}

struct TCasoEscape {
  const char* Nome;
  std::string Entrada;
  std::string Save;  // between the quotation marks
  std::string Send;
  // What a JSON reader gets back, when not the input itself.
  std::optional<std::string> Lido = std::nullopt;
};

void PrintTo(const TCasoEscape& ACaso, std::ostream* ASaida) { *ASaida << ACaso.Nome; }

class EscapeTeste : public ::testing::TestWithParam<TCasoEscape> {};

TEST_P(EscapeTeste, AmbosOsModos) {
  const TCasoEscape& caso = GetParam();
  const std::string save = TextoEscrito(caso.Entrada, TEscapeJson::Save);
  const std::string send = TextoEscrito(caso.Entrada, TEscapeJson::Send);
  EXPECT_EQ(save, "\"" + caso.Save + "\"");
  EXPECT_EQ(send, "\"" + caso.Send + "\"");

  // Both bodies are valid JSON (and UTF-8) that read back the same text.
  const std::string lido = caso.Lido.value_or(caso.Entrada);
  EXPECT_EQ(nlohmann::json::parse(save).get<std::string>(), lido);
  EXPECT_EQ(nlohmann::json::parse(send).get<std::string>(), lido);
}

INSTANTIATE_TEST_SUITE_P(
    Caracteres, EscapeTeste,
    ::testing::Values(
        TCasoEscape{"Vazio", "", "", ""},
        TCasoEscape{"AsciiSimples", "Rua A, 12 - Centro", "Rua A, 12 - Centro", "Rua A, 12 - Centro"},
        TCasoEscape{"Aspas", "a\"b", "a\\\"b", "a\\\"b"},
        TCasoEscape{"BarraInvertida", "C:\\dados", "C:\\\\dados", "C:\\\\dados"},
        TCasoEscape{"Barra", "01/02", "01\\/02", "01\\/02"},
        TCasoEscape{"Del", "\x7F", "\x7F", "\x7F"},
        TCasoEscape{"ATil", "N\xC3\xA3o", "N\xC3\xA3o", "N\xC3\xA3o"},
        TCasoEscape{"UltimoAntesDoEuro", "\xE2\x82\xAB", "\xE2\x82\xAB", "\xE2\x82\xAB"},
        TCasoEscape{"Euro", "10 \xE2\x82\xAC", "10 \xE2\x82\xAC", "10 \\u20AC"},
        TCasoEscape{"Ufffe", "\xEF\xBF\xBE", "\xEF\xBF\xBE", "\\uFFFE"},
        TCasoEscape{"Emoji", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "\\uD83D\\uDE00"},
        TCasoEscape{"PrimeiroForaDoPlanoBasico", "\xF0\x90\x80\x80", "\xF0\x90\x80\x80", "\\uD800\\uDC00"},
        TCasoEscape{"UltimoCodigo", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\\uDBFF\\uDFFF"},
        TCasoEscape{"Misturado", "S\xC3\xA3o Jos\xC3\xA9/\xE2\x82\xAC\t\"",
                    "S\xC3\xA3o Jos\xC3\xA9\\/\xE2\x82\xAC\\t\\\"", "S\xC3\xA3o Jos\xC3\xA9\\/\\u20AC\\t\\\""},
        // Bytes that are not UTF-8 become U+FFFD, one per maximal broken piece.
        TCasoEscape{"ByteFF", "a\xFF" "b", "a\xEF\xBF\xBD" "b", "a\\uFFFDb", "a\xEF\xBF\xBD" "b"},
        TCasoEscape{"ContinuacaoSolta", "\x80", "\xEF\xBF\xBD", "\\uFFFD", "\xEF\xBF\xBD"},
        TCasoEscape{"SequenciaCortada", "x\xE2\x82y", "x\xEF\xBF\xBDy", "x\\uFFFDy", "x\xEF\xBF\xBDy"},
        TCasoEscape{"CortadaNoFim", "a\xC3", "a\xEF\xBF\xBD", "a\\uFFFD", "a\xEF\xBF\xBD"},
        TCasoEscape{"Latin1", "S\xE3o", "S\xEF\xBF\xBDo", "S\\uFFFDo", "S\xEF\xBF\xBDo"},
        TCasoEscape{"SobrelongoC0", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD", "\\uFFFD\\uFFFD",
                    "\xEF\xBF\xBD\xEF\xBF\xBD"},
        TCasoEscape{"SobrelongoE0", "\xE0\x80\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
                    "\\uFFFD\\uFFFD\\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        TCasoEscape{"Surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
                    "\\uFFFD\\uFFFD\\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        TCasoEscape{"AlemDe10FFFF", "\xF4\x90\x80\x80",
                    "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
                    "\\uFFFD\\uFFFD\\uFFFD\\uFFFD",
                    "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        TCasoEscape{"SubstitutoValido", "\xEF\xBF\xBD", "\xEF\xBF\xBD", "\\uFFFD"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Nome); });

// Every character below U+0020, in both modes: the named escapes where
// they exist, otherwise \u00XX with upper-case digits.
TEST(Escape, CaracteresDeControle) {
  const char* const esperados[32] = {
      "\\u0000", "\\u0001", "\\u0002", "\\u0003", "\\u0004", "\\u0005", "\\u0006", "\\u0007",
      "\\b",     "\\t",     "\\n",     "\\u000B", "\\f",     "\\r",     "\\u000E", "\\u000F",
      "\\u0010", "\\u0011", "\\u0012", "\\u0013", "\\u0014", "\\u0015", "\\u0016", "\\u0017",
      "\\u0018", "\\u0019", "\\u001A", "\\u001B", "\\u001C", "\\u001D", "\\u001E", "\\u001F"};
  for (int codigo = 0; codigo < 32; ++codigo) {
    SCOPED_TRACE(codigo);
    const std::string entrada = std::string("a") + static_cast<char>(codigo) + "b";
    const std::string esperado = std::string("\"a") + esperados[codigo] + "b\"";
    for (TEscapeJson modo : {TEscapeJson::Save, TEscapeJson::Send}) {
      const std::string escrito = TextoEscrito(entrada, modo);
      EXPECT_EQ(escrito, esperado);
      EXPECT_EQ(nlohmann::json::parse(escrito).get<std::string>(), entrada);
    }
  }
}

TEST(Escape, NomesDeMembroSaoEscapados) {
  TJsonEscritor escritor(TEscapeJson::Send);
  escritor.IniciarObjeto();
  escritor.Texto("a/\xE2\x82\xAC\"", "v");
  escritor.FinalizarObjeto();
  EXPECT_EQ(escritor.Conteudo(), "{\"a\\/\\u20AC\\\"\":\"v\"}");
}

TEST(Estrutura, VirgulasEAninhamento) {
  struct TCaso {
    const char* Nome;
    void (*Escrever)(TJsonEscritor&);
    const char* Esperado;
  };
  const TCaso casos[] = {
      {"objeto vazio", [](TJsonEscritor& e) { e.IniciarObjeto(); e.FinalizarObjeto(); }, "{}"},
      {"array vazio", [](TJsonEscritor& e) { e.IniciarArray(); e.FinalizarArray(); }, "[]"},
      {"membros de todos os tipos",
       [](TJsonEscritor& e) {
         e.IniciarObjeto();
         e.Texto("nome", "Ana");
         e.Inteiro("codigo", -42);
         e.Decimal("valor", 12.5);
         e.Booleano("ativo", true);
         e.Booleano("inativo", false);
         e.NumeroTexto("prazo", "30.50");
         e.Texto("vazio", "");
         e.FinalizarObjeto();
       },
       R"({"nome":"Ana","codigo":-42,"valor":12.5,"ativo":true,"inativo":false,"prazo":30.50,"vazio":""})"},
      {"array de objetos",
       [](TJsonEscritor& e) {
         e.IniciarArray();
         for (int i = 1; i <= 3; ++i) {
           e.IniciarObjeto();
           e.Inteiro("id", i);
           e.Texto("x", "y");
           e.FinalizarObjeto();
         }
         e.FinalizarArray();
       },
       R"([{"id":1,"x":"y"},{"id":2,"x":"y"},{"id":3,"x":"y"}])"},
      {"objeto aninhado como membro",
       [](TJsonEscritor& e) {
         e.IniciarObjeto();
         e.Inteiro("a", 1);
         e.IniciarObjeto("cidade");
         e.Texto("nome", "Lages");
         e.IniciarObjeto("uf");
         e.FinalizarObjeto();
         e.FinalizarObjeto();
         e.Inteiro("b", 2);
         e.FinalizarObjeto();
       },
       R"({"a":1,"cidade":{"nome":"Lages","uf":{}},"b":2})"},
      {"arrays aninhados e valores soltos",
       [](TJsonEscritor& e) {
         e.IniciarArray();
         e.Inteiro(1);
         e.IniciarArray();
         e.FinalizarArray();
         e.IniciarArray();
         e.Texto("a");
         e.Booleano(false);
         e.FinalizarArray();
         e.IniciarObjeto();
         e.FinalizarObjeto();
         e.Decimal(0.5);
         e.FinalizarArray();
       },
       R"([1,[],["a",false],{},0.5])"},
      {"array como membro",
       [](TJsonEscritor& e) {
         e.IniciarObjeto();
         e.Nome("itens");
         e.IniciarArray();
         e.Inteiro(1);
         e.Inteiro(2);
         e.FinalizarArray();
         e.Nome("fim");
         e.Booleano(true);
         e.FinalizarObjeto();
       },
       R"({"itens":[1,2],"fim":true})"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    TJsonEscritor escritor;
    caso.Escrever(escritor);
    EXPECT_EQ(escritor.Conteudo(), caso.Esperado);
    EXPECT_TRUE(nlohmann::json::accept(escritor.Conteudo()));
  }
}

TEST(Estrutura, LimparRecomecaSemVirgulaPendente) {
  TJsonEscritor escritor;
  escritor.IniciarArray();
  escritor.IniciarObjeto();
  escritor.Nome("a");
  escritor.Limpar();
  escritor.IniciarArray();
  escritor.Inteiro(1);
  escritor.FinalizarArray();
  EXPECT_EQ(escritor.Conteudo(), "[1]");
}

TEST(Estrutura, InteirosNosExtremos) {
  TJsonEscritor escritor;
  escritor.IniciarArray();
  escritor.Inteiro(0);
  escritor.Inteiro(std::numeric_limits<int64_t>::min());
  escritor.Inteiro(std::numeric_limits<int64_t>::max());
  escritor.FinalizarArray();
  EXPECT_EQ(escritor.Conteudo(), "[0,-9223372036854775808,9223372036854775807]");
}

TEST(FormatarDecimal, FormatoGeralSemExpoente) {
  struct TCaso {
    double Valor;
    const char* Texto;
  };
  const TCaso casos[] = {
      {12.5, "12.5"},
      {100, "100"},
      {9.9, "9.9"},
      {0.0001, "0.0001"},
      {1234567.8912, "1234567.8912"},
      {0, "0"},
      {33.33, "33.33"},
      {1.65, "1.65"},
      {7.6, "7.6"},
      {-12.5, "-12.5"},
      {-0.0, "0"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {0.00001, "0.00001"},
      {-0.0000123, "-0.0000123"},
      {1e15, "1000000000000000"},
      {1e20, "100000000000000000000"},
      {123456789012345678.0, "123456789012346000"},
      {999999999999999.9, "1000000000000000"},
      {99999999999.9999, "99999999999.9999"},
      {std::numeric_limits<double>::quiet_NaN(), "0"},
      {std::numeric_limits<double>::infinity(), "0"},
      {-std::numeric_limits<double>::infinity(), "0"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Texto);
    EXPECT_EQ(FormatarDecimal(caso.Valor), caso.Texto);
    TJsonEscritor escritor;
    escritor.Decimal(caso.Valor);
    EXPECT_EQ(escritor.Conteudo(), caso.Texto);
    // At most 15 significant digits: reading back equals %.15g of the value.
    if (std::isfinite(caso.Valor)) {
      char geral[64];
      std::snprintf(geral, sizeof geral, "%.15g", caso.Valor);
      EXPECT_EQ(nlohmann::json::parse(caso.Texto).get<double>(), std::strtod(geral, nullptr) + 0.0);
    }
  }
}

}  // namespace
}  // namespace borvan
