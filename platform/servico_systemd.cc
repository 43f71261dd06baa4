// The systemd service manager: the unit file, systemctl and sd_notify.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/ambiente.h"
#include "platform/servico.h"
#include "support/erros.h"

namespace borvan {

namespace {

const char* const KUnidadePadraoFirebird = "firebird3.0.service";

// In order of preference: Debian 12's own first, then newer server
// packages, then the names of other distributions and of Firebird's own
// installer.
const char* const KUnidadesFirebird[] = {
    "firebird3.0.service", "firebird4.0.service",          "firebird5.0.service",
    "firebird.service",    "firebird-superserver.service", "firebird-classic.service",
};

const char* const KDiretoriosSistema[] = {
    "/etc/systemd/system",
    "/run/systemd/system",
    "/lib/systemd/system",
    "/usr/lib/systemd/system",
};

// systemd expands "%" specifiers in every value; "%%" is a literal "%".
std::string EscaparEspecificadores(const std::string& ATexto) {
  std::string resultado;
  for (char c : ATexto) {
    if (c == '%') resultado += '%';
    resultado += c;
  }
  return resultado;
}

// A value must stay on its own line.
std::string UmaLinha(std::string ATexto) {
  for (char& c : ATexto)
    if (c == '\n' || c == '\r') c = ' ';
  return ATexto;
}

// The executable as the first word of ExecStart=. systemd refuses
// executable names with quotes, backslashes or control characters, and
// "$" would be taken for a variable; blanks are kept inside double quotes.
std::string ComandoExecStart(const std::string& AExecutavel) {
  if (AExecutavel.empty() || AExecutavel[0] != '/')
    throw EBorvanErro("O caminho do executável não é absoluto: " + UmaLinha(AExecutavel));
  bool precisaAspas = false;
  for (unsigned char c : AExecutavel) {
    if (c < 0x20 || c == 0x7f || c == '"' || c == '\'' || c == '\\' || c == '$')
      throw EBorvanErro("O caminho do executável contém caracteres que o systemd não aceita: " +
                        UmaLinha(AExecutavel));
    if (c == ' ' || c == ';') precisaAspas = true;
  }
  std::string caminho = EscaparEspecificadores(AExecutavel);
  return precisaAspas ? "\"" + caminho + "\"" : caminho;
}

void ValidarNome(const std::string& ANome) {
  if (ANome.empty() || ANome.find('/') != std::string::npos || ANome[0] == '.')
    throw EBorvanErro("Nome de serviço inválido: " + ANome);
}

// Owns a file descriptor.
class TDescritor {
 public:
  explicit TDescritor(int AFd = -1) : FFd(AFd) {}
  ~TDescritor() { Fechar(); }
  TDescritor(const TDescritor&) = delete;
  TDescritor& operator=(const TDescritor&) = delete;
  int Fd() const { return FFd; }
  void Redefinir(int AFd) {
    Fechar();
    FFd = AFd;
  }
  // Gives up ownership without closing.
  int Liberar() {
    int fd = FFd;
    FFd = -1;
    return fd;
  }
  void Fechar() {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
  }

 private:
  int FFd;
};

struct TPipe {
  TDescritor Leitura;
  TDescritor Escrita;
};

void CriarPipe(TPipe& APipe) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw EBorvanErro(std::string("pipe: ") + std::strerror(errno));
  APipe.Leitura.Redefinir(fds[0]);
  APipe.Escrita.Redefinir(fds[1]);
}

// Reads until end of file; keeps at most AMaximo bytes.
std::string LerTudo(int AFd, size_t AMaximo) {
  std::string resultado;
  char bloco[1024];
  for (;;) {
    ssize_t lidos = ::read(AFd, bloco, sizeof(bloco));
    if (lidos < 0 && errno == EINTR) continue;
    if (lidos <= 0) break;
    size_t cabe = AMaximo > resultado.size() ? AMaximo - resultado.size() : 0;
    resultado.append(bloco, std::min(cabe, static_cast<size_t>(lidos)));
  }
  return resultado;
}

std::string SemEspacosFinais(std::string ATexto) {
  while (!ATexto.empty() && (ATexto.back() == '\n' || ATexto.back() == '\r' || ATexto.back() == ' '))
    ATexto.pop_back();
  return ATexto;
}

// Runs AComando with AArgumentos (no shell; PATH lookup when the command
// has no "/"), its standard input from /dev/null and its output captured.
// Throws EBorvanErro when it cannot be run or does not exit with 0; the
// message carries what the command wrote.
void Executar(const std::string& AComando, const std::vector<std::string>& AArgumentos) {
  std::string linha = AComando;
  for (const std::string& argumento : AArgumentos) linha += " " + argumento;

  std::vector<std::string> textos;
  textos.push_back(AComando);
  textos.insert(textos.end(), AArgumentos.begin(), AArgumentos.end());
  std::vector<char*> argv;
  for (std::string& texto : textos) argv.push_back(texto.data());
  argv.push_back(nullptr);

  TPipe saida;
  TPipe falhaExec;  // carries errno when execvp fails; closed by a successful exec
  CriarPipe(saida);
  CriarPipe(falhaExec);
  TDescritor nulo(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  if (nulo.Fd() < 0) throw EBorvanErro(std::string("/dev/null: ") + std::strerror(errno));

  pid_t pid = ::fork();
  if (pid < 0) throw EBorvanErro("Não foi possível executar " + linha + ": " + std::strerror(errno));
  if (pid == 0) {
    // The child only redirects and executes: no allocation after fork.
    ::dup2(nulo.Fd(), STDIN_FILENO);
    ::dup2(saida.Escrita.Fd(), STDOUT_FILENO);
    ::dup2(saida.Escrita.Fd(), STDERR_FILENO);
    ::execvp(argv[0], argv.data());
    int erro = errno;
    ssize_t escritos = ::write(falhaExec.Escrita.Fd(), &erro, sizeof(erro));
    (void)escritos;
    ::_exit(127);
  }
  saida.Escrita.Fechar();
  falhaExec.Escrita.Fechar();

  std::string mensagens = SemEspacosFinais(LerTudo(saida.Leitura.Fd(), 4096));
  std::string falha = LerTudo(falhaExec.Leitura.Fd(), sizeof(int));
  int estado = 0;
  while (::waitpid(pid, &estado, 0) < 0) {
    if (errno != EINTR) throw EBorvanErro("Falha ao aguardar " + linha + ": " + std::strerror(errno));
  }

  if (falha.size() == sizeof(int)) {
    int erro = 0;
    std::memcpy(&erro, falha.data(), sizeof(erro));
    throw EBorvanErro("Não foi possível executar " + AComando + ": " + std::strerror(erro));
  }
  std::string motivo;
  if (WIFEXITED(estado) && WEXITSTATUS(estado) == 0) return;
  if (WIFEXITED(estado))
    motivo = "código de saída " + std::to_string(WEXITSTATUS(estado));
  else if (WIFSIGNALED(estado))
    motivo = "terminado pelo sinal " + std::to_string(WTERMSIG(estado));
  else
    motivo = "estado " + std::to_string(estado);
  std::string mensagem = "O comando \"" + linha + "\" falhou (" + motivo + ")";
  if (!mensagens.empty()) mensagem += ": " + mensagens;
  throw EBorvanErro(mensagem);
}

// Writes the whole file or nothing: a temporary file beside it, renamed
// over it once complete. The temporary name does not end in ".service", so
// a concurrent reload never sees a half-written unit.
void GravarAtomicamente(const std::string& ACaminho, const std::string& AConteudo) {
  size_t barra = ACaminho.rfind('/');
  std::string diretorio = barra == std::string::npos ? "." : ACaminho.substr(0, barra);
  std::string nome = barra == std::string::npos ? ACaminho : ACaminho.substr(barra + 1);
  std::string temporario = diretorio + "/." + nome + ".XXXXXX";

  TDescritor arquivo(::mkostemp(temporario.data(), O_CLOEXEC));
  if (arquivo.Fd() < 0)
    throw EBorvanErro("Não foi possível gravar " + ACaminho + ": " + std::strerror(errno));
  auto falhar = [&](int AErro) {
    ::unlink(temporario.c_str());
    throw EBorvanErro("Não foi possível gravar " + ACaminho + ": " + std::strerror(AErro));
  };
  const char* dados = AConteudo.data();
  size_t restante = AConteudo.size();
  while (restante > 0) {
    ssize_t escritos = ::write(arquivo.Fd(), dados, restante);
    if (escritos < 0 && errno == EINTR) continue;
    if (escritos < 0) falhar(errno);
    dados += escritos;
    restante -= static_cast<size_t>(escritos);
  }
  if (::fchmod(arquivo.Fd(), 0644) != 0) falhar(errno);
  if (::fsync(arquivo.Fd()) != 0) falhar(errno);
  if (::close(arquivo.Liberar()) != 0) falhar(errno);
  if (::rename(temporario.c_str(), ACaminho.c_str()) != 0) falhar(errno);
}

}  // namespace

std::string EscolherUnidadeFirebird(const std::vector<std::string>& ADiretorios) {
  for (const char* unidade : KUnidadesFirebird)
    for (const std::string& diretorio : ADiretorios)
      if (ArquivoExiste(diretorio + "/" + unidade)) return unidade;
  return KUnidadePadraoFirebird;
}

TGerenciadorSystemd::TGerenciadorSystemd(std::string ADiretorioUnidades, std::string AComandoSystemctl)
    : FDiretorioUnidades(std::move(ADiretorioUnidades)), FComandoSystemctl(std::move(AComandoSystemctl)) {}

std::string TGerenciadorSystemd::UnidadeFirebird() const {
  std::vector<std::string> diretorios{FDiretorioUnidades};
  for (const char* diretorio : KDiretoriosSistema)
    if (diretorio != FDiretorioUnidades) diretorios.push_back(diretorio);
  return EscolherUnidadeFirebird(diretorios);
}

std::string TGerenciadorSystemd::TextoUnidade(const TConfiguracaoServico& AConfiguracao) const {
  std::string firebird = UnidadeFirebird();
  std::string texto;
  texto += "[Unit]\n";
  texto += "# " + UmaLinha(AConfiguracao.Descricao) + "\n";
  texto += "Description=" + EscaparEspecificadores(UmaLinha(AConfiguracao.NomeExibicao)) + "\n";
  texto += "Requires=" + firebird + "\n";
  texto += "After=" + firebird + "\n";
  texto += "\n";
  texto += "[Service]\n";
  texto += "Type=notify\n";
  texto += "ExecStart=" + ComandoExecStart(AConfiguracao.Executavel) + "\n";
  // The local system account.
  texto += "User=root\n";
  texto += "\n";
  texto += "[Install]\n";
  texto += "WantedBy=multi-user.target\n";
  return texto;
}

void TGerenciadorSystemd::Instalar(const TConfiguracaoServico& AConfiguracao) {
  ValidarNome(AConfiguracao.Nome);
  std::string unidade = AConfiguracao.Nome + ".service";
  GravarAtomicamente(FDiretorioUnidades + "/" + unidade, TextoUnidade(AConfiguracao));
  Executar(FComandoSystemctl, {"daemon-reload"});
  Executar(FComandoSystemctl, {"enable", unidade});
}

void TGerenciadorSystemd::Desinstalar(const std::string& ANome) {
  ValidarNome(ANome);
  std::string unidade = ANome + ".service";
  std::string caminho = FDiretorioUnidades + "/" + unidade;
  if (!ArquivoExiste(caminho))
    throw EBorvanErro("O serviço " + ANome + " não está instalado (" + caminho + " não existe).");
  // A unit that could not be disabled keeps its file, so no dangling
  // links to it are left behind.
  Executar(FComandoSystemctl, {"disable", unidade});
  if (::unlink(caminho.c_str()) != 0 && errno != ENOENT)
    throw EBorvanErro("Não foi possível remover " + caminho + ": " + std::strerror(errno));
  Executar(FComandoSystemctl, {"daemon-reload"});
}

void TGerenciadorSystemd::NotificarPronto() { sd_notify(0, "READY=1"); }

void TGerenciadorSystemd::NotificarParando() { sd_notify(0, "STOPPING=1"); }

void TGerenciadorSystemd::NotificarStatus(const std::string& ATexto) {
  // The text may carry a cloud's answer; a line break in it would start
  // another assignment of the notification protocol.
  std::string mensagem = "STATUS=" + UmaLinha(ATexto);
  sd_notify(0, mensagem.c_str());
}

}  // namespace borvan
