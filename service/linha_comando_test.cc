#include "service/linha_comando.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/erros.h"
#include "tests/diretorio_temporario.h"

namespace borvan {
namespace {

using teste::GravarArquivo;
using teste::LerArquivo;
using teste::TDiretorioTemporario;

TEST(LinhaComando, ChavesReconhecidas) {
  struct TCaso {
    std::vector<const char*> Argumentos;
    TAcaoLinhaComando Acao;
    bool Silencioso;
  };
  using A = TAcaoLinhaComando;
  const TCaso casos[] = {
      {{}, A::Executar, false},
      {{"/install"}, A::Instalar, false},
      {{"-INSTALL"}, A::Instalar, false},
      {{"/Install", "/SILENT"}, A::Instalar, true},
      {{"-SiLeNt", "-install"}, A::Instalar, true},
      {{"-uninstall"}, A::Desinstalar, false},
      {{"/uninstall", "-silent"}, A::Desinstalar, true},
      {{"/UNINSTALL", "-Silent"}, A::Desinstalar, true},
      {{"/install", "/uninstall"}, A::Instalar, false},
      // Without a switch character it is not a switch.
      {{"install"}, A::Executar, false},
      {{"uninstall", "silent"}, A::Executar, false},
      {{"/foo"}, A::Executar, false},
      {{"--install"}, A::Executar, false},
      {{"/installer"}, A::Executar, false},
      {{"/instal"}, A::Executar, false},
      {{"/", "-"}, A::Executar, false},
      {{"/silent"}, A::Executar, true},
      {{"qualquer", "/install", "coisa"}, A::Instalar, false},
  };
  for (const TCaso& caso : casos) {
    std::vector<const char*> argv{"/opt/borvan/BorvanService"};
    argv.insert(argv.end(), caso.Argumentos.begin(), caso.Argumentos.end());
    std::string texto;
    for (const char* argumento : caso.Argumentos) texto += std::string(argumento) + " ";
    TLinhaComando linha = InterpretarLinhaComando(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(linha.Acao, caso.Acao) << texto;
    EXPECT_EQ(linha.Silencioso, caso.Silencioso) << texto;
  }
}

// Records the requests; fails them with AFalha when it is not empty.
class TGerenciadorFalso : public TGerenciadorServico {
 public:
  void Instalar(const TConfiguracaoServico& AConfiguracao) override {
    Instalados.push_back(AConfiguracao);
    if (!Falha.empty()) throw EBorvanErro(Falha);
  }
  void Desinstalar(const std::string& ANome) override {
    Desinstalados.push_back(ANome);
    if (!Falha.empty()) throw EBorvanErro(Falha);
  }
  void NotificarPronto() override {}
  void NotificarParando() override {}
  void NotificarStatus(const std::string&) override {}

  std::string Falha;
  std::vector<TConfiguracaoServico> Instalados;
  std::vector<std::string> Desinstalados;
};

TEST(ExecutarInstalacao, InstalaComAsConfiguracoesDoServico) {
  TGerenciadorFalso gerenciador;
  std::ostringstream saida, erro;

  int codigo = ExecutarInstalacao({TAcaoLinhaComando::Instalar, false}, gerenciador, "/opt/borvan/BorvanService",
                                  saida, erro);

  EXPECT_EQ(codigo, 0);
  ASSERT_EQ(gerenciador.Instalados.size(), 1u);
  const TConfiguracaoServico& configuracao = gerenciador.Instalados[0];
  EXPECT_EQ(configuracao.Nome, "BorvanSistemas");
  EXPECT_EQ(configuracao.NomeExibicao, "Borvan Sistemas Ltda");
  EXPECT_EQ(configuracao.Descricao, "Envia dados do sistema Borvan para a nuvem.");
  EXPECT_EQ(configuracao.Executavel, "/opt/borvan/BorvanService");
  EXPECT_TRUE(gerenciador.Desinstalados.empty());
  EXPECT_EQ(saida.str(), "Serviço BorvanSistemas instalado.\n");
  EXPECT_EQ(erro.str(), "");
}

TEST(ExecutarInstalacao, SaidaSegundoAcaoSilencioEFalha) {
  struct TCaso {
    TLinhaComando Linha;
    std::string Falha;
    int Codigo;
    std::string Saida;
    std::string Erro;
  };
  using A = TAcaoLinhaComando;
  const TCaso casos[] = {
      {{A::Instalar, true}, "", 0, "", ""},
      {{A::Desinstalar, false}, "", 0, "Serviço BorvanSistemas removido.\n", ""},
      {{A::Desinstalar, true}, "", 0, "", ""},
      // Failures are shown even when silent.
      {{A::Instalar, false}, "sem permissão", 1, "", "Erro ao instalar o serviço BorvanSistemas: sem permissão\n"},
      {{A::Instalar, true}, "sem permissão", 1, "", "Erro ao instalar o serviço BorvanSistemas: sem permissão\n"},
      {{A::Desinstalar, true}, "não instalado", 1, "",
       "Erro ao remover o serviço BorvanSistemas: não instalado\n"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(std::to_string(static_cast<int>(caso.Linha.Acao)) + (caso.Linha.Silencioso ? " silent " : " ") +
                 caso.Falha);
    TGerenciadorFalso gerenciador;
    gerenciador.Falha = caso.Falha;
    std::ostringstream saida, erro;

    int codigo = ExecutarInstalacao(caso.Linha, gerenciador, "/opt/borvan/BorvanService", saida, erro);

    EXPECT_EQ(codigo, caso.Codigo);
    EXPECT_EQ(saida.str(), caso.Saida);
    EXPECT_EQ(erro.str(), caso.Erro);
    if (caso.Linha.Acao == A::Desinstalar) {
      EXPECT_EQ(gerenciador.Desinstalados, std::vector<std::string>{"BorvanSistemas"});
      EXPECT_TRUE(gerenciador.Instalados.empty());
    } else {
      EXPECT_EQ(gerenciador.Instalados.size(), 1u);
      EXPECT_TRUE(gerenciador.Desinstalados.empty());
    }
  }
}

TEST(ExecutarInstalacao, SystemctlQueFalhaDaCodigoDeErro) {
  TDiretorioTemporario temp;
  std::string systemctl = temp.Arquivo("systemctl");
  GravarArquivo(systemctl, "#!/bin/sh\necho \"$*\" >> '" + temp.Arquivo("chamadas") +
                               "'\necho 'Failed to connect to bus' >&2\nexit 1\n");
  ASSERT_EQ(::chmod(systemctl.c_str(), 0755), 0);
  TGerenciadorSystemd gerenciador(temp.Caminho(), systemctl);
  std::ostringstream saida, erro;

  int codigo = ExecutarInstalacao({TAcaoLinhaComando::Instalar, false}, gerenciador, "/opt/borvan/BorvanService",
                                  saida, erro);

  EXPECT_NE(codigo, 0);
  EXPECT_EQ(saida.str(), "");
  EXPECT_EQ(erro.str().rfind("Erro ao instalar o serviço BorvanSistemas: ", 0), 0u) << erro.str();
  EXPECT_NE(erro.str().find("daemon-reload"), std::string::npos) << erro.str();
  EXPECT_NE(erro.str().find("Failed to connect to bus"), std::string::npos) << erro.str();
  EXPECT_EQ(LerArquivo(temp.Arquivo("chamadas")), "daemon-reload\n");
}

}  // namespace
}  // namespace borvan
