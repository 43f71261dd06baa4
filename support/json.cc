#include "support/json.h"

#include <array>
#include <charconv>
#include <cmath>

namespace borvan {

namespace {

constexpr char Hex[] = "0123456789ABCDEF";

// Code points from here upward go out as \uXXXX in Send bodies.
constexpr uint32_t InicioEscapeSend = 0x20AC;
constexpr uint32_t Substituto = 0xFFFD;
// What DecodificarUtf8 yields for bytes that are not UTF-8.
constexpr uint32_t Invalido = 0xFFFFFFFF;

// For each ASCII byte: 0 = written as it is, 'u' = \u00XX, otherwise the
// letter after the reverse solidus.
constexpr std::array<char, 128> TabelaAscii = [] {
  std::array<char, 128> tabela{};
  for (int i = 0; i < 0x20; ++i) tabela[i] = 'u';
  tabela['"'] = '"';
  tabela['\\'] = '\\';
  tabela['/'] = '/';
  tabela['\b'] = 'b';
  tabela['\t'] = 't';
  tabela['\n'] = 'n';
  tabela['\f'] = 'f';
  tabela['\r'] = 'r';
  return tabela;
}();

void EscreverU(std::string& ADestino, uint32_t AUnidade) {
  const char texto[6] = {'\\', 'u', Hex[(AUnidade >> 12) & 0xF], Hex[(AUnidade >> 8) & 0xF], Hex[(AUnidade >> 4) & 0xF],
                         Hex[AUnidade & 0xF]};
  ADestino.append(texto, sizeof texto);
}

void EscreverCodigoEscapado(std::string& ADestino, uint32_t ACodigo) {
  if (ACodigo > 0xFFFF) {
    const uint32_t resto = ACodigo - 0x10000;
    EscreverU(ADestino, 0xD800 | (resto >> 10));
    EscreverU(ADestino, 0xDC00 | (resto & 0x3FF));
  } else {
    EscreverU(ADestino, ACodigo);
  }
}

// Decodes one UTF-8 sequence starting at ATexto[AInicio] (a byte >= 0x80).
// Returns the bytes it spans; ACodigo is the code point, or Invalido for an
// invalid sequence, which then spans its maximal valid prefix (at least 1).
size_t DecodificarUtf8(std::string_view ATexto, size_t AInicio, uint32_t& ACodigo) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(ATexto[i]); };
  const unsigned char b0 = byte(AInicio);
  size_t tamanho;
  unsigned char minimo = 0x80, maximo = 0xBF;  // bounds of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    tamanho = 2;
    ACodigo = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    tamanho = 3;
    ACodigo = b0 & 0x0F;
    if (b0 == 0xE0) minimo = 0xA0;  // overlong
    if (b0 == 0xED) maximo = 0x9F;  // UTF-16 surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    tamanho = 4;
    ACodigo = b0 & 0x07;
    if (b0 == 0xF0) minimo = 0x90;  // overlong
    if (b0 == 0xF4) maximo = 0x8F;  // beyond U+10FFFF
  } else {
    ACodigo = Invalido;
    return 1;
  }
  for (size_t k = 1; k < tamanho; ++k) {
    const size_t i = AInicio + k;
    const unsigned char limiteInferior = k == 1 ? minimo : 0x80;
    const unsigned char limiteSuperior = k == 1 ? maximo : 0xBF;
    if (i >= ATexto.size() || byte(i) < limiteInferior || byte(i) > limiteSuperior) {
      ACodigo = Invalido;
      return k;
    }
    ACodigo = (ACodigo << 6) | (byte(i) & 0x3F);
  }
  return tamanho;
}

void EscreverDecimalEm(std::string& ADestino, double AValor) {
  if (!std::isfinite(AValor) || AValor == 0) {
    ADestino.push_back('0');
    return;
  }
  // 15 significant digits, correctly rounded: "-d.dddddddddddddde+XX".
  char cientifico[32];
  const auto resultado = std::to_chars(cientifico, cientifico + sizeof cientifico, AValor,
                                       std::chars_format::scientific, 14);
  const char* p = cientifico;
  const char* const fim = resultado.ptr;
  if (*p == '-') {
    ADestino.push_back('-');
    ++p;
  }
  char digitos[16];
  size_t quantos = 0;
  for (; p < fim && *p != 'e'; ++p) {
    if (*p != '.') digitos[quantos++] = *p;
  }
  int expoente = 0;
  std::from_chars(p + 1 + (p[1] == '+'), fim, expoente);
  while (quantos > 1 && digitos[quantos - 1] == '0') --quantos;

  // Positional layout: the first `inteiros` digits stand before the point.
  const int inteiros = expoente + 1;
  if (inteiros <= 0) {
    ADestino.append("0.");
    ADestino.append(static_cast<size_t>(-inteiros), '0');
    ADestino.append(digitos, quantos);
  } else if (static_cast<size_t>(inteiros) >= quantos) {
    ADestino.append(digitos, quantos);
    ADestino.append(static_cast<size_t>(inteiros) - quantos, '0');
  } else {
    ADestino.append(digitos, static_cast<size_t>(inteiros));
    ADestino.push_back('.');
    ADestino.append(digitos + inteiros, quantos - static_cast<size_t>(inteiros));
  }
}

}  // namespace

TJsonEscritor::TJsonEscritor(TEscapeJson AEscape) : FEscape(AEscape) {}

void TJsonEscritor::Separar() {
  if (FAposNome) {
    FAposNome = false;
    return;
  }
  if (FPrimeiro.empty()) return;
  if (FPrimeiro.back()) {
    FPrimeiro.back() = false;
  } else {
    FTexto.push_back(',');
  }
}

void TJsonEscritor::IniciarObjeto() {
  Separar();
  FTexto.push_back('{');
  FPrimeiro.push_back(true);
}

void TJsonEscritor::FinalizarObjeto() {
  FTexto.push_back('}');
  if (!FPrimeiro.empty()) FPrimeiro.pop_back();
}

void TJsonEscritor::IniciarArray() {
  Separar();
  FTexto.push_back('[');
  FPrimeiro.push_back(true);
}

void TJsonEscritor::FinalizarArray() {
  FTexto.push_back(']');
  if (!FPrimeiro.empty()) FPrimeiro.pop_back();
}

void TJsonEscritor::Nome(std::string_view ANome) {
  Separar();
  EscreverTexto(ANome);
  FTexto.push_back(':');
  FAposNome = true;
}

void TJsonEscritor::Texto(std::string_view AValor) {
  Separar();
  EscreverTexto(AValor);
}

void TJsonEscritor::Inteiro(int64_t AValor) {
  Separar();
  char texto[24];
  const auto resultado = std::to_chars(texto, texto + sizeof texto, AValor);
  FTexto.append(texto, resultado.ptr);
}

void TJsonEscritor::Decimal(double AValor) {
  Separar();
  EscreverDecimalEm(FTexto, AValor);
}

void TJsonEscritor::Booleano(bool AValor) {
  Separar();
  FTexto.append(AValor ? "true" : "false");
}

void TJsonEscritor::NumeroTexto(std::string_view AValor) {
  Separar();
  FTexto.append(AValor);
}

void TJsonEscritor::Limpar() {
  FTexto.clear();
  FPrimeiro.clear();
  FAposNome = false;
}

void TJsonEscritor::EscreverTexto(std::string_view AValor) {
  FTexto.push_back('"');
  // Runs of bytes that go out unchanged are appended in one piece.
  size_t inicioTrecho = 0;
  size_t i = 0;
  const auto fecharTrecho = [&] { FTexto.append(AValor.data() + inicioTrecho, i - inicioTrecho); };
  while (i < AValor.size()) {
    const unsigned char byte = static_cast<unsigned char>(AValor[i]);
    if (byte < 0x80) {
      const char escape = TabelaAscii[byte];
      if (escape == 0) {
        ++i;
        continue;
      }
      fecharTrecho();
      if (escape == 'u') {
        EscreverU(FTexto, byte);
      } else {
        FTexto.push_back('\\');
        FTexto.push_back(escape);
      }
      inicioTrecho = ++i;
      continue;
    }
    uint32_t codigo;
    const size_t tamanho = DecodificarUtf8(AValor, i, codigo);
    const bool invalido = codigo == Invalido;
    if (invalido) codigo = Substituto;
    const bool escapar = FEscape == TEscapeJson::Send && codigo >= InicioEscapeSend;
    if (!invalido && !escapar) {
      i += tamanho;
      continue;
    }
    fecharTrecho();
    if (escapar) {
      EscreverCodigoEscapado(FTexto, codigo);
    } else {
      FTexto.append("\xEF\xBF\xBD");
    }
    i += tamanho;
    inicioTrecho = i;
  }
  fecharTrecho();
  FTexto.push_back('"');
}

std::string FormatarDecimal(double AValor) {
  std::string texto;
  EscreverDecimalEm(texto, AValor);
  return texto;
}

}  // namespace borvan
