#include <gtest/gtest.h>

#include <optional>

#include "db/conexao.h"
#include "support/erros.h"
#include "tests/diretorio_temporario.h"

namespace borvan {
namespace {

using teste::GravarArquivo;
using teste::TDiretorioTemporario;

struct TCasoDefinicao {
  const char* Nome;
  std::optional<std::string> Conteudo;  // no file when absent
  // Expected definition, or the texts the error must mention besides the
  // file path.
  TDefinicaoConexao Esperada;
  std::vector<std::string> Erro;
};

const TCasoDefinicao KCasos[] = {
    {"Completa",
     "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=/var/lib/firebird/3.0/data/borvan.fdb\n"
     "CharacterSet=WIN1252\n",
     {"FB", "localhost", "/var/lib/firebird/3.0/data/borvan.fdb", "WIN1252"},
     {}},
    {"CrLfBrancosComentariosECaixa",
     "\xEF\xBB\xBF; definitions\r\n# other comment\r\n[Outra]\r\nServer=errado\r\n\r\n"
     "  [ borvan ]  \r\n  driverid = FB \r\n;Server=comentado\r\nSERVER= srv01/3051 \r\n"
     "database = C:\\Dados\\BORVAN.FDB\r\n[Depois]\r\nCharacterSet=WIN1252\r\n",
     {"FB", "srv01/3051", "C:\\Dados\\BORVAN.FDB", "UTF8"},
     {}},
    {"PrimeiraOcorrenciaVale",
     "[Borvan]\nDriverID=FB\nServer=primeiro\nServer=segundo\nDatabase=/x.fdb\nCharacterSet=\n",
     {"FB", "primeiro", "/x.fdb", "UTF8"},
     {}},
    {"ArquivoAusente", std::nullopt, {}, {"not found"}},
    {"SecaoAusente", "[Outra]\nDriverID=FB\nServer=h\nDatabase=/x.fdb\n", {}, {"[Borvan]"}},
    {"SemDriverID", "[Borvan]\nServer=h\nDatabase=/x.fdb\n", {}, {"[Borvan]", "DriverID"}},
    {"SemServer", "[Borvan]\nDriverID=FB\nDatabase=/x.fdb\n", {}, {"[Borvan]", "Server"}},
    {"ServerVazio", "[Borvan]\nDriverID=FB\nServer=\nDatabase=/x.fdb\n", {}, {"Server"}},
    {"SemDatabase", "[Borvan]\nDriverID=FB\nServer=h\n", {}, {"[Borvan]", "Database"}},
    {"ChaveSoEmOutraSecao", "[Borvan]\nDriverID=FB\nServer=h\n[X]\nDatabase=/x.fdb\n", {},
     {"Database"}},
    {"OutroDriver", "[Borvan]\nDriverID=MSSQL\nServer=h\nDatabase=/x.fdb\n", {},
     {"MSSQL", "FB"}},
};

void PrintTo(const TCasoDefinicao& ACaso, std::ostream* ASaida) { *ASaida << ACaso.Nome; }

class TLerDefinicao : public testing::TestWithParam<TCasoDefinicao> {};

TEST_P(TLerDefinicao, LeOuExplicaOQueFalta) {
  const TCasoDefinicao& caso = GetParam();
  TDiretorioTemporario diretorio;
  const std::string arquivo = diretorio.Arquivo("ConnectionDefs.ini");
  if (caso.Conteudo) GravarArquivo(arquivo, *caso.Conteudo);

  if (caso.Erro.empty()) {
    const TDefinicaoConexao lida = TDefinicaoConexao::Ler(arquivo, "Borvan");
    EXPECT_EQ(lida.DriverID, caso.Esperada.DriverID);
    EXPECT_EQ(lida.Server, caso.Esperada.Server);
    EXPECT_EQ(lida.Database, caso.Esperada.Database);
    EXPECT_EQ(lida.CharacterSet, caso.Esperada.CharacterSet);
    EXPECT_EQ(lida.TextoConexao(), caso.Esperada.Server + ":" + caso.Esperada.Database);
    return;
  }
  try {
    TDefinicaoConexao::Ler(arquivo, "Borvan");
    FAIL() << "no error";
  } catch (const EBorvanErro& e) {
    const std::string mensagem = e.what();
    EXPECT_NE(mensagem.find(arquivo), std::string::npos) << mensagem;
    for (const std::string& parte : caso.Erro) {
      EXPECT_NE(mensagem.find(parte), std::string::npos) << mensagem << " lacks " << parte;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, TLerDefinicao, testing::ValuesIn(KCasos),
                         [](const auto& AInfo) { return std::string(AInfo.param.Nome); });

// The definition is configured outside the program and may change while the
// service runs: every use reads the file again.
TEST(TConexaoServidor, LeODefinicaoACadaVez) {
  TDiretorioTemporario diretorio;
  const std::string arquivo = diretorio.Arquivo("ConnectionDefs.ini");
  TConexao conexao(arquivo, "Borvan", "sysdba", "quillfern");
  EXPECT_THROW(conexao.Servidor(), EBorvanErro);

  GravarArquivo(arquivo, "[Borvan]\nDriverID=FB\nServer=SRV-Loja\nDatabase=/x.fdb\n");
  EXPECT_EQ(conexao.Servidor(), "SRV-Loja");
  GravarArquivo(arquivo, "[Borvan]\nDriverID=FB\nServer=outro/3051\nDatabase=/x.fdb\n");
  EXPECT_EQ(conexao.Servidor(), "outro/3051");
  EXPECT_FALSE(conexao.Aberta());
}

}  // namespace
}  // namespace borvan
