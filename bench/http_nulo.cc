// Linked into bench_borvan_sem_http instead of the libcurl client: every
// request is answered at once, without a socket, so the run measures the
// fetch and the JSON builder alone. A GET for a mark answers "0" (the
// cloud holds nothing), any other request an empty 200.
#include <memory>

#include "platform/http.h"

namespace borvan {
namespace {

class THttpClienteNulo : public THttpCliente {
 public:
  TRespostaHttp Executar(const TRequisicaoHttp& ARequisicao) override {
    TRespostaHttp resposta;
    resposta.Codigo = 200;
    resposta.Versao = "HTTP/1.1";
    resposta.Motivo = "OK";
    if (ARequisicao.Metodo == "GET" && ARequisicao.Url.find("/maxCodAtualizacao/") != std::string::npos) {
      resposta.Corpo = "0";
    }
    return resposta;
  }
};

}  // namespace

std::unique_ptr<THttpCliente> CriarHttpCliente() { return std::make_unique<THttpClienteNulo>(); }

}  // namespace borvan
