// Small helpers of the utility module: application version and flags.
#pragma once

#include <cstdint>
#include <string>

namespace borvan {

// Version of the running executable, from the build (four numbers).
class TVersaoAplicativo {
 public:
  // The version text of the running executable, e.g. "1.0.4.0". Throws
  // EBorvanErro("Não foi possível obter a versão do aplicativo") when the
  // build carries none.
  static std::string Execute();
  // "%d.%d.%d.%d" of the four components.
  static std::string VersaoEmTexto(uint16_t AMaior, uint16_t AMenor, uint16_t ARelease, uint16_t ABuild);
};

// The database's one-letter flags. Only "S" or "s" reads as true.
class TBorvanBoolean {
 public:
  TBorvanBoolean() = delete;
  static bool Convert(const std::string& AValue);
  // Literals are texts, not pointers that would turn into a boolean.
  static bool Convert(const char* AValue) { return Convert(std::string(AValue)); }
  static std::string Convert(bool AValue);
  static std::string Convert(uint8_t AValue);
  static std::string Invert(const std::string& AValue);
  static std::string Invert(const char* AValue) { return Invert(std::string(AValue)); }
  static bool Invert(bool AValue);
  static uint8_t Invert(uint8_t AValue);
  static std::string IsTrue(const std::string& AValue);
  static std::string ToText(bool AValue);
  static std::string ToText(const std::string& AValue);
  static std::string ToText(const char* AValue) { return ToText(std::string(AValue)); }
};

// MD5 (RFC 1321) of the text's UTF-8 bytes, 32 lower-case hex digits.
std::string CalcularMd5(const std::string& AValue);

}  // namespace borvan
