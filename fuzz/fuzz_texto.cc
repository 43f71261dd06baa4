// UTF-8 validation against nlohmann's strict reader, and Windows-1252
// decoding: whatever the bytes, the result is valid UTF-8.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "support/texto.h"

namespace {

[[noreturn]] void Falha(const char* AMotivo) {
  std::fprintf(stderr, "%s\n", AMotivo);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string bytes(reinterpret_cast<const char*>(AData), ASize);
  const bool valido = borvan::EhUtf8Valido(bytes);

  // Without the bytes a JSON string may not hold raw, a quoted text is
  // JSON exactly when it is valid UTF-8.
  std::string semEscapes;
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\') semEscapes.push_back(c);
  }
  if (borvan::EhUtf8Valido(semEscapes) != nlohmann::json::accept("\"" + semEscapes + "\"")) {
    Falha("UTF-8 validation disagrees with nlohmann");
  }

  const std::string decodificado = borvan::Windows1252ParaUtf8(bytes);
  if (!borvan::EhUtf8Valido(decodificado)) Falha("Windows-1252 decoding gave invalid UTF-8");
  if (decodificado.size() < bytes.size() || decodificado.size() > 3 * bytes.size()) Falha("decoded size");

  const std::string coluna = borvan::TextoSemCharsetParaUtf8(bytes);
  if (!borvan::EhUtf8Valido(coluna)) Falha("column text is not UTF-8");
  if (valido && coluna != bytes) Falha("valid UTF-8 was changed");
  if (!valido && coluna != decodificado) Falha("invalid UTF-8 not read as Windows-1252");
  return 0;
}
