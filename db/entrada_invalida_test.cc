// Definition files and column bytes that no one should have written: a
// clear error or a sound reading, never a crash nor a silent misreading.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "db/conexao.h"
#include "support/erros.h"
#include "tests/banco_teste.h"
#include "tests/diretorio_temporario.h"

namespace borvan {
namespace {

using namespace std::string_literals;
using teste::GravarArquivo;
using teste::TDiretorioTemporario;

const std::string VALIDA = "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=/x.fdb\n";

// Reproducible bytes of every value, newlines included.
std::string Lixo(size_t ATamanho, uint32_t ASemente) {
  std::mt19937 gerador(ASemente);
  std::string bytes(ATamanho, '\0');
  for (char& c : bytes) c = static_cast<char>(gerador() & 0xFF);
  return bytes;
}

std::string Utf16Le(const std::string& AAscii) {
  std::string texto = "\xFF\xFE";
  for (char c : AAscii) {
    texto.push_back(c);
    texto.push_back('\0');
  }
  return texto;
}

struct TCasoIni {
  const char* Nome;
  std::string Conteudo;
  // Expected Server and the size of Database when read, or the texts the
  // error must name besides the file.
  std::string Server;
  size_t TamanhoDatabase;
  std::vector<std::string> Erro;
};

const std::string MIB_X(1024 * 1024, 'x');

const TCasoIni KCasosIni[] = {
    {"Vazio", "", "", 0, {"[Borvan]", "not found"}},
    {"SoMarcaDeOrdem", "\xEF\xBB\xBF", "", 0, {"[Borvan]", "not found"}},
    {"BinarioSemSecao", Lixo(64 * 1024, 7), "", 0, {"[Borvan]", "not found"}},
    {"BinarioAntesDaSecao", Lixo(64 * 1024, 11) + "\n" + VALIDA, "localhost", 6, {}},
    {"LinhaDe1MiBSemSecao", MIB_X, "", 0, {"[Borvan]", "not found"}},
    {"LinhaDe1MiBSemIgualNaSecao", "[Borvan]\n" + MIB_X + "\nDriverID=FB\nServer=h\nDatabase=/x.fdb\n",
     "h", 6, {}},
    // A long value is read whole; the server then says what it makes of it.
    {"ValorDe1MiB", "[Borvan]\nDriverID=FB\nServer=h\nDatabase=" + MIB_X + "\n", "h", MIB_X.size(), {}},
    {"NomeDeSecaoDe1MiB", "[" + MIB_X + "]\nDriverID=FB\n", "", 0, {"[Borvan]", "not found"}},
    {"SemIgual", "[Borvan]\nDriverID FB\nServer localhost\nDatabase /x.fdb\n", "", 0, {"[Borvan]", "DriverID"}},
    {"SoChavesSemValor", "[Borvan]\nDriverID=\nServer=\nDatabase=\n", "", 0, {"DriverID"}},
    {"SecaoSemFechamento", "[Borvan\nDriverID=FB\nServer=h\nDatabase=/x.fdb\n", "", 0, {"[Borvan]", "not found"}},
    // Repeated sections merge, the first occurrence of each key winning, as
    // within one section.
    {"SecaoDuplicada", "[Borvan]\nDriverID=FB\nServer=primeiro\n[Outra]\nServer=x\n[BORVAN]\nServer=segundo\n"
     "Database=/y.fdb\n", "primeiro", 6, {}},
    {"SoFimDeLinhaCr", "[Borvan]\rDriverID=FB\rServer=h\rDatabase=/x.fdb\r", "", 0, {"DriverID"}},
    {"Utf16", Utf16Le(VALIDA), "", 0, {"[Borvan]", "not found"}},
    // NUL bytes outside the section's values do not matter.
    {"NulForaDosValores", "; \0\0\n[Outra]\nServer=a\0b\n"s + VALIDA, "localhost", 6, {}},
};

void PrintTo(const TCasoIni& ACaso, std::ostream* ASaida) { *ASaida << ACaso.Nome; }

class TDefinicaoMalFormada : public testing::TestWithParam<TCasoIni> {};

TEST_P(TDefinicaoMalFormada, LeOuDaUmErroQueNomeiaOArquivo) {
  const TCasoIni& caso = GetParam();
  TDiretorioTemporario diretorio;
  const std::string arquivo = diretorio.Arquivo("ConnectionDefs.ini");
  GravarArquivo(arquivo, caso.Conteudo);
  if (caso.Erro.empty()) {
    const TDefinicaoConexao lida = TDefinicaoConexao::Ler(arquivo, "Borvan");
    EXPECT_EQ(lida.DriverID, "FB");
    EXPECT_EQ(lida.Server, caso.Server);
    EXPECT_EQ(lida.Database.size(), caso.TamanhoDatabase);
    return;
  }
  try {
    TDefinicaoConexao::Ler(arquivo, "Borvan");
    FAIL() << "no error";
  } catch (const EBorvanErro& erro) {
    const std::string mensagem = erro.what();
    EXPECT_NE(mensagem.find(arquivo), std::string::npos) << mensagem.substr(0, 200);
    for (const std::string& parte : caso.Erro) {
      EXPECT_NE(mensagem.find(parte), std::string::npos) << mensagem.substr(0, 200) << " lacks " << parte;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, TDefinicaoMalFormada, testing::ValuesIn(KCasosIni),
                         [](const auto& AInfo) { return std::string(AInfo.param.Nome); });

TEST(TDefinicaoMalFormadaArquivo, DiretorioNoLugarDoArquivoEhUmErro) {
  TDiretorioTemporario diretorio;
  const std::string arquivo = diretorio.Arquivo("ConnectionDefs.ini");
  std::filesystem::create_directory(arquivo);
  try {
    TDefinicaoConexao::Ler(arquivo, "Borvan");
    FAIL() << "no error";
  } catch (const EBorvanErro& erro) {
    EXPECT_NE(std::string(erro.what()).find(arquivo), std::string::npos) << erro.what();
  }
}

// A NUL inside a value would cut the connection text short at the C
// boundary (the server "local" of "local\0host"), and the host check would
// compare a text that is not what the connection uses: such a value must
// be refused, naming the key.
TEST(TDefinicaoComNul, ValorComNulEhRecusado) {
  const struct {
    const char* Chave;
    std::string Conteudo;
  } casos[] = {
      {"Server", "[Borvan]\nDriverID=FB\nServer=local\0host\nDatabase=/x.fdb\n"s},
      {"Database", "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=/x.fdb\0/y.fdb\n"s},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Chave);
    TDiretorioTemporario diretorio;
    const std::string arquivo = diretorio.Arquivo("ConnectionDefs.ini");
    GravarArquivo(arquivo, caso.Conteudo);
    try {
      const TDefinicaoConexao lida = TDefinicaoConexao::Ler(arquivo, "Borvan");
      ADD_FAILURE() << "read as Server " << testing::PrintToString(lida.Server) << " Database "
                    << testing::PrintToString(lida.Database);
    } catch (const EBorvanErro& erro) {
      const std::string mensagem = erro.what();
      EXPECT_NE(mensagem.find(arquivo), std::string::npos) << mensagem;
      EXPECT_NE(mensagem.find(caso.Chave), std::string::npos) << mensagem;
    }
  }
}

// ---------------------------------------------------------------------------
// Columns without a character set hold whatever bytes the back-office
// wrote, usually Windows-1252. What reaches the service is UTF-8: valid
// UTF-8 stays, anything else is read as Windows-1252.

class TextoNone : public testing::Test {
 protected:
  TextoNone() {
    FBanco.GravarDefinicao(FIni);
    FBanco.Executar(
        "create table T (ID integer, V varchar(40) character set none, C char(12) character set none,"
        " B blob sub_type text character set none, U varchar(40) character set utf8)");
  }

  TDiretorioTemporario FDiretorio;
  teste::TBancoTeste FBanco;
  std::string FIni = FDiretorio.Arquivo("ConnectionDefs.ini");
  TConexao FConexao{FIni, "Borvan", "sysdba", "quillfern"};
};

TEST_F(TextoNone, BytesQueNaoSaoUtf8SaoLidosComoWindows1252) {
  const struct {
    const char* Hex;       // the bytes stored, as a hex literal
    std::string Esperado;  // what Texto gives
  } linhas[] = {
      {"53E36F204AE36F", "S\xC3\xA3o J\xC3\xA3o"},                          // São Jão
      {"8039392C3930", "\xE2\x82\xAC" "99,90"},                              // €99,90
      {"93412296", "\xE2\x80\x9C" "A\"\xE2\x80\x93"},                        // “A"–
      {"43616699", "Caf\xE2\x84\xA2"},
      {"436166C3A9", "Caf\xC3\xA9"},                                         // UTF-8 already: kept
      {"C3A7E7", "\xC3\x83\xC2\xA7\xC3\xA7"},                                // mixed: the whole value is 1252
      {"81", "\xEF\xBF\xBD"},                                                // undefined in 1252
      {"41425C22", "AB\\\""},
  };
  int id = 0;
  for (const auto& linha : linhas) {
    ++id;
    FBanco.Executar("insert into T (ID, V, C, B) values (" + std::to_string(id) + ", x'" + linha.Hex + "', x'" +
                    linha.Hex + "', x'" + linha.Hex + "')");
  }
  // The UTF-8 column is never touched: its bytes are UTF-8 by declaration.
  FBanco.Executar("insert into T (ID, U) values (100, 'S\xC3\xA3o')");

  TQuery query(FConexao);
  query.SetSql("select ID, V, C, B, U from T order by ID");
  query.Abrir();
  for (const auto& linha : linhas) {
    ASSERT_FALSE(query.Eof());
    SCOPED_TRACE(linha.Hex);
    EXPECT_EQ(query.Texto("V"), linha.Esperado);
    EXPECT_EQ(query.Texto("C"), linha.Esperado);  // CHAR: blanks trimmed, bytes decoded
    EXPECT_EQ(query.Texto("B"), linha.Esperado);
    query.Proximo();
  }
  ASSERT_FALSE(query.Eof());
  EXPECT_EQ(query.Texto("U"), "S\xC3\xA3o");
  EXPECT_EQ(query.Texto("V"), "");
}

}  // namespace
}  // namespace borvan
