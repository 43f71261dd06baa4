// The HTTP seam used by the cloud clients. The Linux implementation is
// libcurl (http_curl.cc).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace borvan {

struct TRequisicaoHttp {
  std::string Metodo;  // "GET" or "POST"
  std::string Url;     // absolute
  std::vector<std::pair<std::string, std::string>> Cabecalhos;  // sent verbatim
  std::string Corpo;   // sent only for POST
  long TempoLimiteMs = 60000;  // connect timeout, and read timeout without progress
};

struct TRespostaHttp {
  int Codigo = 0;
  std::string Versao;  // "HTTP/1.0", "HTTP/1.1", "HTTP/2.0"; empty when unknown
  std::string Motivo;  // reason phrase as the server sent it (may be empty)
  std::string Corpo;
};

class THttpCliente {
 public:
  virtual ~THttpCliente() = default;
  // Performs one exchange synchronously. Any status is a normal return;
  // a transport failure (refused, unresolvable, TLS, timeout) throws
  // ENuvem("REST request failed: " + cause). Redirects are not followed.
  virtual TRespostaHttp Executar(const TRequisicaoHttp& ARequisicao) = 0;
};

// A client over one libcurl handle, kept alive across its requests.
std::unique_ptr<THttpCliente> CriarHttpCliente();

}  // namespace borvan
