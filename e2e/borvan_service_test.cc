// The built executable, run as the service manager runs it: a child process
// started without arguments from a directory of its own that holds
// ConnectionDefs.ini and the developer marker, talking to a throw-away
// database and to a stand-in cloud on the development ports.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/banco_teste.h"
#include "tests/diretorio_temporario.h"
#include "tests/nuvem_teste.h"

extern char** environ;

namespace borvan::teste {
namespace {

using namespace std::chrono_literals;
using TRelogio = std::chrono::steady_clock;

const std::string KHifens(80, '-');

// "saiu com 0", "morto pelo sinal 15".
std::string DescreverStatus(int AStatus) {
  if (WIFEXITED(AStatus)) return "saiu com " + std::to_string(WEXITSTATUS(AStatus));
  if (WIFSIGNALED(AStatus)) return "morto pelo sinal " + std::to_string(WTERMSIG(AStatus));
  return "status " + std::to_string(AStatus);
}

bool SaiuCom(const std::optional<int>& AStatus, int ACodigo) {
  return AStatus && WIFEXITED(*AStatus) && WEXITSTATUS(*AStatus) == ACodigo;
}

// A child process; one still running at destruction is killed and reaped.
class TProcessoFilho {
 public:
  // Runs AArgumentos[0] (searched on PATH when it has no slash) with the
  // test's environment, less what would steer the child (BORVAN_CICLOS, a
  // systemd notification socket), plus AAmbiente ("NOME=valor"). Standard
  // output and error go to the files ASaida and AErros.
  TProcessoFilho(const std::vector<std::string>& AArgumentos, const std::vector<std::string>& AAmbiente,
                 const std::string& ASaida, const std::string& AErros) {
    std::vector<std::string> ambiente;
    auto sobreposta = [&AAmbiente](const std::string& AVariavel) {
      std::string nome = AVariavel.substr(0, AVariavel.find('='));
      if (nome == "BORVAN_CICLOS" || nome == "NOTIFY_SOCKET") return true;
      return std::any_of(AAmbiente.begin(), AAmbiente.end(),
                         [&nome](const std::string& AOutra) { return AOutra.rfind(nome + "=", 0) == 0; });
    };
    for (char** variavel = environ; *variavel != nullptr; ++variavel)
      if (!sobreposta(*variavel)) ambiente.emplace_back(*variavel);
    ambiente.insert(ambiente.end(), AAmbiente.begin(), AAmbiente.end());

    std::vector<char*> argv, envp;
    for (const auto& texto : AArgumentos) argv.push_back(const_cast<char*>(texto.c_str()));
    argv.push_back(nullptr);
    for (const auto& texto : ambiente) envp.push_back(const_cast<char*>(texto.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t acoes;
    posix_spawn_file_actions_init(&acoes);
    posix_spawn_file_actions_addopen(&acoes, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&acoes, 1, ASaida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&acoes, 2, AErros.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int erro = posix_spawnp(&FPid, argv[0], &acoes, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&acoes);
    if (erro != 0) throw std::runtime_error(AArgumentos[0] + ": posix_spawn: " + std::strerror(erro));
  }
  ~TProcessoFilho() {
    if (FStatus) return;
    ::kill(FPid, SIGKILL);
    int status = 0;
    ::waitpid(FPid, &status, 0);
  }
  TProcessoFilho(const TProcessoFilho&) = delete;
  TProcessoFilho& operator=(const TProcessoFilho&) = delete;

  void Sinalizar(int ASinal) const { ::kill(FPid, ASinal); }

  // The wait status once the child has ended within ATempo; empty while it
  // still runs.
  std::optional<int> AguardarFim(std::chrono::milliseconds ATempo) {
    auto limite = TRelogio::now() + ATempo;
    while (!FStatus) {
      int status = 0;
      if (::waitpid(FPid, &status, WNOHANG) == FPid) {
        FStatus = status;
        break;
      }
      if (TRelogio::now() >= limite) break;
      std::this_thread::sleep_for(20ms);
    }
    return FStatus;
  }
  bool Rodando() { return !AguardarFim(0ms); }

 private:
  pid_t FPid = -1;
  std::optional<int> FStatus;
};

// Polls ACondicao until it holds, the time runs out or AProcesso ends
// (checked once more after the end, so a last write is not missed).
template <class TCondicao>
bool Aguardar(TCondicao ACondicao, TProcessoFilho& AProcesso, std::chrono::milliseconds ATempo) {
  auto limite = TRelogio::now() + ATempo;
  for (;;) {
    if (ACondicao()) return true;
    if (!AProcesso.Rodando()) return ACondicao();
    if (TRelogio::now() >= limite) return false;
    std::this_thread::sleep_for(50ms);
  }
}

// The development ports are fixed and tests of several build directories
// may run at once: the in-process stand-in takes these same locks itself,
// a local cloud run as a child is covered by this.
class TTravaPortasNuvem {
 public:
  TTravaPortasNuvem() {
    for (int porta : {8090, 8091}) {
      std::string caminho = "/tmp/borvan-nuvem-teste-" + std::to_string(porta) + ".lock";
      int descritor = ::open(caminho.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
      if (descritor < 0) throw std::runtime_error("cannot open " + caminho);
      FDescritores.push_back(descritor);
      int tentativa = 0;
      while (::flock(descritor, LOCK_EX | LOCK_NB) != 0) {
        if (++tentativa > 1200) throw std::runtime_error("port " + std::to_string(porta) + " stays locked");
        std::this_thread::sleep_for(50ms);
      }
    }
  }
  ~TTravaPortasNuvem() {
    for (int descritor : FDescritores) ::close(descritor);
  }
  TTravaPortasNuvem(const TTravaPortasNuvem&) = delete;
  TTravaPortasNuvem& operator=(const TTravaPortasNuvem&) = delete;

 private:
  std::vector<int> FDescritores;
};

// NuvemLocal on 8090/8091, recording every body it accepts as JSON lines.
class TNuvemLocalFilho {
 public:
  // A program outside these tests may hold the ports for a while: binding
  // is retried for up to 30 s.
  explicit TNuvemLocalFilho(const TDiretorioTemporario& ADiretorio)
      : FPedidos(ADiretorio.Arquivo("nuvem.log")),
        FJsonl(ADiretorio.Arquivo("nuvem.jsonl")),
        FErros(ADiretorio.Arquivo("nuvem.err")) {
    auto limite = TRelogio::now() + 30s;
    for (;;) {
      FProcesso = std::make_unique<TProcessoFilho>(std::vector<std::string>{NUVEM_LOCAL_EXECUTAVEL, "--jsonl", FJsonl},
                                                   std::vector<std::string>{}, FPedidos, FErros);
      bool pronta = Aguardar([this] { return Pedidos().find("Lumio: http://") != std::string::npos; },
                             *FProcesso, 10s);
      if (pronta && FProcesso->Rodando()) return;
      if (FProcesso->Rodando() || TRelogio::now() >= limite)
        throw std::runtime_error("NuvemLocal did not start: " + Pedidos() + LerArquivo(FErros));
      std::this_thread::sleep_for(500ms);
    }
  }
  ~TNuvemLocalFilho() {
    FProcesso->Sinalizar(SIGTERM);
    FProcesso->AguardarFim(5s);
  }
  TNuvemLocalFilho(const TNuvemLocalFilho&) = delete;
  TNuvemLocalFilho& operator=(const TNuvemLocalFilho&) = delete;

  // One line per request: "Lumio GET clientes/maxCodAtualizacao empresa=..".
  std::string Pedidos() const { return LerArquivo(FPedidos); }
  std::vector<std::string> Jsonl() const {
    std::vector<std::string> linhas;
    std::string texto = LerArquivo(FJsonl);
    size_t inicio = 0;
    for (size_t fim; (fim = texto.find('\n', inicio)) != std::string::npos; inicio = fim + 1)
      linhas.push_back(texto.substr(inicio, fim - inicio));
    return linhas;
  }

 private:
  TTravaPortasNuvem FTrava;  // first: released after the cloud has stopped
  std::string FPedidos;
  std::string FJsonl;
  std::string FErros;
  std::unique_ptr<TProcessoFilho> FProcesso;
};

// The in-process stand-in on a development port, with the same patience.
std::unique_ptr<TNuvemTeste> NuvemTesteNaPorta(int APorta) {
  auto limite = TRelogio::now() + 30s;
  for (;;) {
    try {
      return std::make_unique<TNuvemTeste>(APorta);
    } catch (const std::runtime_error&) {
      if (TRelogio::now() >= limite) throw;
    }
    std::this_thread::sleep_for(500ms);
  }
}

size_t Ocorrencias(const std::string& ATexto, const std::string& AParte) {
  size_t quantidade = 0;
  for (size_t pos = ATexto.find(AParte); pos != std::string::npos; pos = ATexto.find(AParte, pos + 1))
    ++quantidade;
  return quantidade;
}

// Today in the log's short date form.
std::string DataDeHoje() {
  std::time_t agora = std::time(nullptr);
  std::tm local{};
  localtime_r(&agora, &local);
  char texto[16];
  std::strftime(texto, sizeof texto, "%d/%m/%Y", &local);
  return texto;
}

// The machine name as the service reports it.
std::string NomeComputador() {
  char nome[256] = {};
  gethostname(nome, sizeof nome - 1);
  std::string texto = nome;
  return texto.substr(0, std::min(texto.find('.'), size_t{15}));
}

class BorvanServiceExecutavel : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(BORVAN_EXECUTAVEL, FDiretorio.Arquivo("BorvanService"));
    GravarArquivo(FDiretorio.Arquivo("Eh.Programador"), "");
    // For sanitizer builds: libfbclient keeps its login numbers and
    // converters for the life of the process; nothing else is excused.
    GravarArquivo(FDiretorio.Arquivo("lsan.supp"), "leak:libtommath.so\nleak:iconv_open\n");
  }

  // Just what the start sequence reads.
  void CriarTabelasEmpresas() {
    FBanco.Executar("create table QUENDA (EMPRESA smallint not null primary key, GRUPO_ID varchar(40), "
                    "EMPRESA_ID varchar(40))");
    FBanco.Executar("create table LUMIO (EMPRESA smallint not null primary key, EMPRESA_ID varchar(40))");
  }

  // Every table of the back office that the passes read, empty, with the
  // triggers that stamp COD_ATUALIZACAO.
  void CarregarEsquema() {
    TProcessoFilho isql({"isql-fb", "-q", "-bail", "-ch", "UTF8", FBanco.TextoConexao(), "-i",
                         BORVAN_ESQUEMA_EXEMPLO},
                        {"ISC_USER=SYSDBA", "ISC_PASSWORD=quillfern"}, FDiretorio.Arquivo("isql.out"),
                        FDiretorio.Arquivo("isql.err"));
    auto status = isql.AguardarFim(60s);
    std::string saida = LerArquivo(FDiretorio.Arquivo("isql.out")) + LerArquivo(FDiretorio.Arquivo("isql.err"));
    ASSERT_TRUE(SaiuCom(status, 0)) << saida;
    ASSERT_EQ(saida.find("Statement failed"), std::string::npos) << saida;
  }

  void InscreverEmpresa(int AEmpresa, const std::string& AQuenda, const std::string& ALumio) {
    if (!AQuenda.empty())
      FBanco.Executar("insert into QUENDA (EMPRESA, GRUPO_ID, EMPRESA_ID) values (" + std::to_string(AEmpresa) +
                      ", 'grupo-e2e', '" + AQuenda + "')");
    if (!ALumio.empty())
      FBanco.Executar("insert into LUMIO (EMPRESA, EMPRESA_ID) values (" + std::to_string(AEmpresa) + ", '" +
                      ALumio + "')");
  }

  void GravarDefinicao(const std::string& AServidor = "localhost") {
    FBanco.GravarDefinicao(FDiretorio.Arquivo("ConnectionDefs.ini"), AServidor);
  }

  std::unique_ptr<TProcessoFilho> IniciarServico(std::vector<std::string> AAmbiente = {}) {
    AAmbiente.push_back("LSAN_OPTIONS=suppressions=" + FDiretorio.Arquivo("lsan.supp"));
    return std::make_unique<TProcessoFilho>(std::vector<std::string>{FDiretorio.Arquivo("BorvanService")},
                                            AAmbiente, FDiretorio.Arquivo("servico.out"),
                                            FDiretorio.Arquivo("servico.err"));
  }

  // The log without the time of each line: "INFO: Serviço iniciado.". A
  // line not of the form "hh:mm:ss - ...\r\n" is kept whole, so that a
  // comparison shows it.
  std::vector<std::string> LinhasLog() const {
    std::vector<std::string> linhas;
    std::string texto = LerArquivo(FDiretorio.Arquivo("BorvanService.log"));
    size_t inicio = 0;
    for (size_t fim; (fim = texto.find("\r\n", inicio)) != std::string::npos; inicio = fim + 2) {
      std::string linha = texto.substr(inicio, fim - inicio);
      bool comHora = linha.size() > 11 && linha[2] == ':' && linha[5] == ':' && linha.compare(8, 3, " - ") == 0;
      linhas.push_back(comHora ? linha.substr(11) : "sem hora: " + linha);
    }
    if (inicio < texto.size()) linhas.push_back("sem CR LF: " + texto.substr(inicio));
    return linhas;
  }

  bool LogTem(const std::string& ALinha) const {
    auto linhas = LinhasLog();
    return std::find(linhas.begin(), linhas.end(), ALinha) != linhas.end();
  }

  bool AguardarLinha(const std::string& ALinha, TProcessoFilho& AProcesso,
                     std::chrono::milliseconds ATempo = 10s) const {
    return Aguardar([&] { return LogTem(ALinha); }, AProcesso, ATempo);
  }

  // A sanitizer build reports on stderr; an exit status that is non-zero
  // anyway would hide it.
  void VerificarSemRelatoDeSanitizador() const {
    std::string erros = LerArquivo(FDiretorio.Arquivo("servico.err"));
    EXPECT_EQ(erros.find("Sanitizer"), std::string::npos) << erros;
    EXPECT_EQ(erros.find("runtime error"), std::string::npos) << erros;
  }

  // For failure messages: what the service wrote.
  std::string Diagnostico() const {
    return "\n--- BorvanService.log\n" + LerArquivo(FDiretorio.Arquivo("BorvanService.log")) +
           "--- stderr\n" + LerArquivo(FDiretorio.Arquivo("servico.err"));
  }

  TDiretorioTemporario FDiretorio;
  TBancoTeste FBanco;
};

TEST_F(BorvanServiceExecutavel, PartidaEscreveSuaSequenciaECadaSinalDeParadaEncerraAEsperaNaHora) {
  CriarTabelasEmpresas();
  InscreverEmpresa(1, "q-1", "l-1");
  InscreverEmpresa(2, "", "l-2");
  GravarDefinicao();
  TNuvemLocalFilho nuvem(FDiretorio);

  const std::vector<std::string> esperadas = {
      "INFO: DATA: " + DataDeHoje() + " " + KHifens,
      "INFO: Versão: 1.0.4.0",
      "INFO: Verificando se o serviço está no servidor de banco de dados...",
      "INFO: Verificação do serviço concluída.",
      "INFO: Buscando empresas locais Quenda...",
      "INFO: Empresas encontradas: 1",
      "INFO: Notificando o servidor Quenda na nuvem... Empresa: q-1",
      "INFO: Notificação do servidor Quenda na nuvem concluída... Empresa: q-1",
      "INFO: Buscando empresas locais Lumio...",
      "INFO: Empresa adicionada: l-1",
      "INFO: Empresa adicionada: l-2",
      "INFO: Empresas encontradas: 2",
      "INFO: Notificando o servidor Lumio na nuvem... Empresa: l-1",
      "INFO: Notificação do servidor Lumio na nuvem concluída... Empresa: l-1",
      "INFO: Notificando o servidor Lumio na nuvem... Empresa: l-2",
      "INFO: Notificação do servidor Lumio na nuvem concluída... Empresa: l-2",
      "INFO: Serviço iniciado.",
  };
  for (int sinal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(strsignal(sinal));
    std::filesystem::remove(FDiretorio.Arquivo("BorvanService.log"));
    auto servico = IniciarServico();
    ASSERT_TRUE(AguardarLinha("INFO: Serviço iniciado.", *servico)) << Diagnostico();
    EXPECT_EQ(LinhasLog(), esperadas) << Diagnostico();

    auto envio = TRelogio::now();
    servico->Sinalizar(sinal);
    auto status = servico->AguardarFim(3s);
    ASSERT_TRUE(status) << "still running 3 s after the stop request" << Diagnostico();
    EXPECT_TRUE(SaiuCom(status, 0)) << DescreverStatus(*status) << Diagnostico();
    EXPECT_LT(TRelogio::now() - envio, 2s);
    // Stopped in the wait: no cycle ran.
    EXPECT_EQ(LinhasLog(), esperadas) << Diagnostico();
  }
  // Each start notified every company once, with this machine and version.
  std::string jsonl;
  for (const auto& linha : nuvem.Jsonl()) jsonl += linha + "\n";
  const std::vector<std::pair<std::string, std::string>> notificadas = {
      {"Quenda", "q-1"}, {"Lumio", "l-1"}, {"Lumio", "l-2"}};
  for (const auto& [nuvemNome, id] : notificadas)
    EXPECT_EQ(Ocorrencias(jsonl, "{\"nuvem\":\"" + nuvemNome +
                                     "\",\"recurso\":\"services\",\"corpo\":{\"empresaId\":\"" + id +
                                     "\",\"host\":\"" + NomeComputador() + "\",\"versao\":\"1.0.4.0\"}"),
              2u)
        << id << "\n" << jsonl;
}

TEST_F(BorvanServiceExecutavel, PedidoDeParadaDuranteOCicloDeixaOCicloTerminar) {
  CarregarEsquema();
  InscreverEmpresa(1, "q-1", "l-1");
  FBanco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME) values (1, 7, 'Cliente Sete')");
  GravarDefinicao();
  auto nuvemQuenda = NuvemTesteNaPorta(8090);
  auto nuvemLumio = NuvemTesteNaPorta(8091);
  TNuvemTeste& quenda = *nuvemQuenda;
  TNuvemTeste& lumio = *nuvemLumio;

  auto servico = IniciarServico();
  ASSERT_TRUE(AguardarLinha("INFO: Serviço iniciado.", *servico)) << Diagnostico();
  ASSERT_EQ(quenda.Requisicoes().size(), 1u);  // the notification
  // The first request of the cycle stalls; the stop request arrives while
  // it waits for its answer.
  quenda.Reter();
  ASSERT_TRUE(quenda.AguardarRequisicoes(2, 15s)) << Diagnostico();
  servico->Sinalizar(SIGTERM);
  std::this_thread::sleep_for(500ms);
  EXPECT_TRUE(servico->Rodando()) << "the stop request broke into the cycle" << Diagnostico();
  quenda.Liberar();

  auto status = servico->AguardarFim(20s);
  ASSERT_TRUE(status) << "still running after the cycle" << Diagnostico();
  EXPECT_TRUE(SaiuCom(status, 0)) << DescreverStatus(*status) << Diagnostico();

  // Both passes ran to their end, once, and nothing failed.
  auto linhas = LinhasLog();
  EXPECT_EQ(std::count(linhas.begin(), linhas.end(), "INFO: NotificarServidorCloudLumio"), 1) << Diagnostico();
  for (const char* linha :
       {"INFO: Atualizando clientes... Empresa: q-1", "INFO: Atualizando Clientes Lumio... Empresa: l-1"})
    EXPECT_TRUE(LogTem(linha)) << linha << Diagnostico();
  for (const auto& linha : linhas) EXPECT_NE(linha.rfind("ERROR", 0), 0u) << linha;
  auto postados = [](const TNuvemTeste& ANuvem, const std::string& ARecurso) {
    int quantidade = 0;
    for (const auto& requisicao : ANuvem.Requisicoes())
      if (requisicao.Metodo == "POST" && requisicao.Recurso == ARecurso &&
          requisicao.Corpo.find("\"clienteId\":7") != std::string::npos)
        ++quantidade;
    return quantidade;
  };
  EXPECT_EQ(postados(quenda, "clientes"), 1);
  EXPECT_EQ(postados(lumio, "clientes"), 1);
}

TEST_F(BorvanServiceExecutavel, PartidaQueFalhaTerminaComErroSemIniciar) {
  CriarTabelasEmpresas();
  InscreverEmpresa(1, "q-1", "l-1");
  const std::string inexistente = "/tmp/borvan-e2e-" + std::to_string(getpid()) + "-inexistente.fdb";
  const std::string arquivoIni = FDiretorio.Arquivo("ConnectionDefs.ini");
  struct TCaso {
    const char* Nome;
    std::string Ini;  // empty: no ConnectionDefs.ini at all
    std::string TextoDoErro;
  };
  const std::vector<TCaso> casos = {
      {"banco que não abre",
       "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=" + inexistente + "\nCharacterSet=UTF8\n", inexistente},
      {"sem ConnectionDefs.ini", "", arquivoIni},
      // It connects (host/port form), but the host text is not this machine's.
      {"servidor com porta",
       "[Borvan]\nDriverID=FB\nServer=LocalHost/3050\nDatabase=" + FBanco.Caminho() + "\nCharacterSet=UTF8\n",
       "Este serviço só pode ser instalado na mesma máquina do servidor de banco de dados - host: "
       "localhost/3050"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    std::filesystem::remove(FDiretorio.Arquivo("BorvanService.log"));
    std::filesystem::remove(arquivoIni);
    if (!caso.Ini.empty()) GravarArquivo(arquivoIni, caso.Ini);

    auto servico = IniciarServico();
    auto status = servico->AguardarFim(15s);
    ASSERT_TRUE(status) << "a failed start must end the process" << Diagnostico();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) != 0) << DescreverStatus(*status) << Diagnostico();

    auto linhas = LinhasLog();
    ASSERT_EQ(linhas.size(), 4u) << Diagnostico();
    EXPECT_EQ(linhas[0], "INFO: DATA: " + DataDeHoje() + " " + KHifens);
    EXPECT_EQ(linhas[1], "INFO: Versão: 1.0.4.0");
    EXPECT_EQ(linhas[2], "INFO: Verificando se o serviço está no servidor de banco de dados...");
    EXPECT_EQ(linhas[3].rfind("ERROR: ", 0), 0u) << linhas[3];
    EXPECT_NE(linhas[3].find(caso.TextoDoErro), std::string::npos) << linhas[3];
    VerificarSemRelatoDeSanitizador();
  }
}

// INSTALL and UNINSTALL write and remove the unit under /etc/systemd/system:
// run in a mount namespace of their own where that directory is a bind of
// an empty temporary one, with a stand-in systemctl first on PATH, so the
// machine's own units are never touched.
TEST_F(BorvanServiceExecutavel, InstalarEDesinstalarComUmSystemctlSubstituto) {
  if (geteuid() != 0 || std::system("unshare -m --propagation private true 2>/dev/null") != 0)
    GTEST_SKIP() << "needs root and mount namespaces";
  const std::string unidades = FDiretorio.Arquivo("unidades");
  const std::string bin = FDiretorio.Arquivo("bin");
  std::filesystem::create_directory(unidades);
  std::filesystem::create_directory(bin);
  GravarArquivo(unidades + "/.isolado", "");
  GravarArquivo(bin + "/systemctl",
                "#!/bin/sh\necho \"$*\" >> \"$(dirname \"$0\")/chamadas\"\n"
                "exit $(cat \"$(dirname \"$0\")/status\" 2>/dev/null || echo 0)\n");
  std::filesystem::permissions(bin + "/systemctl", std::filesystem::perms::owner_all);
  const std::string executavel = FDiretorio.Arquivo("BorvanService");
  const std::string unidade = unidades + "/BorvanSistemas.service";

  struct TCaso {
    std::vector<std::string> Argumentos;
    int StatusSystemctl;
    bool Sucesso;
    bool Relato;  // one line on stdout
    std::optional<bool> UnidadeDepois;  // empty: either way
    std::string Chamadas;
  };
  // In order: each case starts from what the one before left.
  const std::vector<TCaso> casos = {
      {{"/install"}, 0, true, true, true, "daemon-reload\nenable BorvanSistemas.service\n"},
      {{"-UNINSTALL", "/silent"}, 0, true, false, false, "disable BorvanSistemas.service\ndaemon-reload\n"},
      {{"-Install", "-SILENT"}, 1, false, false, std::nullopt, "daemon-reload\n"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Argumentos[0] + " with systemctl exiting " + std::to_string(caso.StatusSystemctl));
    GravarArquivo(bin + "/status", std::to_string(caso.StatusSystemctl) + "\n");
    std::filesystem::remove(bin + "/chamadas");
    std::vector<std::string> argumentos = {
        "unshare", "-m", "--propagation", "private", "sh", "-c",
        "mount --bind \"$1\" /etc/systemd/system && test -e /etc/systemd/system/.isolado && shift && exec \"$@\"",
        "sh", unidades, executavel};
    argumentos.insert(argumentos.end(), caso.Argumentos.begin(), caso.Argumentos.end());
    TProcessoFilho instalacao(argumentos, {"PATH=" + bin + ":" + std::getenv("PATH")},
                              FDiretorio.Arquivo("servico.out"), FDiretorio.Arquivo("servico.err"));
    auto status = instalacao.AguardarFim(15s);
    std::string saida = LerArquivo(FDiretorio.Arquivo("servico.out"));
    std::string erros = LerArquivo(FDiretorio.Arquivo("servico.err"));
    ASSERT_TRUE(status);
    if (caso.Sucesso) {
      EXPECT_TRUE(SaiuCom(status, 0)) << DescreverStatus(*status) << "\n" << erros;
      EXPECT_EQ(erros, "");
    } else {
      EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) != 0) << DescreverStatus(*status);
      EXPECT_NE(erros, "");
    }
    EXPECT_EQ(Ocorrencias(saida, "\n"), caso.Relato ? 1u : 0u) << saida;
    EXPECT_EQ(LerArquivo(bin + "/chamadas"), caso.Chamadas);
    if (caso.UnidadeDepois) {
      EXPECT_EQ(std::filesystem::exists(unidade), *caso.UnidadeDepois);
    }
    if (caso.UnidadeDepois == true) {
      EXPECT_NE(LerArquivo(unidade).find("\nExecStart=" + executavel + "\n"), std::string::npos)
          << LerArquivo(unidade);
    }
    // Registration touches neither the log nor the database.
    EXPECT_FALSE(std::filesystem::exists(FDiretorio.Arquivo("BorvanService.log")));
    VerificarSemRelatoDeSanitizador();
  }
}

// The host check passes, but the companies cannot be read: the start fails
// too, reported to the system event log only.
TEST_F(BorvanServiceExecutavel, TabelaDeEmpresasQueFaltaFazAPartidaFalhar) {
  FBanco.Executar("create table LUMIO (EMPRESA smallint not null primary key, EMPRESA_ID varchar(40))");
  GravarDefinicao();

  auto servico = IniciarServico();
  auto status = servico->AguardarFim(15s);
  ASSERT_TRUE(status) << "a failed start must end the process" << Diagnostico();
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) != 0) << DescreverStatus(*status) << Diagnostico();
  const std::vector<std::string> esperadas = {
      "INFO: DATA: " + DataDeHoje() + " " + KHifens,
      "INFO: Versão: 1.0.4.0",
      "INFO: Verificando se o serviço está no servidor de banco de dados...",
      "INFO: Verificação do serviço concluída.",
      "INFO: Buscando empresas locais Quenda...",
  };
  EXPECT_EQ(LinhasLog(), esperadas) << Diagnostico();
  VerificarSemRelatoDeSanitizador();
}

TEST_F(BorvanServiceExecutavel, DoisCiclosEnviamCadaClienteUmaVezESegundoCicloNadaEnvia) {
  CarregarEsquema();
  InscreverEmpresa(1, "q-1", "l-1");
  for (int cliente : {11, 12, 13})
    FBanco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, INATIVO) values (1, " +
                    std::to_string(cliente) + ", 'Cliente " + std::to_string(cliente) + "', 'N')");
  // Another company's customer stays home.
  FBanco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME) values (2, 99, 'De fora')");
  GravarDefinicao();
  TNuvemLocalFilho nuvem(FDiretorio);

  auto servico = IniciarServico({"BORVAN_CICLOS=2"});
  auto status = servico->AguardarFim(40s);
  ASSERT_TRUE(status) << "two cycles take about 20 s" << Diagnostico();
  EXPECT_TRUE(SaiuCom(status, 0)) << DescreverStatus(*status) << Diagnostico();

  // Every body the clouds accepted, in order: the notifications of the
  // start, then the first cycle's customers and options. The second cycle
  // posted nothing.
  auto jsonl = nuvem.Jsonl();
  std::vector<std::string> recebidos;
  for (const auto& linha : jsonl) recebidos.push_back(linha.substr(0, linha.find(",\"corpo\":")));
  const std::vector<std::string> esperados = {
      R"({"nuvem":"Quenda","recurso":"services")", R"({"nuvem":"Lumio","recurso":"services")",
      R"({"nuvem":"Quenda","recurso":"clientes")", R"({"nuvem":"Lumio","recurso":"clientes")",
      R"({"nuvem":"Lumio","recurso":"opcoes")"};
  ASSERT_EQ(recebidos, esperados) << nuvem.Pedidos();
  const char* ids[2] = {"q-1", "l-1"};
  for (int indice : {0, 1}) {
    SCOPED_TRACE(ids[indice]);
    const std::string& notificacao = jsonl[indice];
    EXPECT_NE(notificacao.find(std::string("\"corpo\":{\"empresaId\":\"") + ids[indice] + "\",\"host\":\"" +
                               NomeComputador() + "\",\"versao\":\"1.0.4.0\"}"),
              std::string::npos)
        << notificacao;
    const std::string& clientes = jsonl[2 + indice];
    size_t p11 = clientes.find("\"clienteId\":11,"), p12 = clientes.find("\"clienteId\":12,"),
           p13 = clientes.find("\"clienteId\":13,");
    EXPECT_TRUE(p11 != std::string::npos && p11 < p12 && p12 < p13 && p13 != std::string::npos) << clientes;
    EXPECT_EQ(Ocorrencias(clientes, std::string("\"empresaId\":\"") + ids[indice] + "\""), 3u) << clientes;
    EXPECT_EQ(clientes.find("\"clienteId\":99"), std::string::npos) << clientes;
  }
  // The customers' mark was learned once and then kept.
  std::string pedidos = nuvem.Pedidos();
  EXPECT_EQ(Ocorrencias(pedidos, "Quenda GET clientes/maxCodAtualizacao empresa=q-1"), 1u) << pedidos;
  EXPECT_EQ(Ocorrencias(pedidos, "Lumio GET clientes/maxCodAtualizacao empresa=l-1"), 1u) << pedidos;

  // The log: both passes of the first cycle send; in the second one only
  // the entities with nothing on either side ask again and write their
  // lines with mark 0.
  auto linhas = LinhasLog();
  for (const auto& linha : linhas) EXPECT_NE(linha.rfind("ERROR", 0), 0u) << linha;
  auto inicio = std::find(linhas.begin(), linhas.end(), "INFO: Serviço iniciado.");
  ASSERT_NE(inicio, linhas.end()) << Diagnostico();
  std::vector<std::string> ciclos(inicio + 1, linhas.end());
  ASSERT_EQ(std::count(ciclos.begin(), ciclos.end(), "INFO: NotificarServidorCloudLumio"), 2) << Diagnostico();
  auto primeiraLumio = std::find(ciclos.begin(), ciclos.end(), "INFO: NotificarServidorCloudLumio");
  auto segundaLumio = std::find(primeiraLumio + 1, ciclos.end(), "INFO: NotificarServidorCloudLumio");
  auto contem = [](auto AInicio, auto AFim, const std::string& ALinha) {
    return std::find(AInicio, AFim, ALinha) != AFim;
  };
  EXPECT_TRUE(contem(ciclos.begin(), primeiraLumio, "INFO: Atualizando clientes... Empresa: q-1")) << Diagnostico();
  EXPECT_TRUE(contem(primeiraLumio, segundaLumio, "INFO: Atualizando Clientes Lumio... Empresa: l-1"))
      << Diagnostico();
  for (const char* unica : {"INFO: Atualizando clientes... Empresa: q-1",
                            "INFO: Atualizando Clientes Lumio... Empresa: l-1",
                            "INFO: Atualizando opções Lumio... Empresa: l-1"})
    EXPECT_EQ(std::count(ciclos.begin(), ciclos.end(), unica), 1) << unica << Diagnostico();
  EXPECT_EQ(std::count(ciclos.begin(), ciclos.end(), "INFO: Clientes atualizados. MaxCodAtualizacao: 3"), 2)
      << Diagnostico();
  for (auto linha = segundaLumio + 1; linha != ciclos.end(); ++linha) {
    EXPECT_EQ(linha->find("lientes"), std::string::npos) << *linha;
    EXPECT_EQ(linha->find("pções"), std::string::npos) << *linha;
    if (linha->find(" atualizad") != std::string::npos) {
      EXPECT_TRUE(linha->ends_with("MaxCodAtualizacao: 0")) << *linha;
    }
  }
}

}  // namespace
}  // namespace borvan::teste
