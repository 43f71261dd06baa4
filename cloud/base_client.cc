#include "cloud/base_client.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "platform/ambiente.h"
#include "support/erros.h"

namespace borvan {

const char* const TOKEN_BORVAN =
    "eyJhbGciOiJIUzI1NiIsInR5cCI6IkpXVCJ9"
    ".eyJzdWIiOiJCb3J2YW5TZXJ2aWNlIiwiaXNzIjoiYm9ydmFuc2lzdGVtYXMuYnIiLCJhdWQiOlsicXVlbmRhIiwibHVtaW8iXSwiaWF0IjoxNzA0MDY3MjAwfQ"
    ".I3k-ToV862wCbWjAZer8mvyAvpq9zevpUt6ZBSKxDGU";

namespace {
// Both clouds allow a minute to connect and a minute without progress.
constexpr long TEMPO_LIMITE_MS = 60000;
}  // namespace

bool EhProgramador() {
  return ArquivoExiste(TAmbiente::Atual().DiretorioExecutavel() + "/Eh.Programador");
}

template <class TNuvem>
TBaseClient<TNuvem>::TBaseClient(std::string AToken)
    : FToken(std::move(AToken)),
      FUrlBase(EhProgramador() ? TNuvem::UrlDesenvolvimento : TNuvem::UrlProducao),
      FClient(CriarHttpCliente()) {
  FRequest.TempoLimiteMs = TEMPO_LIMITE_MS;
}

template <class TNuvem>
void TBaseClient<TNuvem>::PrepareRequest(const char* AMethod) {
  FRequest.Metodo = AMethod;
  FRequest.Url.clear();
  FRequest.Cabecalhos.clear();
  FRequest.Corpo.clear();
  FResource.clear();
  FBody.clear();
  FRequest.Cabecalhos.emplace_back("Authorization", "Bearer " + FToken);
}

template <class TNuvem>
void TBaseClient<TNuvem>::Execute() {
  // Until an answer arrives, nothing of the previous one may be read as it.
  FStatusCode = 0;
  FStatusText.clear();
  FContent.clear();

  FRequest.Url = FUrlBase + FResource;
  if (FRequest.Metodo == "POST") {
    FRequest.Corpo = FBody;
    FRequest.Cabecalhos.emplace_back("Content-Type", "application/json");
  } else {
    FRequest.Corpo.clear();
  }

  TRespostaHttp resposta = FClient->Executar(FRequest);
  FStatusCode = resposta.Codigo;
  FStatusText = std::move(resposta.Motivo);
  FContent = std::move(resposta.Corpo);
  if (FStatusCode >= 500) {
    std::string linha = std::to_string(FStatusCode) + " " + FStatusText;
    throw ENuvem(resposta.Versao.empty() ? linha : resposta.Versao + " " + linha);
  }
}

template class TBaseClient<TNuvemQuenda>;
template class TBaseClient<TNuvemLumio>;

int LerMaxCodigoAtualizacao(const std::string& ACorpo) {
  constexpr int INVALIDO = -1;
  size_t inicio = 0;
  bool negativo = false;
  if (!ACorpo.empty() && (ACorpo[0] == '+' || ACorpo[0] == '-')) {
    negativo = ACorpo[0] == '-';
    inicio = 1;
  }
  if (inicio == ACorpo.size()) return INVALIDO;
  for (size_t i = inicio; i < ACorpo.size(); ++i)
    if (ACorpo[i] < '0' || ACorpo[i] > '9') return INVALIDO;

  // Magnitude first, so that "-2147483648" fits and leading zeros are fine.
  uint64_t magnitude = 0;
  const char* fim = ACorpo.data() + ACorpo.size();
  auto [pos, erro] = std::from_chars(ACorpo.data() + inicio, fim, magnitude);
  if (erro != std::errc() || pos != fim) return INVALIDO;
  const uint64_t limite = negativo ? uint64_t{1} << 31 : uint64_t{std::numeric_limits<int32_t>::max()};
  if (magnitude > limite) return INVALIDO;
  return negativo ? static_cast<int>(-static_cast<int64_t>(magnitude)) : static_cast<int>(magnitude);
}

std::string CodificarSegmento(const std::string& AValor) {
  static const char* const HEX = "0123456789ABCDEF";
  std::string resultado;
  resultado.reserve(AValor.size());
  for (unsigned char c : AValor) {
    bool livre = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    if (livre) {
      resultado += static_cast<char>(c);
    } else {
      resultado += '%';
      resultado += HEX[c >> 4];
      resultado += HEX[c & 0x0F];
    }
  }
  return resultado;
}

}  // namespace borvan
