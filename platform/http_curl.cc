// THttpCliente over libcurl: one easy handle per client, so successive
// requests of one cloud client reuse its connection.
#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/http.h"
#include "support/erros.h"

namespace borvan {
namespace {

// No answer the clouds give is anywhere near this; a bigger one is a fault
// on their side and must not exhaust the service's memory.
constexpr size_t TAMANHO_MAXIMO_CORPO = 16 * 1024 * 1024;

const std::string PREFIXO_ERRO = "REST request failed: ";

void IniciarCurl() {
  // curl_global_init is not thread-safe by itself; a function-local static is.
  static const CURLcode resultado = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (resultado != CURLE_OK) throw ENuvem(PREFIXO_ERRO + curl_easy_strerror(resultado));
}

struct TLiberarCurl {
  void operator()(CURL* AHandle) const { curl_easy_cleanup(AHandle); }
};
struct TLiberarLista {
  void operator()(curl_slist* ALista) const { curl_slist_free_all(ALista); }
};
using TListaCabecalhos = std::unique_ptr<curl_slist, TLiberarLista>;

void Acrescentar(TListaCabecalhos& ALista, const std::string& ALinha) {
  curl_slist* nova = curl_slist_append(ALista.get(), ALinha.c_str());
  if (nova == nullptr) throw ENuvem(PREFIXO_ERRO + "out of memory");
  ALista.release();
  ALista.reset(nova);
}

bool TemQuebraDeLinha(const std::string& ATexto) {
  return ATexto.find_first_of("\r\n") != std::string::npos || ATexto.find('\0') != std::string::npos;
}

// The protocol version as the status line names it, in the form of the
// error messages; empty when it is none of the known ones.
std::string NormalizarVersao(std::string_view AVersao) {
  if (AVersao == "HTTP/1.0" || AVersao == "HTTP/1.1") return std::string(AVersao);
  if (AVersao == "HTTP/2" || AVersao == "HTTP/2.0") return "HTTP/2.0";
  return "";
}

struct TTransferencia {
  TRespostaHttp* Resposta;
  bool CorpoExcedido = false;
};

size_t ReceberCorpo(char* ADados, size_t ATamanho, size_t AQuantidade, void* AContexto) {
  auto* transferencia = static_cast<TTransferencia*>(AContexto);
  size_t total = ATamanho * AQuantidade;
  std::string& corpo = transferencia->Resposta->Corpo;
  if (total > TAMANHO_MAXIMO_CORPO - corpo.size()) {
    transferencia->CorpoExcedido = true;
    return 0;  // aborts the transfer with CURLE_WRITE_ERROR
  }
  corpo.append(ADados, total);
  return total;
}

// Takes version and reason from every status line: the last one (after an
// interim "100 Continue", say) describes the final answer.
size_t ReceberCabecalho(char* ADados, size_t ATamanho, size_t AQuantidade, void* AContexto) {
  auto* transferencia = static_cast<TTransferencia*>(AContexto);
  size_t total = ATamanho * AQuantidade;
  std::string_view linha(ADados, total);
  if (linha.substr(0, 5) != "HTTP/") return total;
  while (!linha.empty() && (linha.back() == '\n' || linha.back() == '\r')) linha.remove_suffix(1);

  // "HTTP/1.1 503 Service Unavailable"; the reason may be absent.
  TRespostaHttp& resposta = *transferencia->Resposta;
  size_t espaco = linha.find(' ');
  resposta.Versao = NormalizarVersao(linha.substr(0, espaco));
  resposta.Motivo.clear();
  if (espaco != std::string_view::npos) {
    size_t espacoMotivo = linha.find(' ', espaco + 1);
    if (espacoMotivo != std::string_view::npos) resposta.Motivo = std::string(linha.substr(espacoMotivo + 1));
  }
  return total;
}

class THttpClienteCurl : public THttpCliente {
 public:
  THttpClienteCurl() {
    IniciarCurl();
    FHandle.reset(curl_easy_init());
    if (!FHandle) throw ENuvem(PREFIXO_ERRO + "curl_easy_init failed");
  }

  TRespostaHttp Executar(const TRequisicaoHttp& ARequisicao) override {
    const bool post = ARequisicao.Metodo == "POST";
    if (!post && ARequisicao.Metodo != "GET") throw ENuvem(PREFIXO_ERRO + "unsupported method " + ARequisicao.Metodo);

    TListaCabecalhos cabecalhos;
    for (const auto& [nome, valor] : ARequisicao.Cabecalhos) {
      if (nome.empty() || TemQuebraDeLinha(nome) || TemQuebraDeLinha(valor) || nome.find(':') != std::string::npos)
        throw ENuvem(PREFIXO_ERRO + "invalid header " + (TemQuebraDeLinha(nome) ? std::string("name") : nome));
      // "Name;" is curl's way of sending a header with an empty value.
      Acrescentar(cabecalhos, valor.empty() ? nome + ";" : nome + ": " + valor);
    }
    // Bodies are small; waiting for "100 Continue" only costs a round trip.
    Acrescentar(cabecalhos, "Expect:");

    TRespostaHttp resposta;
    TTransferencia transferencia{&resposta};
    char erro[CURL_ERROR_SIZE] = {};

    // reset keeps the connection cache, so the connection is reused.
    CURL* handle = FHandle.get();
    curl_easy_reset(handle);
    const long tempoLimiteMs = std::max(1L, ARequisicao.TempoLimiteMs);
    CURLcode configuracao = CURLE_OK;
    auto definir = [&](CURLoption AOpcao, auto AValor) {
      if (configuracao == CURLE_OK) configuracao = curl_easy_setopt(handle, AOpcao, AValor);
    };
    definir(CURLOPT_ERRORBUFFER, erro);
    definir(CURLOPT_URL, ARequisicao.Url.c_str());
    definir(CURLOPT_PROTOCOLS_STR, "http,https");
    definir(CURLOPT_NOSIGNAL, 1L);
    definir(CURLOPT_FOLLOWLOCATION, 0L);
    definir(CURLOPT_SSL_VERIFYPEER, 1L);
    definir(CURLOPT_SSL_VERIFYHOST, 2L);
    definir(CURLOPT_CONNECTTIMEOUT_MS, tempoLimiteMs);
    // A read timeout without progress: less than 1 byte/s for that long.
    definir(CURLOPT_LOW_SPEED_LIMIT, 1L);
    definir(CURLOPT_LOW_SPEED_TIME, std::max(1L, tempoLimiteMs / 1000));
    definir(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    definir(CURLOPT_HTTPHEADER, cabecalhos.get());
    definir(CURLOPT_WRITEFUNCTION, &ReceberCorpo);
    definir(CURLOPT_WRITEDATA, &transferencia);
    definir(CURLOPT_HEADERFUNCTION, &ReceberCabecalho);
    definir(CURLOPT_HEADERDATA, &transferencia);
    if (post) {
      definir(CURLOPT_POST, 1L);
      definir(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(ARequisicao.Corpo.size()));
      definir(CURLOPT_POSTFIELDS, ARequisicao.Corpo.c_str());
    } else {
      definir(CURLOPT_HTTPGET, 1L);
    }
    if (configuracao != CURLE_OK) throw ENuvem(PREFIXO_ERRO + curl_easy_strerror(configuracao));

    CURLcode resultado = curl_easy_perform(handle);
    // The buffer must not outlive this call.
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    if (transferencia.CorpoExcedido) throw ENuvem(PREFIXO_ERRO + "response too large");
    if (resultado != CURLE_OK) {
      std::string causa = erro[0] != '\0' ? std::string(erro) : curl_easy_strerror(resultado);
      while (!causa.empty() && (causa.back() == '\n' || causa.back() == '\r')) causa.pop_back();
      throw ENuvem(PREFIXO_ERRO + causa);
    }

    long codigo = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &codigo);
    resposta.Codigo = static_cast<int>(codigo);
    return resposta;
  }

 private:
  std::unique_ptr<CURL, TLiberarCurl> FHandle;
};

}  // namespace

std::unique_ptr<THttpCliente> CriarHttpCliente() { return std::make_unique<THttpClienteCurl>(); }

}  // namespace borvan
