#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ambiente.h"
#include "platform/servico.h"
#include "support/erros.h"
#include "tests/diretorio_temporario.h"

namespace borvan {

namespace {

using teste::GravarArquivo;
using teste::LerArquivo;
using teste::TDiretorioTemporario;

std::vector<std::string> Linhas(const std::string& ATexto) {
  std::vector<std::string> linhas;
  std::istringstream entrada(ATexto);
  for (std::string linha; std::getline(entrada, linha);) linhas.push_back(linha);
  return linhas;
}

TConfiguracaoServico Configuracao(const std::string& AExecutavel = "/opt/borvan/BorvanService") {
  return {"BorvanSistemas", "Borvan Sistemas Ltda", "Envia dados do sistema Borvan para a nuvem.", AExecutavel};
}

// Sets an environment variable for the life of the object, then restores it.
class TVariavelAmbiente {
 public:
  TVariavelAmbiente(std::string ANome, const std::string& AValor) : FNome(std::move(ANome)) {
    if (const char* anterior = std::getenv(FNome.c_str())) FAnterior = anterior;
    ::setenv(FNome.c_str(), AValor.c_str(), 1);
  }
  ~TVariavelAmbiente() {
    if (FAnterior)
      ::setenv(FNome.c_str(), FAnterior->c_str(), 1);
    else
      ::unsetenv(FNome.c_str());
  }
  TVariavelAmbiente(const TVariavelAmbiente&) = delete;
  TVariavelAmbiente& operator=(const TVariavelAmbiente&) = delete;

 private:
  std::string FNome;
  std::optional<std::string> FAnterior;
};

// A unit directory and a stand-in systemctl that records each call's
// arguments, one line per call, and fails (exit 1, a message on standard
// error) when its first argument is AFalharEm.
class SystemdTeste : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(Unidades());
    std::filesystem::create_directory(FTemp.Arquivo("bin"));
    CriarSystemctl("");
  }

  std::string Unidades() const { return FTemp.Arquivo("unidades"); }
  std::string ArquivoUnidade() const { return Unidades() + "/BorvanSistemas.service"; }
  std::string Systemctl() const { return FTemp.Arquivo("bin/systemctl"); }
  std::string BinDir() const { return FTemp.Arquivo("bin"); }

  void CriarSystemctl(const std::string& AFalharEm) {
    GravarArquivo(Systemctl(),
                  "#!/bin/sh\n"
                  "echo \"$*\" >> '" + FTemp.Arquivo("chamadas") + "'\n"
                  "if [ \"$1\" = '" + AFalharEm + "' ]; then\n"
                  "  echo 'Failed to " + AFalharEm + ": Access denied' >&2\n"
                  "  exit 1\n"
                  "fi\n"
                  "exit 0\n");
    ASSERT_EQ(::chmod(Systemctl().c_str(), 0755), 0);
  }

  std::vector<std::string> Chamadas() const { return Linhas(LerArquivo(FTemp.Arquivo("chamadas"))); }

  // Anything but the unit file itself (a leftover temporary file).
  std::vector<std::string> OutrosArquivos() const {
    std::vector<std::string> nomes;
    for (const auto& item : std::filesystem::directory_iterator(Unidades()))
      if (item.path().filename() != "BorvanSistemas.service") nomes.push_back(item.path().filename());
    return nomes;
  }

  TDiretorioTemporario FTemp;
};

TEST(UnidadeSystemd, TextoCompletoComDescricaoAcimaDeDescription) {
  TGerenciadorSystemd gerenciador;
  std::string firebird = gerenciador.UnidadeFirebird();
  std::vector<std::string> esperado = {
      "[Unit]",
      "# Envia dados do sistema Borvan para a nuvem.",
      "Description=Borvan Sistemas Ltda",
      "Requires=" + firebird,
      "After=" + firebird,
      "",
      "[Service]",
      "Type=notify",
      "ExecStart=/opt/borvan/BorvanService",
      "User=root",
      "",
      "[Install]",
      "WantedBy=multi-user.target",
  };
  EXPECT_EQ(Linhas(gerenciador.TextoUnidade(Configuracao())), esperado);
  EXPECT_EQ(firebird.rfind("firebird", 0), 0u) << firebird;
}

TEST(UnidadeSystemd, ExecStartEscapadoComoOSystemdLe) {
  struct TCaso {
    std::string Executavel;
    std::string ExecStart;
  };
  const TCaso casos[] = {
      {"/opt/borvan/BorvanService", "ExecStart=/opt/borvan/BorvanService"},
      {"/opt/Borvan Sistemas/BorvanService", "ExecStart=\"/opt/Borvan Sistemas/BorvanService\""},
      {"/opt/a;b/BorvanService", "ExecStart=\"/opt/a;b/BorvanService\""},
      // "%" would be taken for a specifier, even inside quotes.
      {"/opt/100%/BorvanService", "ExecStart=/opt/100%%/BorvanService"},
      {"/opt/100% a/BorvanService", "ExecStart=\"/opt/100%% a/BorvanService\""},
      {"/opt/serviço/BorvanService", "ExecStart=/opt/serviço/BorvanService"},
  };
  TGerenciadorSystemd gerenciador;
  for (const TCaso& caso : casos) {
    std::vector<std::string> linhas = Linhas(gerenciador.TextoUnidade(Configuracao(caso.Executavel)));
    EXPECT_EQ(std::count(linhas.begin(), linhas.end(), caso.ExecStart), 1) << caso.Executavel;
  }
}

TEST(UnidadeSystemd, ExecutavelQueAUnidadeNaoComportaEhRecusado) {
  TGerenciadorSystemd gerenciador;
  for (const char* executavel : {"BorvanService", "", "opt/borvan/BorvanService", "/opt/a\nExecStartPre=/bin/x",
                                 "/opt/$HOME/BorvanService", "/opt/a\tb/BorvanService", "/opt/a\"b/BorvanService",
                                 "/opt/o'neil/BorvanService", "/opt/a\\b/BorvanService"}) {
    EXPECT_THROW(gerenciador.TextoUnidade(Configuracao(executavel)), EBorvanErro) << executavel;
  }
}

// systemd's own parser: the unit loads, and ExecStart= names the very file
// (verify fails when the executable it read does not exist).
TEST(UnidadeSystemd, OSystemdAceitaAUnidade) {
  if (!ArquivoExiste("/usr/bin/systemd-analyze")) GTEST_SKIP() << "systemd-analyze not installed";
  TDiretorioTemporario temp;
  std::string pasta = temp.Arquivo("Borvan Sistemas 100%");
  std::filesystem::create_directory(pasta);
  std::string executavel = pasta + "/BorvanService";
  std::filesystem::copy_file("/bin/true", executavel);
  TGerenciadorSystemd gerenciador;
  std::string unidade = temp.Arquivo("BorvanSistemas.service");
  GravarArquivo(unidade, gerenciador.TextoUnidade(Configuracao(executavel)));

  std::string comando = "systemd-analyze verify '" + unidade + "' 2>&1";
  FILE* processo = ::popen(comando.c_str(), "r");
  ASSERT_NE(processo, nullptr);
  std::string mensagens;
  char bloco[512];
  while (size_t lidos = std::fread(bloco, 1, sizeof(bloco), processo)) mensagens.append(bloco, lidos);
  int estado = ::pclose(processo);
  EXPECT_EQ(estado, 0) << mensagens;
  EXPECT_EQ(mensagens.find("BorvanSistemas.service:"), std::string::npos) << mensagens;
}

TEST(UnidadeSystemd, EscolheAUnidadeFirebirdInstalada) {
  TDiretorioTemporario temp;
  auto diretorio = [&](const std::string& ANome, const std::vector<std::string>& AUnidades) {
    std::string caminho = temp.Arquivo(ANome);
    std::filesystem::create_directory(caminho);
    for (const std::string& unidade : AUnidades) GravarArquivo(caminho + "/" + unidade, "[Unit]\n");
    return caminho;
  };
  std::string vazio = diretorio("vazio", {});
  std::string so4 = diretorio("so4", {"firebird4.0.service"});
  std::string com3 = diretorio("com3", {"firebird3.0.service", "firebird5.0.service"});
  std::string genericos = diretorio("genericos", {"firebird-classic.service", "firebird.service"});
  std::string estranho = diretorio("estranho", {"firebird9.9.service", "firebird3.0.service.d"});
  std::filesystem::remove(estranho + "/firebird3.0.service.d");
  std::filesystem::create_directory(estranho + "/firebird3.0.service.d");

  struct TCaso {
    std::vector<std::string> Diretorios;
    std::string Esperada;
  };
  const TCaso casos[] = {
      {{}, "firebird3.0.service"},
      {{vazio}, "firebird3.0.service"},
      {{vazio, so4}, "firebird4.0.service"},
      // The preferred name wins over the order of the directories.
      {{so4, com3}, "firebird3.0.service"},
      {{genericos}, "firebird.service"},
      {{estranho, genericos}, "firebird.service"},
      {{estranho}, "firebird3.0.service"},
      {{temp.Arquivo("nao-existe"), so4}, "firebird4.0.service"},
  };
  for (const TCaso& caso : casos) {
    std::string diretorios;
    for (const std::string& d : caso.Diretorios) diretorios += d + " ";
    EXPECT_EQ(EscolherUnidadeFirebird(caso.Diretorios), caso.Esperada) << diretorios;
  }
}

TEST_F(SystemdTeste, InstalarGravaAUnidadeERecarregaEHabilita) {
  // A stale unit from an earlier installation is replaced.
  GravarArquivo(ArquivoUnidade(), "[Service]\nExecStart=/antigo/BorvanService\n");
  TGerenciadorSystemd gerenciador(Unidades(), Systemctl());

  gerenciador.Instalar(Configuracao());

  EXPECT_EQ(LerArquivo(ArquivoUnidade()), gerenciador.TextoUnidade(Configuracao()));
  EXPECT_EQ(Chamadas(), (std::vector<std::string>{"daemon-reload", "enable BorvanSistemas.service"}));
  EXPECT_TRUE(OutrosArquivos().empty());
  struct stat estado {};
  ASSERT_EQ(::stat(ArquivoUnidade().c_str(), &estado), 0);
  EXPECT_EQ(estado.st_mode & 0777, 0644u);
}

TEST_F(SystemdTeste, InstalarFalhaNoPassoDoSystemctl) {
  struct TCaso {
    std::string FalharEm;
    std::vector<std::string> Chamadas;
    std::string Comando;
  };
  const TCaso casos[] = {
      {"daemon-reload", {"daemon-reload"}, "daemon-reload"},
      {"enable", {"daemon-reload", "enable BorvanSistemas.service"}, "enable BorvanSistemas.service"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.FalharEm);
    std::filesystem::remove(FTemp.Arquivo("chamadas"));
    CriarSystemctl(caso.FalharEm);
    TGerenciadorSystemd gerenciador(Unidades(), Systemctl());
    try {
      gerenciador.Instalar(Configuracao());
      ADD_FAILURE() << "Instalar did not throw";
    } catch (const EBorvanErro& AErro) {
      std::string mensagem = AErro.what();
      EXPECT_NE(mensagem.find(caso.Comando), std::string::npos) << mensagem;
      EXPECT_NE(mensagem.find("código de saída 1"), std::string::npos) << mensagem;
      EXPECT_NE(mensagem.find("Failed to " + caso.FalharEm + ": Access denied"), std::string::npos) << mensagem;
    }
    EXPECT_EQ(Chamadas(), caso.Chamadas);
  }
}

TEST_F(SystemdTeste, SystemctlQueNaoExecutaEhUmErro) {
  for (std::string comando : {FTemp.Arquivo("bin/nao-existe"), std::string("borvan-comando-que-nao-existe")}) {
    TGerenciadorSystemd gerenciador(Unidades(), comando);
    try {
      gerenciador.Instalar(Configuracao());
      ADD_FAILURE() << "Instalar did not throw with " << comando;
    } catch (const EBorvanErro& AErro) {
      EXPECT_NE(std::string(AErro.what()).find("Não foi possível executar " + comando), std::string::npos)
          << AErro.what();
    }
  }
  // Not executable: found, but exec fails.
  ASSERT_EQ(::chmod(Systemctl().c_str(), 0644), 0);
  TGerenciadorSystemd gerenciador(Unidades(), Systemctl());
  EXPECT_THROW(gerenciador.Instalar(Configuracao()), EBorvanErro);
}

TEST_F(SystemdTeste, SystemctlSemBarraEhProcuradoNoPath) {
  TVariavelAmbiente path("PATH", BinDir() + ":/usr/bin:/bin");
  TGerenciadorSystemd gerenciador(Unidades(), "systemctl");

  gerenciador.Instalar(Configuracao());
  gerenciador.Desinstalar("BorvanSistemas");

  EXPECT_EQ(Chamadas(), (std::vector<std::string>{"daemon-reload", "enable BorvanSistemas.service",
                                                  "disable BorvanSistemas.service", "daemon-reload"}));
}

TEST_F(SystemdTeste, DesinstalarDesabilitaRemoveERecarrega) {
  GravarArquivo(ArquivoUnidade(), "[Unit]\n");
  TGerenciadorSystemd gerenciador(Unidades(), Systemctl());

  gerenciador.Desinstalar("BorvanSistemas");

  EXPECT_FALSE(ArquivoExiste(ArquivoUnidade()));
  EXPECT_EQ(Chamadas(), (std::vector<std::string>{"disable BorvanSistemas.service", "daemon-reload"}));
}

TEST_F(SystemdTeste, DesinstalarSemUnidadeNaoChamaOSystemctl) {
  TGerenciadorSystemd gerenciador(Unidades(), Systemctl());
  try {
    gerenciador.Desinstalar("BorvanSistemas");
    ADD_FAILURE() << "Desinstalar did not throw";
  } catch (const EBorvanErro& AErro) {
    EXPECT_NE(std::string(AErro.what()).find("não está instalado"), std::string::npos) << AErro.what();
  }
  EXPECT_TRUE(Chamadas().empty());
}

TEST_F(SystemdTeste, DesinstalarQueNaoDesabilitaMantemAUnidade) {
  // Removing the file anyway would leave the target's link to it dangling.
  GravarArquivo(ArquivoUnidade(), "[Unit]\n");
  CriarSystemctl("disable");
  TGerenciadorSystemd gerenciador(Unidades(), Systemctl());

  EXPECT_THROW(gerenciador.Desinstalar("BorvanSistemas"), EBorvanErro);

  EXPECT_TRUE(ArquivoExiste(ArquivoUnidade()));
  EXPECT_EQ(Chamadas(), (std::vector<std::string>{"disable BorvanSistemas.service"}));
}

TEST_F(SystemdTeste, NomeQueSairiaDoDiretorioEhRecusado) {
  TGerenciadorSystemd gerenciador(Unidades(), Systemctl());
  for (const char* nome : {"", "../BorvanSistemas", "a/b", ".."}) {
    TConfiguracaoServico configuracao = Configuracao();
    configuracao.Nome = nome;
    EXPECT_THROW(gerenciador.Instalar(configuracao), EBorvanErro) << nome;
    EXPECT_THROW(gerenciador.Desinstalar(nome), EBorvanErro) << nome;
  }
  EXPECT_TRUE(Chamadas().empty());
  EXPECT_FALSE(ArquivoExiste(FTemp.Arquivo("BorvanSistemas.service")));
}

// Receives what the service sends to systemd's notification socket.
class TSocketNotificacao {
 public:
  explicit TSocketNotificacao(const std::string& ACaminho) {
    FFd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un endereco{};
    endereco.sun_family = AF_UNIX;
    ACaminho.copy(endereco.sun_path, sizeof(endereco.sun_path) - 1);
    if (FFd < 0 || ::bind(FFd, reinterpret_cast<sockaddr*>(&endereco), sizeof(endereco)) != 0)
      throw std::runtime_error("notification socket");
    timeval espera{2, 0};
    ::setsockopt(FFd, SOL_SOCKET, SO_RCVTIMEO, &espera, sizeof(espera));
  }
  ~TSocketNotificacao() { ::close(FFd); }
  TSocketNotificacao(const TSocketNotificacao&) = delete;
  TSocketNotificacao& operator=(const TSocketNotificacao&) = delete;

  std::string Receber() {
    char dados[4096];
    ssize_t lidos = ::recv(FFd, dados, sizeof(dados), 0);
    return lidos < 0 ? "<nada>" : std::string(dados, static_cast<size_t>(lidos));
  }

 private:
  int FFd = -1;
};

TEST(NotificacaoSystemd, MensagensChegamAoSystemdNumaLinhaCada) {
  TDiretorioTemporario temp;
  std::string caminho = temp.Arquivo("notify");
  TSocketNotificacao socket(caminho);
  TVariavelAmbiente notify("NOTIFY_SOCKET", caminho);
  TGerenciadorSystemd gerenciador;

  gerenciador.NotificarPronto();
  EXPECT_EQ(socket.Receber(), "READY=1");
  gerenciador.NotificarStatus("Sincronizando Quenda");
  EXPECT_EQ(socket.Receber(), "STATUS=Sincronizando Quenda");
  // An error text from a cloud must not smuggle in another assignment.
  gerenciador.NotificarStatus("{\"erro\":\"x\"}\nSTOPPING=1\r\nREADY=1");
  EXPECT_EQ(socket.Receber(), "STATUS={\"erro\":\"x\"} STOPPING=1  READY=1");
  gerenciador.NotificarParando();
  EXPECT_EQ(socket.Receber(), "STOPPING=1");
}

TEST(NotificacaoSystemd, ForaDoSystemdNadaAcontece) {
  TVariavelAmbiente notify("NOTIFY_SOCKET", "");
  ::unsetenv("NOTIFY_SOCKET");
  TGerenciadorSystemd gerenciador;
  EXPECT_NO_THROW({
    gerenciador.NotificarPronto();
    gerenciador.NotificarStatus("parado");
    gerenciador.NotificarParando();
  });
}

}  // namespace
}  // namespace borvan
