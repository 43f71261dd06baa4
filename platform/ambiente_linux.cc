// The Linux environment: /proc/self/exe, gethostname, getifaddrs,
// localtime_r and syslog.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <limits.h>
#include <locale.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>
#include <wctype.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/ambiente.h"
#include "support/erros.h"

namespace borvan {
namespace {

class TAmbienteLinux : public TAmbiente {
 public:
  std::string CaminhoExecutavel() override {
    char caminho[PATH_MAX];
    ssize_t tamanho = readlink("/proc/self/exe", caminho, sizeof(caminho) - 1);
    if (tamanho < 0) throw EBorvanErro(std::string("/proc/self/exe: ") + std::strerror(errno));
    caminho[tamanho] = '\0';
    char resolvido[PATH_MAX];
    if (realpath(caminho, resolvido) != nullptr) return resolvido;
    return std::string(caminho, static_cast<size_t>(tamanho));
  }

  std::string DiretorioExecutavel() override {
    std::string caminho = CaminhoExecutavel();
    size_t barra = caminho.rfind('/');
    if (barra == std::string::npos) return ".";
    if (barra == 0) return "/";
    return caminho.substr(0, barra);
  }

  std::string NomeComputador() override {
    char nome[HOST_NAME_MAX + 1] = {};
    if (gethostname(nome, sizeof(nome) - 1) != 0) return "";
    std::string resultado(nome);
    size_t ponto = resultado.find('.');
    if (ponto != std::string::npos) resultado.resize(ponto);
    if (resultado.size() > 15) resultado.resize(15);
    return resultado;
  }

  std::string IPLocal() override {
    ifaddrs* lista = nullptr;
    if (getifaddrs(&lista) != 0) return "";
    std::string resultado;
    for (ifaddrs* item = lista; item != nullptr; item = item->ifa_next) {
      if (item->ifa_addr == nullptr || item->ifa_addr->sa_family != AF_INET) continue;
      if ((item->ifa_flags & IFF_LOOPBACK) != 0) continue;
      auto* endereco = reinterpret_cast<sockaddr_in*>(item->ifa_addr);
      if ((ntohl(endereco->sin_addr.s_addr) >> 24) == 127) continue;
      char texto[INET_ADDRSTRLEN] = {};
      if (inet_ntop(AF_INET, &endereco->sin_addr, texto, sizeof(texto)) != nullptr) {
        resultado = texto;
        break;
      }
    }
    freeifaddrs(lista);
    return resultado;
  }

  TDataHora Agora() override {
    auto agora = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(agora.time_since_epoch()).count();
    time_t segundos = static_cast<time_t>(ms / 1000);
    tm partes{};
    localtime_r(&segundos, &partes);
    return TDataHora{partes.tm_year + 1900, partes.tm_mon + 1, partes.tm_mday, partes.tm_hour,
                     partes.tm_min,         partes.tm_sec,     static_cast<int>(ms % 1000)};
  }

  void RegistrarEventoSistema(const std::string& AIdent, const std::string& AMensagem) override {
    // openlog keeps the pointer, so the ident must outlive the call.
    static std::string ident;
    ident = AIdent;
    openlog(ident.c_str(), LOG_PID, LOG_DAEMON);
    syslog(LOG_ERR, "%s", AMensagem.c_str());
    closelog();
  }
};

// Decodes one UTF-8 sequence at APos; returns the code point or -1 for an
// invalid sequence (AComprimento then 1).
long DecodificarUtf8(const std::string& ATexto, size_t APos, size_t& AComprimento) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(ATexto[i]); };
  unsigned char c = byte(APos);
  AComprimento = 1;
  if (c < 0x80) return c;
  int extra;
  long valor;
  if ((c & 0xE0) == 0xC0) { extra = 1; valor = c & 0x1F; }
  else if ((c & 0xF0) == 0xE0) { extra = 2; valor = c & 0x0F; }
  else if ((c & 0xF8) == 0xF0) { extra = 3; valor = c & 0x07; }
  else return -1;
  if (APos + extra >= ATexto.size()) return -1;
  for (int i = 1; i <= extra; ++i) {
    unsigned char seguinte = byte(APos + i);
    if ((seguinte & 0xC0) != 0x80) return -1;
    valor = (valor << 6) | (seguinte & 0x3F);
  }
  static const long minimo[] = {0, 0x80, 0x800, 0x10000};
  if (valor < minimo[extra] || valor > 0x10FFFF || (valor >= 0xD800 && valor <= 0xDFFF)) return -1;
  AComprimento = static_cast<size_t>(extra) + 1;
  return valor;
}

void CodificarUtf8(long AValor, std::string& ADestino) {
  if (AValor < 0x80) {
    ADestino += static_cast<char>(AValor);
  } else if (AValor < 0x800) {
    ADestino += static_cast<char>(0xC0 | (AValor >> 6));
    ADestino += static_cast<char>(0x80 | (AValor & 0x3F));
  } else if (AValor < 0x10000) {
    ADestino += static_cast<char>(0xE0 | (AValor >> 12));
    ADestino += static_cast<char>(0x80 | ((AValor >> 6) & 0x3F));
    ADestino += static_cast<char>(0x80 | (AValor & 0x3F));
  } else {
    ADestino += static_cast<char>(0xF0 | (AValor >> 18));
    ADestino += static_cast<char>(0x80 | ((AValor >> 12) & 0x3F));
    ADestino += static_cast<char>(0x80 | ((AValor >> 6) & 0x3F));
    ADestino += static_cast<char>(0x80 | (AValor & 0x3F));
  }
}

}  // namespace

TAmbiente*& TAmbiente::Substituto() {
  static TAmbiente* substituto = nullptr;
  return substituto;
}

TAmbiente& TAmbiente::Padrao() {
  static TAmbienteLinux padrao;
  return padrao;
}

TAmbiente& TAmbiente::Atual() {
  TAmbiente* substituto = Substituto();
  return substituto != nullptr ? *substituto : Padrao();
}

std::string Minusculas(const std::string& ATexto) {
  // C.UTF-8 carries the Unicode case tables whatever locale the process has.
  static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  std::string resultado;
  resultado.reserve(ATexto.size());
  for (size_t i = 0; i < ATexto.size();) {
    size_t comprimento;
    long valor = DecodificarUtf8(ATexto, i, comprimento);
    if (valor < 0) {
      resultado += ATexto[i];
    } else if (valor < 0x80) {
      resultado += static_cast<char>(valor >= 'A' && valor <= 'Z' ? valor + 32 : valor);
    } else {
      wint_t minuscula = utf8 != static_cast<locale_t>(0)
                             ? towlower_l(static_cast<wint_t>(valor), utf8)
                             : static_cast<wint_t>(valor);
      CodificarUtf8(static_cast<long>(minuscula), resultado);
    }
    i += comprimento;
  }
  return resultado;
}

bool ArquivoExiste(const std::string& ACaminho) {
  struct stat info;
  return stat(ACaminho.c_str(), &info) == 0;
}

}  // namespace borvan
