#include "bench/nuvem_bench.h"

#include <httplib.h>

#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>

namespace borvan::bench {

struct TNuvemBench::TEstado {
  httplib::Server Servidor;
  std::thread Linha;
  mutable std::mutex Trava;
  TContagemNuvem Contagem;
  std::set<std::pair<std::string, int>> Conexoes;
  std::string MaxCodigo = "0";
  std::string CodigoMd5;

  void Contar(const httplib::Request& ARequisicao, bool APost) {
    std::lock_guard<std::mutex> trava(Trava);
    ++Contagem.Requisicoes;
    ++(APost ? Contagem.Posts : Contagem.Gets);
    Contagem.BytesRecebidos += ARequisicao.body.size();
    if (Conexoes.emplace(ARequisicao.remote_addr, ARequisicao.remote_port).second) ++Contagem.Conexoes;
  }
};

TNuvemBench::TNuvemBench(int APorta) : FEstado(std::make_unique<TEstado>()) {
  TEstado& estado = *FEstado;
  // One connection carries a whole run: never close it after a few requests.
  estado.Servidor.set_keep_alive_max_count(1u << 30);
  estado.Servidor.set_keep_alive_timeout(60);
  estado.Servidor.Get(".*", [&estado](const httplib::Request& ARequisicao, httplib::Response& AResposta) {
    estado.Contar(ARequisicao, false);
    std::lock_guard<std::mutex> trava(estado.Trava);
    const bool max = ARequisicao.path.find("/maxCodAtualizacao/") != std::string::npos;
    AResposta.set_content(max ? estado.MaxCodigo : estado.CodigoMd5, "text/plain");
  });
  estado.Servidor.Post(".*", [&estado](const httplib::Request& ARequisicao, httplib::Response& AResposta) {
    estado.Contar(ARequisicao, true);
    AResposta.set_content("", "text/plain");
  });
  // The development ports are shared with the test suites: wait for a
  // while when one of them holds the port.
  for (int tentativa = 0; !estado.Servidor.bind_to_port("127.0.0.1", APorta); ++tentativa) {
    if (tentativa == 600) throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(APorta));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  estado.Linha = std::thread([&estado] { estado.Servidor.listen_after_bind(); });
  while (!estado.Servidor.is_running()) std::this_thread::yield();
}

TNuvemBench::~TNuvemBench() {
  FEstado->Servidor.stop();
  if (FEstado->Linha.joinable()) FEstado->Linha.join();
}

void TNuvemBench::DefinirMaxCodigo(std::string ACorpo) {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  FEstado->MaxCodigo = std::move(ACorpo);
}

void TNuvemBench::DefinirCodigoMd5(std::string ACorpo) {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  FEstado->CodigoMd5 = std::move(ACorpo);
}

TContagemNuvem TNuvemBench::Contagem() const {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  return FEstado->Contagem;
}

void TNuvemBench::Zerar() {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  FEstado->Contagem = {};
  FEstado->Conexoes.clear();
}

}  // namespace borvan::bench
