// The base REST client of both clouds: base URL (production, or the local
// machine when the developer marker "Eh.Programador" lies beside the
// executable), bearer token, and the status rules.
#pragma once

#include <memory>
#include <string>

#include "platform/http.h"

namespace borvan {

// The fixed bearer token of both clouds.
extern const char* const TOKEN_BORVAN;

// Whether the developer marker "Eh.Programador" lies beside the executable.
bool EhProgramador();

struct TNuvemQuenda {
  static constexpr const char* Nome = "Quenda";
  static constexpr const char* UrlProducao = "https://api.quenda.com.br/api/";
  static constexpr const char* UrlDesenvolvimento = "http://localhost:8090/api/";
};

struct TNuvemLumio {
  static constexpr const char* Nome = "Lumio";
  static constexpr const char* UrlProducao = "https://api.lumio.com.br/api/";
  static constexpr const char* UrlDesenvolvimento = "http://localhost:8091/api/";
};

// One HTTP client, one request, one response; any number of requests, one
// after the other. The base URL is chosen once, at construction.
template <class TNuvem>
class TBaseClient {
 public:
  explicit TBaseClient(std::string AToken);
  virtual ~TBaseClient() = default;
  TBaseClient(const TBaseClient&) = delete;
  TBaseClient& operator=(const TBaseClient&) = delete;

  const std::string& UrlBase() const { return FUrlBase; }
  bool HasError() const { return FStatusCode >= 400; }
  const std::string& Content() const { return FContent; }
  int StatusCode() const { return FStatusCode; }
  const std::string& StatusText() const { return FStatusText; }
  // The response body (HTTP errors carry no separate error text).
  const std::string& ErrorMessage() const { return FContent; }

 protected:
  // Starts a clean request: method, no body, and the single
  // "Authorization: Bearer <token>" header.
  void PrepareRequest(const char* AMethod);
  void SetResource(const std::string& AResource) { FResource = AResource; }
  void SetBody(std::string ABody) { FBody = std::move(ABody); }
  // Executes synchronously. A status of 500 or more throws ENuvem with the
  // status line ("HTTP/1.1 503 Service Unavailable"); a transport failure
  // throws ENuvem("REST request failed: ..."); anything else is recorded.
  void Execute();

 private:
  std::string FToken;
  std::string FUrlBase;
  std::unique_ptr<THttpCliente> FClient;
  TRequisicaoHttp FRequest;
  std::string FResource;
  std::string FBody;
  int FStatusCode = 0;
  std::string FStatusText;
  std::string FContent;
};

using TQuendaBaseClient = TBaseClient<TNuvemQuenda>;
using TLumioBaseClient = TBaseClient<TNuvemLumio>;

extern template class TBaseClient<TNuvemQuenda>;
extern template class TBaseClient<TNuvemLumio>;

// AValor as one URL path segment: letters, digits and "-._~" stand as they
// are, every other byte as %XX. A company id holding "/", "?" or "#" must
// never reach another resource (and another company's mark).
std::string CodificarSegmento(const std::string& AValor);

// The answer of a "maxCodAtualizacao" GET: an optional sign and ASCII
// digits that fit 32 bits; anything else is -1.
int LerMaxCodigoAtualizacao(const std::string& ACorpo);

}  // namespace borvan
