// MD5 after RFC 1321, used to tell whether a company's options changed.
#include <cstdint>
#include <cstring>
#include <string>

#include "support/utilidades.h"

namespace borvan {

namespace {

struct TContextoMd5 {
  uint32_t Estado[4];   // chaining words A, B, C, D
  uint64_t Bits;        // message length so far, in bits
  uint8_t Bloco[64];    // bytes of the block not yet transformed
};

constexpr uint32_t RotacionarEsquerda(uint32_t AValor, int ABits) {
  return (AValor << ABits) | (AValor >> (32 - ABits));
}

// Per-round shift amounts and the sine-derived constants T[i].
constexpr int Deslocamentos[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                   5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                   4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                   6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t Constantes[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

void Md5Transformar(uint32_t AEstado[4], const uint8_t ABloco[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) {
    // Words are little-endian whatever the host's byte order.
    x[i] = uint32_t{ABloco[i * 4]} | (uint32_t{ABloco[i * 4 + 1]} << 8) | (uint32_t{ABloco[i * 4 + 2]} << 16) |
           (uint32_t{ABloco[i * 4 + 3]} << 24);
  }
  uint32_t a = AEstado[0], b = AEstado[1], c = AEstado[2], d = AEstado[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (b & d) | (c & ~d);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const uint32_t temp = d;
    d = c;
    c = b;
    b = b + RotacionarEsquerda(a + f + Constantes[i] + x[g], Deslocamentos[i]);
    a = temp;
  }
  AEstado[0] += a;
  AEstado[1] += b;
  AEstado[2] += c;
  AEstado[3] += d;
}

void Md5Iniciar(TContextoMd5& AContexto) {
  AContexto.Estado[0] = 0x67452301;
  AContexto.Estado[1] = 0xefcdab89;
  AContexto.Estado[2] = 0x98badcfe;
  AContexto.Estado[3] = 0x10325476;
  AContexto.Bits = 0;
}

void Md5Atualizar(TContextoMd5& AContexto, const uint8_t* ADados, size_t ATamanho) {
  size_t usados = static_cast<size_t>((AContexto.Bits >> 3) & 0x3f);
  AContexto.Bits += static_cast<uint64_t>(ATamanho) << 3;
  if (usados > 0) {
    const size_t cabe = 64 - usados;
    if (ATamanho < cabe) {
      std::memcpy(AContexto.Bloco + usados, ADados, ATamanho);
      return;
    }
    std::memcpy(AContexto.Bloco + usados, ADados, cabe);
    Md5Transformar(AContexto.Estado, AContexto.Bloco);
    ADados += cabe;
    ATamanho -= cabe;
  }
  for (; ATamanho >= 64; ADados += 64, ATamanho -= 64) Md5Transformar(AContexto.Estado, ADados);
  if (ATamanho > 0) std::memcpy(AContexto.Bloco, ADados, ATamanho);
}

void Md5Finalizar(TContextoMd5& AContexto, uint8_t ADigest[16]) {
  uint8_t comprimento[8];
  for (int i = 0; i < 8; ++i) comprimento[i] = static_cast<uint8_t>(AContexto.Bits >> (8 * i));
  // One 0x80 byte, zeros up to 56 mod 64, then the original bit length.
  static const uint8_t Enchimento[64] = {0x80};
  const size_t usados = static_cast<size_t>((AContexto.Bits >> 3) & 0x3f);
  const size_t enchimento = usados < 56 ? 56 - usados : 120 - usados;
  Md5Atualizar(AContexto, Enchimento, enchimento);
  Md5Atualizar(AContexto, comprimento, 8);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) ADigest[i * 4 + j] = static_cast<uint8_t>(AContexto.Estado[i] >> (8 * j));
  }
}

}  // namespace

std::string CalcularMd5(const std::string& AValue) {
  // std::string already holds the UTF-8 bytes; they are digested as they are.
  TContextoMd5 contexto;
  Md5Iniciar(contexto);
  Md5Atualizar(contexto, reinterpret_cast<const uint8_t*>(AValue.data()), AValue.size());
  uint8_t digest[16];
  Md5Finalizar(contexto, digest);

  static constexpr char Digitos[] = "0123456789abcdef";
  std::string texto(32, '0');
  for (int i = 0; i < 16; ++i) {
    texto[i * 2] = Digitos[digest[i] >> 4];
    texto[i * 2 + 1] = Digitos[digest[i] & 0x0f];
  }
  return texto;
}

}  // namespace borvan
