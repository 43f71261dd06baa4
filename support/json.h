// Our JSON writer. Compact text (no whitespace), members in the order
// written, and the service's own string escapes, which no library emits:
//   every body: \" \\ \/ \b \t \n \f \r, and \u00XX (upper-case hex) for
//   the other characters below U+0020;
//   Send bodies (the "services" notification) also write every character
//   from U+20AC upward as \uXXXX, with a UTF-16 surrogate pair beyond
//   U+FFFF. Save bodies write characters beyond ASCII as raw UTF-8.
// Bytes that are not valid UTF-8 are written as U+FFFD, so a body is
// always valid UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace borvan {

enum class TEscapeJson { Save, Send };

class TJsonEscritor {
 public:
  explicit TJsonEscritor(TEscapeJson AEscape = TEscapeJson::Save);

  // Structure. Commas are placed by the writer.
  void IniciarObjeto();
  void FinalizarObjeto();
  void IniciarArray();
  void FinalizarArray();
  // The name of the next member of the current object.
  void Nome(std::string_view ANome);

  // Values (an array element, or the value of the member just named).
  void Texto(std::string_view AValor);
  void Inteiro(int64_t AValor);
  // General format, at most 15 significant digits, "." separator, no
  // exponent, no trailing zeros: 12.5, 100, 0.0001, 1234567.8912, 0.
  void Decimal(double AValor);
  void Booleano(bool AValor);
  // A number written exactly as the text stands (no quotes, no check).
  void NumeroTexto(std::string_view AValor);

  // Member shorthands: Nome(ANome) then the value.
  void Texto(std::string_view ANome, std::string_view AValor) { Nome(ANome); Texto(AValor); }
  void Inteiro(std::string_view ANome, int64_t AValor) { Nome(ANome); Inteiro(AValor); }
  void Decimal(std::string_view ANome, double AValor) { Nome(ANome); Decimal(AValor); }
  void Booleano(std::string_view ANome, bool AValor) { Nome(ANome); Booleano(AValor); }
  void NumeroTexto(std::string_view ANome, std::string_view AValor) { Nome(ANome); NumeroTexto(AValor); }
  void IniciarObjeto(std::string_view ANome) { Nome(ANome); IniciarObjeto(); }

  // The text written so far.
  const std::string& Conteudo() const { return FTexto; }
  // Forgets everything written; the buffer's capacity is kept.
  void Limpar();

 private:
  void Separar();
  void EscreverTexto(std::string_view AValor);

  TEscapeJson FEscape;
  std::string FTexto;
  std::vector<bool> FPrimeiro;  // per open container: no element yet
  bool FAposNome = false;
};

// The text of Decimal, on its own.
std::string FormatarDecimal(double AValor);

}  // namespace borvan
