#include "support/log.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/erros.h"
#include "tests/ambiente_teste.h"
#include "tests/diretorio_temporario.h"

namespace borvan {
namespace {

using teste::GravarArquivo;
using teste::LerArquivo;
using teste::TAmbienteTeste;
using teste::TDiretorioTemporario;

int DescritoresAbertos() {
  int total = 0;
  for (const auto& entrada : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entrada;
    ++total;
  }
  return total;
}

class LogTeste : public ::testing::Test {
 protected:
  LogTeste() { FAmbiente.DefinirAgora(TDataHora{2024, 3, 9, 7, 5, 9, 0}); }

  std::string CaminhoLog() const { return FDiretorio.Arquivo("BorvanService.log"); }
  std::string CaminhoArquivoMorto() const { return FDiretorio.Arquivo("BorvanService.old"); }

  TDiretorioTemporario FDiretorio;
  TAmbienteTeste FAmbiente{FDiretorio.Caminho()};
  TLog FLog;
};

TEST_F(LogTeste, LinhasTemHoraNivelTextoECrLfEmUtf8SemBom) {
  FLog.Info("Versão: 1.0.4.0");
  FAmbiente.DefinirAgora(TDataHora{2024, 3, 9, 23, 59, 0, 0});
  FLog.Warn("aviso");
  FAmbiente.DefinirAgora(TDataHora{2024, 3, 10, 0, 0, 1, 0});
  FLog.Error("falhou\nsegunda linha");

  EXPECT_EQ(LerArquivo(CaminhoLog()),
            "07:05:09 - INFO: Vers\xC3\xA3o: 1.0.4.0\r\n"
            "23:59:00 - WARN: aviso\r\n"
            "00:00:01 - ERROR: falhou\nsegunda linha\r\n");
}

TEST_F(LogTeste, HoraDoRelogioRealTemDoisDigitosPorCampo) {
  FAmbiente.DefinirAgora(std::nullopt);
  FLog.Info("x");
  const std::string conteudo = LerArquivo(CaminhoLog());
  EXPECT_TRUE(std::regex_match(conteudo, std::regex("([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] - INFO: x\r\n")))
      << conteudo;
}

TEST_F(LogTeste, AcrescentaAoArquivoExistente) {
  GravarArquivo(CaminhoLog(), "linha antiga\r\n");
  FLog.Info("nova");
  EXPECT_EQ(LerArquivo(CaminhoLog()), "linha antiga\r\n07:05:09 - INFO: nova\r\n");
}

TEST_F(LogTeste, ArquivoBloqueadoPorOutroFalhaNomeandoOArquivoEFechaODescritor) {
  FLog.Info("antes");
  const int outro = ::open(CaminhoLog().c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(outro, 0);
  ASSERT_EQ(::flock(outro, LOCK_EX | LOCK_NB), 0);

  const int abertos = DescritoresAbertos();
  try {
    FLog.Info("durante");
    ADD_FAILURE() << "a write to a locked log must fail";
  } catch (const EBorvanErro& erro) {
    EXPECT_NE(std::string(erro.what()).find(CaminhoLog()), std::string::npos) << erro.what();
  }
  EXPECT_EQ(DescritoresAbertos(), abertos);
  ::close(outro);

  FLog.Info("depois");
  EXPECT_EQ(LerArquivo(CaminhoLog()), "07:05:09 - INFO: antes\r\n07:05:09 - INFO: depois\r\n");
}

TEST_F(LogTeste, DiretorioAusenteFalhaNomeandoOArquivo) {
  TAmbienteTeste ausente(FDiretorio.Arquivo("nao-existe"));
  const std::string esperado = FDiretorio.Arquivo("nao-existe") + "/BorvanService.log";
  try {
    FLog.Info("x");
    ADD_FAILURE() << "a write into a missing directory must fail";
  } catch (const EBorvanErro& erro) {
    EXPECT_NE(std::string(erro.what()).find(esperado), std::string::npos) << erro.what();
  }
}

TEST_F(LogTeste, CaminhoCompletoNaoDependeDoDiretorioAtual) {
  const auto atual = std::filesystem::current_path();
  TDiretorioTemporario outro;
  std::filesystem::current_path(outro.Caminho());
  const std::string caminho = FLog.GetFullFileName();
  FLog.Info("x");
  std::filesystem::current_path(atual);

  EXPECT_EQ(caminho, CaminhoLog());
  EXPECT_TRUE(std::filesystem::exists(CaminhoLog()));
  EXPECT_FALSE(std::filesystem::exists(outro.Arquivo("BorvanService.log")));
}

struct TCasoRotacao {
  const char* Nome;
  size_t Tamanho;
  bool ArquivoMortoAntigo;
  bool Arquiva;
};

void PrintTo(const TCasoRotacao& ACaso, std::ostream* ASaida) { *ASaida << ACaso.Nome; }

class RotacaoTeste : public LogTeste, public ::testing::WithParamInterface<TCasoRotacao> {};

TEST_P(RotacaoTeste, ArquivaSomenteAPartirDeDoisMiB) {
  const TCasoRotacao& caso = GetParam();
  const std::string conteudo(caso.Tamanho, 'x');
  GravarArquivo(CaminhoLog(), conteudo);
  if (caso.ArquivoMortoAntigo) GravarArquivo(CaminhoArquivoMorto(), "arquivo morto antigo");

  RotacionarLog(FLog);

  if (caso.Arquiva) {
    EXPECT_FALSE(std::filesystem::exists(CaminhoLog()));
    EXPECT_EQ(LerArquivo(CaminhoArquivoMorto()), conteudo);
    // The next line starts a fresh file, without a byte-order mark.
    FLog.Info("DATA: 10/03/2024");
    EXPECT_EQ(LerArquivo(CaminhoLog()), "07:05:09 - INFO: DATA: 10/03/2024\r\n");
  } else {
    EXPECT_EQ(LerArquivo(CaminhoLog()), conteudo);
    EXPECT_EQ(std::filesystem::exists(CaminhoArquivoMorto()), caso.ArquivoMortoAntigo);
    if (caso.ArquivoMortoAntigo) {
      EXPECT_EQ(LerArquivo(CaminhoArquivoMorto()), "arquivo morto antigo");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tamanhos, RotacaoTeste,
                         ::testing::Values(TCasoRotacao{"UmByteAbaixo", 2097151, true, false},
                                           TCasoRotacao{"Pequeno", 10, false, false},
                                           TCasoRotacao{"Exato", 2097152, false, true},
                                           TCasoRotacao{"ExatoSubstituiAntigo", 2097152, true, true},
                                           TCasoRotacao{"Acima", 3000000, true, true}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Nome); });

TEST_F(LogTeste, RotacaoSemLogNaoFazNada) {
  RotacionarLog(FLog);
  EXPECT_FALSE(std::filesystem::exists(CaminhoLog()));
  EXPECT_FALSE(std::filesystem::exists(CaminhoArquivoMorto()));
}

TEST_F(LogTeste, FalhaAoCopiarNomeiaOArquivoEMantemOLog) {
  const std::string conteudo(2097152, 'x');
  GravarArquivo(CaminhoLog(), conteudo);
  // A directory in the archive's place cannot be overwritten by a file.
  std::filesystem::create_directory(CaminhoArquivoMorto());
  try {
    RotacionarLog(FLog);
    ADD_FAILURE() << "the copy must fail";
  } catch (const EBorvanErro& erro) {
    EXPECT_NE(std::string(erro.what()).find(CaminhoLog()), std::string::npos) << erro.what();
  }
  EXPECT_EQ(LerArquivo(CaminhoLog()), conteudo);
}

}  // namespace
}  // namespace borvan
