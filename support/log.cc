#include "support/log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/ambiente.h"
#include "support/erros.h"

namespace borvan {

namespace {

constexpr const char* NomeLog = "BorvanService.log";
constexpr const char* NomeArquivoMorto = "BorvanService.old";
constexpr long long LimiteRotacao = 2097152;  // 2 MiB

std::string RazaoSistema(int ACodigo) { return std::system_category().message(ACodigo); }

[[noreturn]] void FalharArquivo(const char* AAcao, const std::string& ACaminho, int ACodigo) {
  throw EBorvanErro(std::string("Não foi possível ") + AAcao + " o arquivo \"" + ACaminho + "\": " +
                    RazaoSistema(ACodigo));
}

// Owns one open descriptor; closing also drops its flock.
class TDescritor {
 public:
  explicit TDescritor(int AFd) : FFd(AFd) {}
  ~TDescritor() {
    if (FFd >= 0) ::close(FFd);
  }
  TDescritor(const TDescritor&) = delete;
  TDescritor& operator=(const TDescritor&) = delete;
  int Fd() const { return FFd; }

 private:
  int FFd;
};

}  // namespace

std::string TLog::GetFullFileName() const {
  return TAmbiente::Atual().DiretorioExecutavel() + "/" + NomeLog;
}

void TLog::Info(const std::string& ATexto) { Escrever("INFO", ATexto); }
void TLog::Warn(const std::string& ATexto) { Escrever("WARN", ATexto); }
void TLog::Error(const std::string& ATexto) { Escrever("ERROR", ATexto); }

void TLog::Escrever(const char* ANivel, const std::string& ATexto) {
  const std::string caminho = GetFullFileName();
  TDescritor arquivo(::open(caminho.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (arquivo.Fd() < 0) FalharArquivo("abrir", caminho, errno);
  // Anyone else holding the lock (another process appending) makes this
  // line fail rather than interleave with theirs.
  if (::flock(arquivo.Fd(), LOCK_EX | LOCK_NB) != 0) FalharArquivo("bloquear", caminho, errno);

  const TDataHora agora = TAmbiente::Atual().Agora();
  char hora[40];
  std::snprintf(hora, sizeof hora, "%02d:%02d:%02d", agora.Hora, agora.Minuto, agora.Segundo);
  std::string linha;
  linha.reserve(ATexto.size() + 32);
  linha.append(hora).append(" - ").append(ANivel).append(": ").append(ATexto).append("\r\n");

  const char* resto = linha.data();
  size_t falta = linha.size();
  while (falta > 0) {
    const ssize_t escritos = ::write(arquivo.Fd(), resto, falta);
    if (escritos < 0) {
      if (errno == EINTR) continue;
      FalharArquivo("gravar", caminho, errno);
    }
    resto += escritos;
    falta -= static_cast<size_t>(escritos);
  }
}

void RotacionarLog(const TLog& ALog) {
  const std::string caminho = ALog.GetFullFileName();
  struct stat info {};
  // Not found (or not reachable) means nothing to archive; the next write
  // reports a directory that is really unusable.
  if (::stat(caminho.c_str(), &info) != 0) return;
  if (static_cast<long long>(info.st_size) < LimiteRotacao) return;

  const std::string arquivoMorto =
      (std::filesystem::path(caminho).parent_path() / NomeArquivoMorto).string();
  std::error_code erro;
  std::filesystem::copy_file(caminho, arquivoMorto, std::filesystem::copy_options::overwrite_existing, erro);
  if (erro) {
    throw EBorvanErro("Não foi possível copiar o arquivo \"" + caminho + "\" para \"" + arquivoMorto +
                      "\": " + erro.message());
  }
  if (::unlink(caminho.c_str()) != 0) FalharArquivo("excluir", caminho, errno);
}

}  // namespace borvan
