#include "tests/nuvem_teste.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <thread>

// Debian's libcpp-httplib is built with these; the declarations must match.
#ifndef CPPHTTPLIB_OPENSSL_SUPPORT
#define CPPHTTPLIB_OPENSSL_SUPPORT
#endif
#ifndef CPPHTTPLIB_ZLIB_SUPPORT
#define CPPHTTPLIB_ZLIB_SUPPORT
#endif
#ifndef CPPHTTPLIB_BROTLI_SUPPORT
#define CPPHTTPLIB_BROTLI_SUPPORT
#endif
#include <httplib.h>

namespace borvan::teste {

std::string TRequisicaoRecebida::Cabecalho(const std::string& ANome) const {
  for (const auto& [nome, valor] : Cabecalhos)
    if (strcasecmp(nome.c_str(), ANome.c_str()) == 0) return valor;
  return "";
}

size_t TRequisicaoRecebida::QuantidadeCabecalho(const std::string& ANome) const {
  size_t quantidade = 0;
  for (const auto& [nome, valor] : Cabecalhos)
    if (strcasecmp(nome.c_str(), ANome.c_str()) == 0) ++quantidade;
  return quantidade;
}

namespace {

struct TRegra {
  std::string Metodo;  // empty: any
  std::string Prefixo;
  TRespostaNuvem Resposta;
};

// httplib adds these to the request's headers; no client sent them.
bool CabecalhoSintetico(const std::string& ANome) {
  for (const char* nome : {"REMOTE_ADDR", "REMOTE_PORT", "LOCAL_ADDR", "LOCAL_PORT"})
    if (ANome == nome) return true;
  return false;
}

TRespostaNuvem RespostaPadrao(const std::string& AMetodo, const std::string& ARecurso) {
  if (AMetodo == "GET" && ARecurso.find("/maxCodAtualizacao/") != std::string::npos) return {200, "0"};
  return {200, ""};
}

}  // namespace

// Holds a port for this process: tests of several build directories may
// run at once on one machine, and the development ports are fixed.
class TTravaPorta {
 public:
  explicit TTravaPorta(int APorta) {
    std::string caminho = "/tmp/borvan-nuvem-teste-" + std::to_string(APorta) + ".lock";
    FDescritor = ::open(caminho.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // Bounded, so a test that holds the port twice in one process only waits.
    for (int tentativa = 0; FDescritor >= 0 && tentativa < 1200; ++tentativa) {
      if (::flock(FDescritor, LOCK_EX | LOCK_NB) == 0) break;
      ::usleep(50000);
    }
  }
  ~TTravaPorta() {
    if (FDescritor >= 0) ::close(FDescritor);
  }
  TTravaPorta(const TTravaPorta&) = delete;
  TTravaPorta& operator=(const TTravaPorta&) = delete;

 private:
  int FDescritor = -1;
};

struct TNuvemTeste::TEstado {
  explicit TEstado(int APorta) : TravaPorta(APorta) {}
  TTravaPorta TravaPorta;  // first: released last
  httplib::Server Servidor;
  std::thread Escuta;

  mutable std::mutex Trava;
  mutable std::condition_variable Chegada;
  std::condition_variable Soltura;
  std::vector<TRequisicaoRecebida> Recebidas;
  TFuncaoResposta Funcao;
  std::vector<TRegra> Regras;
  bool Retido = false;
  bool Parando = false;

  void Atender(const httplib::Request& ARequisicao, httplib::Response& AResposta) {
    TRequisicaoRecebida recebida;
    recebida.Metodo = ARequisicao.method;
    // The target as sent, before any decoding of %XX.
    recebida.Caminho = ARequisicao.target.empty() ? ARequisicao.path : ARequisicao.target;
    const std::string prefixoApi = "/api/";
    recebida.Recurso = recebida.Caminho.rfind(prefixoApi, 0) == 0 ? recebida.Caminho.substr(prefixoApi.size())
                                                                  : recebida.Caminho;
    for (const auto& [nome, valor] : ARequisicao.headers)
      if (!CabecalhoSintetico(nome)) recebida.Cabecalhos.emplace_back(nome, valor);
    recebida.Corpo = ARequisicao.body;
    recebida.PortaCliente = ARequisicao.remote_port;

    TFuncaoResposta funcao;
    TRespostaNuvem resposta = RespostaPadrao(recebida.Metodo, recebida.Recurso);
    {
      std::unique_lock<std::mutex> trava(Trava);
      Recebidas.push_back(recebida);
      Chegada.notify_all();
      Soltura.wait(trava, [this] { return !Retido || Parando; });
      funcao = Funcao;
      const TRegra* escolhida = nullptr;
      for (const TRegra& regra : Regras) {
        if (!regra.Metodo.empty() && regra.Metodo != recebida.Metodo) continue;
        if (recebida.Recurso.rfind(regra.Prefixo, 0) != 0) continue;
        if (escolhida == nullptr || regra.Prefixo.size() >= escolhida->Prefixo.size()) escolhida = &regra;
      }
      if (escolhida != nullptr) resposta = escolhida->Resposta;
    }
    if (funcao) resposta = funcao(recebida.Metodo, recebida.Recurso, recebida.Corpo);

    AResposta.status = resposta.Status;
    AResposta.set_content(resposta.Corpo, "text/plain; charset=utf-8");
  }
};

TNuvemTeste::TNuvemTeste(int APorta) : FPorta(APorta), FEstado(std::make_unique<TEstado>(APorta)) {
  TEstado& estado = *FEstado;
  auto atender = [&estado](const httplib::Request& ARequisicao, httplib::Response& AResposta) {
    estado.Atender(ARequisicao, AResposta);
  };
  estado.Servidor.Get(".*", atender);
  estado.Servidor.Post(".*", atender);
  estado.Servidor.Put(".*", atender);
  estado.Servidor.Patch(".*", atender);
  estado.Servidor.Delete(".*", atender);
  // SO_REUSEADDR alone: a port left in TIME_WAIT by an earlier test can be
  // bound again, a port another live server holds cannot.
  estado.Servidor.set_socket_options([](socket_t ASocket) {
    int sim = 1;
    setsockopt(ASocket, SOL_SOCKET, SO_REUSEADDR, &sim, sizeof(sim));
  });
  // Idle client connections would otherwise hold the shutdown for 5 s.
  estado.Servidor.set_keep_alive_timeout(1);

  if (!estado.Servidor.bind_to_port("127.0.0.1", APorta))
    throw std::runtime_error("stand-in cloud: cannot listen on 127.0.0.1:" + std::to_string(APorta));
  estado.Escuta = std::thread([&estado] { estado.Servidor.listen_after_bind(); });
  for (int i = 0; i < 500 && !estado.Servidor.is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!estado.Servidor.is_running()) {
    estado.Servidor.stop();
    estado.Escuta.join();
    throw std::runtime_error("stand-in cloud: server on port " + std::to_string(APorta) + " did not start");
  }
}

TNuvemTeste::~TNuvemTeste() {
  {
    std::lock_guard<std::mutex> trava(FEstado->Trava);
    FEstado->Parando = true;
  }
  FEstado->Soltura.notify_all();
  FEstado->Servidor.stop();
  if (FEstado->Escuta.joinable()) FEstado->Escuta.join();
}

void TNuvemTeste::RespondaCom(TFuncaoResposta AFuncao) {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  FEstado->Funcao = std::move(AFuncao);
}

void TNuvemTeste::Responder(const std::string& APrefixoRecurso, int AStatus, std::string ACorpo) {
  Responder("", APrefixoRecurso, AStatus, std::move(ACorpo));
}

void TNuvemTeste::Responder(const std::string& AMetodo, const std::string& APrefixoRecurso, int AStatus,
                            std::string ACorpo) {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  FEstado->Regras.push_back({AMetodo, APrefixoRecurso, {AStatus, std::move(ACorpo)}});
}

void TNuvemTeste::RestaurarRespostas() {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  FEstado->Funcao = nullptr;
  FEstado->Regras.clear();
}

void TNuvemTeste::Reter() {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  FEstado->Retido = true;
}

void TNuvemTeste::Liberar() {
  {
    std::lock_guard<std::mutex> trava(FEstado->Trava);
    FEstado->Retido = false;
  }
  FEstado->Soltura.notify_all();
}

std::vector<TRequisicaoRecebida> TNuvemTeste::Requisicoes() const {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  return FEstado->Recebidas;
}

void TNuvemTeste::Limpar() {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  FEstado->Recebidas.clear();
}

bool TNuvemTeste::AguardarRequisicoes(size_t AQuantidade, std::chrono::milliseconds ATempo) const {
  std::unique_lock<std::mutex> trava(FEstado->Trava);
  return FEstado->Chegada.wait_for(trava, ATempo, [&] { return FEstado->Recebidas.size() >= AQuantidade; });
}

struct TServidorBruto::TEstado {
  std::string Resposta;
  bool Reter = false;
  int Escuta = -1;
  std::thread Thread;
  mutable std::mutex Trava;
  std::condition_variable Soltura;
  bool Parando = false;
  std::string Recebido;
  int Conexoes = 0;

  void Servir() {
    for (;;) {
      int conexao = accept(Escuta, nullptr, nullptr);
      if (conexao < 0) return;
      std::string pedido = LerPedido(conexao);
      {
        std::lock_guard<std::mutex> trava(Trava);
        Recebido = std::move(pedido);
        ++Conexoes;
      }
      for (size_t enviado = 0; enviado < Resposta.size();) {
        ssize_t n = send(conexao, Resposta.data() + enviado, Resposta.size() - enviado, MSG_NOSIGNAL);
        if (n <= 0) break;
        enviado += static_cast<size_t>(n);
      }
      if (Reter) {
        std::unique_lock<std::mutex> trava(Trava);
        Soltura.wait(trava, [this] { return Parando; });
      }
      close(conexao);
    }
  }

  // The header block, then as many body bytes as Content-Length announces.
  static std::string LerPedido(int AConexao) {
    std::string pedido;
    char bloco[4096];
    size_t fimCabecalho = std::string::npos;
    size_t esperado = 0;
    for (;;) {
      if (fimCabecalho != std::string::npos && pedido.size() >= esperado) return pedido;
      ssize_t n = recv(AConexao, bloco, sizeof(bloco), 0);
      if (n <= 0) return pedido;
      pedido.append(bloco, static_cast<size_t>(n));
      if (fimCabecalho == std::string::npos && (fimCabecalho = pedido.find("\r\n\r\n")) != std::string::npos) {
        esperado = fimCabecalho + 4;
        size_t campo = pedido.find("\r\nContent-Length: ");
        if (campo != std::string::npos && campo < fimCabecalho) esperado += std::stoul(pedido.substr(campo + 18));
      }
    }
  }
};

TServidorBruto::TServidorBruto(std::string AResposta, bool AReter, int APorta)
    : FEstado(std::make_unique<TEstado>()) {
  FEstado->Resposta = std::move(AResposta);
  FEstado->Reter = AReter;
  int descritor = socket(AF_INET, SOCK_STREAM, 0);
  if (descritor < 0) throw std::runtime_error("raw server: socket failed");
  int sim = 1;
  setsockopt(descritor, SOL_SOCKET, SO_REUSEADDR, &sim, sizeof(sim));
  sockaddr_in endereco{};
  endereco.sin_family = AF_INET;
  endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  endereco.sin_port = htons(static_cast<uint16_t>(APorta));
  socklen_t tamanho = sizeof(endereco);
  if (bind(descritor, reinterpret_cast<sockaddr*>(&endereco), sizeof(endereco)) != 0 || listen(descritor, 8) != 0 ||
      getsockname(descritor, reinterpret_cast<sockaddr*>(&endereco), &tamanho) != 0) {
    close(descritor);
    throw std::runtime_error("raw server: cannot listen on 127.0.0.1:" + std::to_string(APorta));
  }
  FPorta = ntohs(endereco.sin_port);
  FEstado->Escuta = descritor;
  FEstado->Thread = std::thread([estado = FEstado.get()] { estado->Servir(); });
}

TServidorBruto::~TServidorBruto() {
  {
    std::lock_guard<std::mutex> trava(FEstado->Trava);
    FEstado->Parando = true;
  }
  FEstado->Soltura.notify_all();
  shutdown(FEstado->Escuta, SHUT_RDWR);  // wakes accept()
  FEstado->Thread.join();
  close(FEstado->Escuta);
}

std::string TServidorBruto::Url(const std::string& ACaminho) const {
  return "http://127.0.0.1:" + std::to_string(FPorta) + ACaminho;
}

std::string TServidorBruto::Recebido() const {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  return FEstado->Recebido;
}

int TServidorBruto::Conexoes() const {
  std::lock_guard<std::mutex> trava(FEstado->Trava);
  return FEstado->Conexoes;
}

}  // namespace borvan::teste
