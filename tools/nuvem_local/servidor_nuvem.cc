#include "tools/nuvem_local/servidor_nuvem.h"

#include <sys/socket.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

#include "support/erros.h"

namespace borvan {

TServidorNuvem::TServidorNuvem(TNuvemLocal& ANuvem)
    : FNuvem(ANuvem), FServidor(std::make_unique<httplib::Server>()) {
  const auto LAtender = [this](const httplib::Request& APedido, httplib::Response& AResposta) {
    TResposta LResposta;
    const std::string& LCaminho = APedido.path;
    try {
      if (LCaminho.rfind("/api/", 0) == 0) {
        LResposta = FNuvem.AtenderApi(APedido.method, LCaminho.substr(5),
                                      APedido.get_header_value("Authorization"), APedido.body);
      } else if (LCaminho.rfind("/controle/", 0) == 0) {
        std::map<std::string, std::string> LParametros;
        for (const auto& [LNome, LValor] : APedido.params) LParametros.emplace(LNome, LValor);
        LResposta = FNuvem.Controlar(APedido.method, LCaminho.substr(10), LParametros);
      } else {
        LResposta = {404, "Caminho desconhecido: " + LCaminho};
        FNuvem.Imprimir(std::string(NomeNuvem(FNuvem.Nuvem())) + " " + APedido.method + " " + LCaminho +
                        " -> 404");
      }
    } catch (const std::exception& E) {
      LResposta = {500, E.what()};
      FNuvem.Imprimir(std::string(NomeNuvem(FNuvem.Nuvem())) + " " + APedido.method + " " + LCaminho +
                      " -> 500 " + E.what());
    }
    if (LResposta.FRetencaoSegundos > 0) std::this_thread::sleep_for(std::chrono::seconds(LResposta.FRetencaoSegundos));
    AResposta.status = LResposta.FStatus;
    if (!LResposta.FCortar) {
      AResposta.set_content(LResposta.FCorpo, LResposta.FTipo.c_str());
      return;
    }
    // Promises the whole body, sends half of it and gives up: the library
    // then closes the connection, and the client sees a broken transfer.
    auto LCorpo = std::make_shared<std::string>(LResposta.FCorpo.empty() ? std::string("ok") : LResposta.FCorpo);
    AResposta.set_content_provider(LCorpo->size() + 16, LResposta.FTipo,
                                   [LCorpo](size_t, size_t, httplib::DataSink& ASaida) {
                                     ASaida.write(LCorpo->data(), LCorpo->size() / 2);
                                     return false;
                                   });
  };
  // Without SO_REUSEPORT (the library's default sets it) a second instance
  // on the same port fails to start instead of silently sharing the
  // requests with the first.
  FServidor->set_socket_options([](socket_t ASocket) {
    int LSim = 1;
    setsockopt(ASocket, SOL_SOCKET, SO_REUSEADDR, &LSim, sizeof LSim);
  });
  // An idle kept-alive connection holds the stop for up to this long.
  FServidor->set_keep_alive_timeout(1);
  // The control commands carry no body, so a bare "curl -X POST" (no
  // Content-Length) must not be turned away before it reaches them.
  FServidor->set_pre_routing_handler([LAtender](const httplib::Request& APedido, httplib::Response& AResposta) {
    if (APedido.path.rfind("/controle/", 0) != 0) return httplib::Server::HandlerResponse::Unhandled;
    LAtender(APedido, AResposta);
    return httplib::Server::HandlerResponse::Handled;
  });
  FServidor->Get(".*", LAtender);
  FServidor->Post(".*", LAtender);
  FServidor->Put(".*", LAtender);
  FServidor->Patch(".*", LAtender);
  FServidor->Delete(".*", LAtender);
}

TServidorNuvem::~TServidorNuvem() { Parar(); }

int TServidorNuvem::Ligar(int APorta) {
  int LPorta = APorta;
  if (APorta == 0)
    LPorta = FServidor->bind_to_any_port("127.0.0.1");
  else if (!FServidor->bind_to_port("127.0.0.1", APorta))
    LPorta = -1;
  if (LPorta < 0) {
    throw EBorvanErro(std::string("Não foi possível escutar em 127.0.0.1:") + std::to_string(APorta) + " (" +
                      NomeNuvem(FNuvem.Nuvem()) + "); a porta está ocupada?");
  }
  return LPorta;
}

void TServidorNuvem::Iniciar() {
  FThread = std::thread([this] { FServidor->listen_after_bind(); });
  // The server ignores a stop that comes before it starts running.
  const auto LLimite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!FServidor->is_running() && std::chrono::steady_clock::now() < LLimite)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void TServidorNuvem::Parar() {
  if (FServidor) FServidor->stop();
  if (FThread.joinable()) FThread.join();
}

}  // namespace borvan
