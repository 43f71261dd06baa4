#include "support/texto.h"

#include <cstdint>

namespace borvan {

namespace {

constexpr char32_t Substituto = 0xFFFD;

// 0x80..0x9F of Windows-1252; Substituto where the code page defines none.
constexpr char32_t Faixa80[32] = {
    0x20AC, Substituto, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030,     0x0160, 0x2039, 0x0152, Substituto, 0x017D, Substituto,  // 88-8F
    Substituto, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122,     0x0161, 0x203A, 0x0153, Substituto, 0x017E, 0x0178,  // 98-9F
};

void AcrescentarUtf8(std::string& ADestino, char32_t ACodigo) {
  if (ACodigo < 0x80) {
    ADestino.push_back(static_cast<char>(ACodigo));
  } else if (ACodigo < 0x800) {
    ADestino.push_back(static_cast<char>(0xC0 | (ACodigo >> 6)));
    ADestino.push_back(static_cast<char>(0x80 | (ACodigo & 0x3F)));
  } else {
    // Every code point of the table lies below U+10000.
    ADestino.push_back(static_cast<char>(0xE0 | (ACodigo >> 12)));
    ADestino.push_back(static_cast<char>(0x80 | ((ACodigo >> 6) & 0x3F)));
    ADestino.push_back(static_cast<char>(0x80 | (ACodigo & 0x3F)));
  }
}

}  // namespace

bool EhUtf8Valido(std::string_view ATexto) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(ATexto[i]); };
  size_t i = 0;
  while (i < ATexto.size()) {
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    size_t tamanho;
    unsigned char minimo = 0x80, maximo = 0xBF;  // bounds of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      tamanho = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      tamanho = 3;
      if (b0 == 0xE0) minimo = 0xA0;  // overlong
      if (b0 == 0xED) maximo = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      tamanho = 4;
      if (b0 == 0xF0) minimo = 0x90;  // overlong
      if (b0 == 0xF4) maximo = 0x8F;  // beyond U+10FFFF
    } else {
      return false;  // continuation byte, C0/C1 overlong lead, F5..FF
    }
    if (ATexto.size() - i < tamanho) return false;
    if (byte(i + 1) < minimo || byte(i + 1) > maximo) return false;
    for (size_t k = 2; k < tamanho; ++k) {
      if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return false;
    }
    i += tamanho;
  }
  return true;
}

std::string Windows1252ParaUtf8(std::string_view ATexto) {
  std::string resultado;
  resultado.reserve(ATexto.size() + ATexto.size() / 2);
  for (char c : ATexto) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      resultado.push_back(c);
    } else if (b < 0xA0) {
      AcrescentarUtf8(resultado, Faixa80[b - 0x80]);
    } else {
      AcrescentarUtf8(resultado, b);  // Latin-1 block, same code point
    }
  }
  return resultado;
}

std::string TextoSemCharsetParaUtf8(std::string_view ATexto) {
  if (EhUtf8Valido(ATexto)) return std::string(ATexto);
  return Windows1252ParaUtf8(ATexto);
}

}  // namespace borvan
