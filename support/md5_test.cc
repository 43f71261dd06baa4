#include <gtest/gtest.h>

#include <string>

#include "support/utilidades.h"

namespace borvan {
namespace {

// Digests computed independently with md5sum / Python's hashlib.
TEST(CalcularMd5, DigestosConhecidos) {
  struct TCaso {
    const char* Nome;
    std::string Entrada;
    const char* Digesto;
  };
  const TCaso casos[] = {
      {"vazio", "", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"Nao com til em UTF-8", "N\xC3\xA3o", "b231909af1721c8e3c2756c59a25603e"},
      // Around the padding boundaries of the 64-byte block.
      {"55 bytes", std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
      {"56 bytes", std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
      {"63 bytes", std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
      {"64 bytes", std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
      {"65 bytes", std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
  };
  for (const TCaso& caso : casos) {
    EXPECT_EQ(CalcularMd5(caso.Entrada), caso.Digesto) << caso.Nome;
  }
}

TEST(CalcularMd5, UmMegabyteComTodosOsValoresDeByte) {
  std::string entrada(1 << 20, '\0');
  for (size_t i = 0; i < entrada.size(); ++i) entrada[i] = static_cast<char>(i % 251);
  EXPECT_EQ(CalcularMd5(entrada), "8f293a2f6c19b345152f7a49bb4c643c");
}

}  // namespace
}  // namespace borvan
