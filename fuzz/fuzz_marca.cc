// The reading of a high-water mark against a plain reference: an optional
// sign and ASCII digits whose value fits 32 bits; anything else is -1.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cloud/base_client.h"

namespace {

int Referencia(const std::string& ACorpo) {
  size_t i = 0;
  bool negativo = false;
  if (!ACorpo.empty() && (ACorpo[0] == '+' || ACorpo[0] == '-')) {
    negativo = ACorpo[0] == '-';
    i = 1;
  }
  if (i == ACorpo.size()) return -1;
  int64_t valor = 0;
  for (; i < ACorpo.size(); ++i) {
    if (ACorpo[i] < '0' || ACorpo[i] > '9') return -1;
    valor = valor * 10 + (ACorpo[i] - '0');
    if (valor > int64_t{1} << 32) valor = int64_t{1} << 32;  // beyond any 32-bit value
  }
  if (negativo) valor = -valor;
  if (valor < INT32_MIN || valor > INT32_MAX) return -1;
  return static_cast<int>(valor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  const std::string corpo(reinterpret_cast<const char*>(AData), ASize);
  const int lido = borvan::LerMaxCodigoAtualizacao(corpo);
  const int esperado = Referencia(corpo);
  if (lido != esperado) {
    std::fprintf(stderr, "mark %d, reference %d\n", lido, esperado);
    std::abort();
  }
  return 0;
}
