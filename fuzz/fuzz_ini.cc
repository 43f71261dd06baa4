// The reading of ConnectionDefs.ini over any bytes: a definition that
// keeps its promises, or an EBorvanErro naming the file; nothing else.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "db/conexao.h"
#include "support/erros.h"

namespace {

// One file per process, rewritten for every input and removed at exit.
struct TArquivo {
  TArquivo() {
    char modelo[] = "/tmp/borvan-fuzz-ini-XXXXXX";
    const int descritor = mkstemp(modelo);
    if (descritor < 0) std::abort();
    close(descritor);
    Caminho = modelo;
  }
  ~TArquivo() { std::remove(Caminho.c_str()); }
  std::string Caminho;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  static TArquivo arquivo;
  {
    std::ofstream saida(arquivo.Caminho, std::ios::binary | std::ios::trunc);
    saida.write(reinterpret_cast<const char*>(AData), static_cast<std::streamsize>(ASize));
  }
  try {
    const borvan::TDefinicaoConexao definicao = borvan::TDefinicaoConexao::Ler(arquivo.Caminho, "Borvan");
    const bool fb = definicao.DriverID.size() == 2 && (definicao.DriverID[0] | 0x20) == 'f' &&
                    (definicao.DriverID[1] | 0x20) == 'b';
    if (!fb || definicao.Server.empty() || definicao.Database.empty() || definicao.CharacterSet.empty()) {
      std::fprintf(stderr, "definition read without DriverID FB, Server, Database or CharacterSet\n");
      std::abort();
    }
  } catch (const borvan::EBorvanErro& erro) {
    if (std::string(erro.what()).find(arquivo.Caminho) == std::string::npos) {
      std::fprintf(stderr, "error does not name the file: %s\n", erro.what());
      std::abort();
    }
  }
  // Any other exception escapes and libFuzzer reports it.
  return 0;
}
