#include "e2e/executavel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace borvan::teste {

using namespace std::chrono_literals;

std::string DescreverStatus(int AStatus) {
  if (WIFEXITED(AStatus)) return "saiu com " + std::to_string(WEXITSTATUS(AStatus));
  if (WIFSIGNALED(AStatus)) return "morto pelo sinal " + std::to_string(WTERMSIG(AStatus));
  return "status " + std::to_string(AStatus);
}

bool SaiuCom(const std::optional<int>& AStatus, int ACodigo) {
  return AStatus && WIFEXITED(*AStatus) && WEXITSTATUS(*AStatus) == ACodigo;
}

// --- TProcessoFilho ----------------------------------------------------------

TProcessoFilho::TProcessoFilho(const std::vector<std::string>& AArgumentos, const std::vector<std::string>& AAmbiente,
                               const std::string& ASaida, const std::string& AErros, bool AAcrescentar) {
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

  const int modo = O_WRONLY | O_CREAT | (AAcrescentar ? O_APPEND : O_TRUNC);
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  posix_spawn_file_actions_addopen(&acoes, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&acoes, 1, ASaida.c_str(), modo, 0644);
  posix_spawn_file_actions_addopen(&acoes, 2, AErros.c_str(), modo, 0644);
  int erro = posix_spawnp(&FPid, argv[0], &acoes, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&acoes);
  if (erro != 0) throw std::runtime_error(AArgumentos[0] + ": posix_spawn: " + std::strerror(erro));
}

TProcessoFilho::~TProcessoFilho() {
  if (FStatus) return;
  ::kill(FPid, SIGKILL);
  ::waitpid(FPid, nullptr, 0);
}

void TProcessoFilho::Sinalizar(int ASinal) const {
  if (!FStatus) ::kill(FPid, ASinal);
}

std::optional<int> TProcessoFilho::AguardarFim(std::chrono::milliseconds ATempo) {
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

// --- ports and locks ---------------------------------------------------------

bool PortaResponde(int APorta) {
  int descritor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in endereco{};
  endereco.sin_family = AF_INET;
  endereco.sin_port = htons(static_cast<uint16_t>(APorta));
  endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool responde = ::connect(descritor, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) == 0;
  ::close(descritor);
  return responde;
}

TTravaArquivo::TTravaArquivo(const std::string& ACaminho) {
  FDescritor = ::open(ACaminho.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (FDescritor < 0) throw std::runtime_error("cannot open " + ACaminho);
  if (!Aguardar([&] { return ::flock(FDescritor, LOCK_EX | LOCK_NB) == 0; }, 120s, 50ms)) {
    ::close(FDescritor);
    throw std::runtime_error(ACaminho + " stays locked");
  }
}

TTravaArquivo::~TTravaArquivo() { ::close(FDescritor); }

TTravaPortasNuvem::TTravaPortasNuvem()
    : FQuenda("/tmp/borvan-nuvem-teste-8090.lock"), FLumio("/tmp/borvan-nuvem-teste-8091.lock") {}

// --- TNuvemLocalFilho --------------------------------------------------------

TNuvemLocalFilho::TNuvemLocalFilho(const TDiretorioTemporario& ADiretorio, std::vector<std::string> AOpcoes)
    : FPedidos(ADiretorio.Arquivo("nuvem.log")),
      FJsonl(ADiretorio.Arquivo("nuvem.jsonl")),
      FErros(ADiretorio.Arquivo("nuvem.err")),
      FOpcoes(std::move(AOpcoes)) {
  Subir();
}

TNuvemLocalFilho::~TNuvemLocalFilho() {
  if (!FProcesso) return;
  FProcesso->Sinalizar(SIGTERM);
  FProcesso->AguardarFim(5s);
}

void TNuvemLocalFilho::Subir() {
  std::vector<std::string> argumentos = {NUVEM_LOCAL_EXECUTAVEL, "--jsonl", FJsonl};
  argumentos.insert(argumentos.end(), FOpcoes.begin(), FOpcoes.end());
  auto limite = TRelogio::now() + 30s;
  for (;;) {
    // Its output is kept across starts; only this start's banner counts,
    // and only our own child's: another program may answer on the ports.
    const size_t inicio = Pedidos().size();
    FProcesso = std::make_unique<TProcessoFilho>(argumentos, std::vector<std::string>{}, FPedidos, FErros, true);
    bool pronta = Aguardar([&] { return Pedidos().find("Lumio: http://", inicio) != std::string::npos; },
                           *FProcesso, 10s);
    if (pronta && FProcesso->Rodando()) return;
    if (FProcesso->Rodando() || TRelogio::now() >= limite)
      throw std::runtime_error("NuvemLocal did not start: " + Pedidos().substr(inicio) + LerArquivo(FErros));
    FProcesso.reset();
    std::this_thread::sleep_for(500ms);
  }
}

void TNuvemLocalFilho::Derrubar() {
  if (!FProcesso) return;
  FProcesso->Sinalizar(SIGKILL);
  FProcesso->AguardarFim(5s);
  FProcesso.reset();
}

void TNuvemLocalFilho::Controlar(int APorta, const std::string& AComando) {
  httplib::Client cliente("127.0.0.1", APorta);
  auto resultado = cliente.Post(("/controle/" + AComando).c_str());
  if (!resultado || resultado->status != 200) throw std::runtime_error("control " + AComando + " failed");
}

std::string TNuvemLocalFilho::Pedidos() const { return LerArquivo(FPedidos); }

std::vector<std::string> TNuvemLocalFilho::LinhasJsonl() const {
  std::vector<std::string> linhas;
  std::string texto = LerArquivo(FJsonl);
  size_t inicio = 0;
  for (size_t fim; (fim = texto.find('\n', inicio)) != std::string::npos; inicio = fim + 1)
    linhas.push_back(texto.substr(inicio, fim - inicio));
  return linhas;
}

// --- the service -------------------------------------------------------------

std::vector<std::string> LinhasDoLog(const std::string& ACaminho) {
  std::vector<std::string> linhas;
  std::string texto = LerArquivo(ACaminho);
  size_t inicio = 0;
  for (size_t fim; (fim = texto.find("\r\n", inicio)) != std::string::npos; inicio = fim + 2) {
    std::string linha = texto.substr(inicio, fim - inicio);
    bool comHora = linha.size() > 11 && linha[2] == ':' && linha[5] == ':' && linha.compare(8, 3, " - ") == 0;
    linhas.push_back(comHora ? linha.substr(11) : "sem hora: " + linha);
  }
  if (inicio < texto.size()) linhas.push_back("sem CR LF: " + texto.substr(inicio));
  return linhas;
}

void CarregarEsquemaExemplo(const std::string& ATextoConexao, const TDiretorioTemporario& ADiretorio,
                            const std::vector<std::string>& AAmbiente) {
  std::vector<std::string> ambiente = {"ISC_USER=SYSDBA", "ISC_PASSWORD=quillfern"};
  ambiente.insert(ambiente.end(), AAmbiente.begin(), AAmbiente.end());
  TProcessoFilho isql({"isql-fb", "-q", "-bail", "-ch", "UTF8", ATextoConexao, "-i", BORVAN_ESQUEMA_EXEMPLO},
                      ambiente, ADiretorio.Arquivo("isql.out"), ADiretorio.Arquivo("isql.err"));
  auto status = isql.AguardarFim(60s);
  std::string saida = LerArquivo(ADiretorio.Arquivo("isql.out")) + LerArquivo(ADiretorio.Arquivo("isql.err"));
  if (!SaiuCom(status, 0) || saida.find("Statement failed") != std::string::npos)
    throw std::runtime_error("schema: " + (status ? DescreverStatus(*status) : "still running") + "\n" + saida);
}

void TTesteExecutavel::SetUp() {
  std::filesystem::copy_file(BORVAN_EXECUTAVEL, FDiretorio.Arquivo("BorvanService"));
  GravarArquivo(FDiretorio.Arquivo("Eh.Programador"), "");
  // For sanitizer builds: libfbclient keeps its login numbers and
  // converters for the life of the process; nothing else is excused.
  GravarArquivo(FDiretorio.Arquivo("lsan.supp"), "leak:libtommath.so\nleak:iconv_open\n");
}

std::unique_ptr<TProcessoFilho> TTesteExecutavel::IniciarServico(std::vector<std::string> AAmbiente,
                                                                 std::vector<std::string> AAntes) const {
  AAmbiente.push_back("LSAN_OPTIONS=suppressions=" + FDiretorio.Arquivo("lsan.supp"));
  AAntes.push_back(FDiretorio.Arquivo("BorvanService"));
  return std::make_unique<TProcessoFilho>(AAntes, AAmbiente, FDiretorio.Arquivo("servico.out"),
                                          FDiretorio.Arquivo("servico.err"), true);
}

void TTesteExecutavel::VerificarSemRelatoDeSanitizador() const {
  std::string erros = LerArquivo(FDiretorio.Arquivo("servico.err"));
  EXPECT_EQ(erros.find("Sanitizer"), std::string::npos) << erros;
  EXPECT_EQ(erros.find("runtime error"), std::string::npos) << erros;
}

}  // namespace borvan::teste
