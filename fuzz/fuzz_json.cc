// The JSON writer against nlohmann's reader: any text in either escape
// mode reads back as itself (valid UTF-8) or as valid UTF-8 (anything
// else), and any well-formed sequence of structure calls reads back as the
// document that was meant.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/json.h"
#include "support/texto.h"

using borvan::TEscapeJson;
using borvan::TJsonEscritor;
using Json = nlohmann::ordered_json;

namespace {

[[noreturn]] void Falha(const char* AMotivo, const std::string& ADetalhe) {
  std::fprintf(stderr, "%s: %s\n", AMotivo, ADetalhe.c_str());
  std::abort();
}

Json Ler(const std::string& ATexto) {
  if (!Json::accept(ATexto)) Falha("writer produced invalid JSON", ATexto);
  return Json::parse(ATexto);
}

void UmTexto(const std::string& ATexto, TEscapeJson AEscape) {
  TJsonEscritor json(AEscape);
  json.IniciarArray();
  json.Texto(ATexto);
  json.FinalizarArray();
  const std::string& saida = json.Conteudo();
  const std::string lido = Ler(saida).at(0).get<std::string>();
  if (borvan::EhUtf8Valido(ATexto) ? lido != ATexto : !borvan::EhUtf8Valido(lido)) Falha("text changed", saida);
  if (AEscape == TEscapeJson::Send) {
    // Send bodies carry nothing from U+20AC (E2 82 AC) upward as raw
    // UTF-8; the writer's output is valid UTF-8, so lead bytes suffice.
    const auto byte = [&](size_t i) { return i < saida.size() ? static_cast<unsigned char>(saida[i]) : 0; };
    for (size_t i = 0; i < saida.size(); ++i) {
      const unsigned char b = byte(i);
      if (b >= 0xE3 || (b == 0xE2 && (byte(i + 1) > 0x82 || (byte(i + 1) == 0x82 && byte(i + 2) >= 0xAC))))
        Falha("raw character from U+20AC upward in a Send body", saida);
    }
  }
}

// Well-formed calls only: the writer's contract leaves misuse undefined.
void Estrutura(FuzzedDataProvider& ADados, TEscapeJson AEscape) {
  TJsonEscritor json(AEscape);
  Json modelo = Json::array();
  std::vector<Json*> pilha{&modelo};
  json.IniciarArray();
  int nomes = 0;
  for (int passos = 0; passos < 200 && ADados.remaining_bytes() > 0; ++passos) {
    Json& atual = *pilha.back();
    const int acao = ADados.ConsumeIntegralInRange(0, 7);
    if (acao == 1 && pilha.size() > 1) {
      if (atual.is_object()) json.FinalizarObjeto();
      else json.FinalizarArray();
      pilha.pop_back();
      continue;
    }
    // Unique names, so that duplicate members do not blur the comparison.
    std::string nome;
    if (atual.is_object()) {
      nome = ADados.ConsumeRandomLengthString(16);
      if (!borvan::EhUtf8Valido(nome)) nome = "n";
      nome += "#" + std::to_string(nomes++);
      json.Nome(nome);
    }
    const auto colocar = [&](Json AValor) -> Json& {
      if (atual.is_object()) return atual[nome] = std::move(AValor);
      atual.push_back(std::move(AValor));
      return atual.back();
    };
    switch (acao) {
      case 0:
      case 1:
        json.IniciarObjeto();
        pilha.push_back(&colocar(Json::object()));
        break;
      case 2:
        json.IniciarArray();
        pilha.push_back(&colocar(Json::array()));
        break;
      case 3: {
        std::string texto = ADados.ConsumeRandomLengthString(64);
        if (!borvan::EhUtf8Valido(texto)) texto = borvan::Windows1252ParaUtf8(texto);
        json.Texto(texto);
        colocar(texto);
        break;
      }
      case 4: {
        const auto valor = ADados.ConsumeIntegral<int64_t>();
        json.Inteiro(valor);
        colocar(valor);
        break;
      }
      case 5: {
        // Within 5e-15 of the largest double, 15 digits round beyond it;
        // amounts of the back-office are nowhere near.
        const double valor = ADados.ConsumeFloatingPointInRange<double>(-1e308, 1e308);
        json.Decimal(valor);
        const std::string texto = borvan::FormatarDecimal(valor);
        if (texto.find_first_of("eE") != std::string::npos) Falha("exponent in a decimal", texto);
        const double lido = std::strtod(texto.c_str(), nullptr);
        const double esperado = std::isfinite(valor) ? valor : 0;
        // 15 significant digits, correctly rounded.
        if (std::fabs(lido - esperado) > std::fabs(esperado) * 1e-14) Falha("decimal off", texto);
        colocar(lido);
        break;
      }
      case 6: {
        const bool valor = ADados.ConsumeBool();
        json.Booleano(valor);
        colocar(valor);
        break;
      }
      default: {
        const auto valor = ADados.ConsumeIntegral<int32_t>();
        json.NumeroTexto(std::to_string(valor));
        colocar(valor);
        break;
      }
    }
  }
  while (pilha.size() > 1) {
    if (pilha.back()->is_object()) json.FinalizarObjeto();
    else json.FinalizarArray();
    pilha.pop_back();
  }
  json.FinalizarArray();
  if (Ler(json.Conteudo()) != modelo) Falha("structure differs", json.Conteudo());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
  FuzzedDataProvider dados(AData, ASize);
  const TEscapeJson escape = dados.ConsumeBool() ? TEscapeJson::Send : TEscapeJson::Save;
  if (dados.ConsumeBool()) {
    UmTexto(dados.ConsumeRemainingBytesAsString(), escape);
  } else {
    Estrutura(dados, escape);
  }
  return 0;
}
