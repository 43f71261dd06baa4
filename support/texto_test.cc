// Windows-1252 decoding and UTF-8 validation of text from columns without
// a character set.
#include "support/texto.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace borvan {
namespace {

// glibc's own converter, an independent reading of the code page. Empty
// when it refuses the byte.
std::string PeloIconv(unsigned char AByte) {
  iconv_t conversor = iconv_open("UTF-8", "WINDOWS-1252");
  if (conversor == reinterpret_cast<iconv_t>(-1)) return "?iconv";
  char entrada[1] = {static_cast<char>(AByte)};
  char saida[8];
  char* pEntrada = entrada;
  char* pSaida = saida;
  size_t restaEntrada = 1, restaSaida = sizeof saida;
  const size_t resultado = iconv(conversor, &pEntrada, &restaEntrada, &pSaida, &restaSaida);
  iconv_close(conversor);
  if (resultado == static_cast<size_t>(-1)) return "";
  return std::string(saida, pSaida);
}

TEST(Windows1252ParaUtf8Test, EveryByteMatchesTheSystemConverter) {
  const std::string substituto = "\xEF\xBF\xBD";
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const std::string nosso = Windows1252ParaUtf8(std::string(1, static_cast<char>(b)));
    const bool indefinido = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (indefinido) {
      EXPECT_EQ(nosso, substituto);
    } else {
      EXPECT_EQ(nosso, PeloIconv(static_cast<unsigned char>(b)));
    }
    EXPECT_TRUE(EhUtf8Valido(nosso));
  }
}

TEST(Windows1252ParaUtf8Test, TextsOfTheBackOffice) {
  const struct {
    std::string Entrada;
    std::string Esperado;
  } casos[] = {
      {"", ""},
      {"Rua das Flores, 12", "Rua das Flores, 12"},
      {"S\xE3o Jo\xE3o \x96 A\xE7\xFA" "car", "S\xC3\xA3o Jo\xC3\xA3o \xE2\x80\x93 A\xC3\xA7\xC3\xBA" "car"},
      {"\x80 9,90 \x99 \x93x\x94 \x85", "\xE2\x82\xAC 9,90 \xE2\x84\xA2 \xE2\x80\x9Cx\xE2\x80\x9D \xE2\x80\xA6"},
      {"\x8A\x9A\x8E\x9E\x9F\x8C\x9C\x83", "\xC5\xA0\xC5\xA1\xC5\xBD\xC5\xBE\xC5\xB8\xC5\x92\xC5\x93\xC6\x92"},
      {std::string("a\0b\x1F", 4), std::string("a\0b\x1F", 4)},
      {"\xFF\xA0\xC3", "\xC3\xBF\xC2\xA0\xC3\x83"},
  };
  for (const auto& caso : casos) EXPECT_EQ(Windows1252ParaUtf8(caso.Entrada), caso.Esperado) << caso.Entrada;
}

TEST(EhUtf8ValidoTest, AcceptsWellFormedAndRejectsEveryKindOfMalformedSequence) {
  const struct {
    std::string Texto;
    bool Valido;
  } casos[] = {
      {"", true},
      {std::string("\0\x7F", 2), true},
      {"\xC3\xA7", true},                    // ç
      {"\xE2\x82\xAC", true},                // €
      {"\xEF\xBF\xBF", true},                // U+FFFF
      {"\xED\x9F\xBF", true},                // U+D7FF, just below the surrogates
      {"\xEE\x80\x80", true},                // U+E000, just above them
      {"\xF0\x9F\x98\x80", true},            // U+1F600
      {"\xF4\x8F\xBF\xBF", true},            // U+10FFFF
      {"\x80", false},                       // stray continuation
      {"a\xBF" "b", false},
      {"\xC3", false},                       // truncated at the end
      {"\xC3" "a", false},                   // truncated by ASCII
      {"\xE2\x82", false},
      {"\xF0\x9F\x98", false},
      {"\xC0\x80", false},                   // overlong NUL
      {"\xC1\xBF", false},
      {"\xE0\x9F\xBF", false},               // overlong 3-byte
      {"\xF0\x8F\xBF\xBF", false},           // overlong 4-byte
      {"\xED\xA0\x80", false},               // U+D800
      {"\xED\xBF\xBF", false},               // U+DFFF
      {"\xF4\x90\x80\x80", false},           // U+110000
      {"\xF5\x80\x80\x80", false},
      {"\xFF", false},
      {"S\xE3o Paulo", false},               // Windows-1252 text
  };
  for (const auto& caso : casos) EXPECT_EQ(EhUtf8Valido(caso.Texto), caso.Valido) << testing::PrintToString(caso.Texto);
}

TEST(TextoSemCharsetParaUtf8Test, KeepsUtf8AndReadsAnythingElseWholeAsWindows1252) {
  const struct {
    std::string Entrada;
    std::string Esperado;
  } casos[] = {
      {"Caf\xC3\xA9", "Caf\xC3\xA9"},  // already UTF-8: untouched, not decoded twice
      {"Caf\xE9", "Caf\xC3\xA9"},
      // One 1252 byte makes the whole value 1252, UTF-8-looking pairs included.
      {"\xC3\xA7 \xE7", "\xC3\x83\xC2\xA7 \xC3\xA7"},
      {"\x81\x8D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"plain", "plain"},
  };
  for (const auto& caso : casos) {
    const std::string resultado = TextoSemCharsetParaUtf8(caso.Entrada);
    EXPECT_EQ(resultado, caso.Esperado) << caso.Entrada;
    EXPECT_TRUE(EhUtf8Valido(resultado));
  }
}

}  // namespace
}  // namespace borvan
