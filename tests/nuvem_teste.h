// A stand-in cloud on the loopback interface: it records every request and
// answers by rules the test sets. The development base URLs point at port
// 8090 (Quenda) and 8091 (Lumio), so a test with the "Eh.Programador"
// marker in its executable directory reaches it through the real clients.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace borvan::teste {

struct TRequisicaoRecebida {
  std::string Metodo;   // "GET", "POST", ...
  std::string Caminho;  // as sent: "/api/clientes/maxCodAtualizacao/empresa/77"
  std::string Recurso;  // Caminho without its leading "/api/": "clientes/..."
  std::vector<std::pair<std::string, std::string>> Cabecalhos;  // duplicates kept
  std::string Corpo;
  int PortaCliente = 0;  // the client's port: equal ports = one connection

  // The first value of the header ANome (any letter case), "" when absent.
  std::string Cabecalho(const std::string& ANome) const;
  // How many times the header ANome was sent.
  size_t QuantidadeCabecalho(const std::string& ANome) const;
};

// The status line carries the standard reason phrase of Status; a test
// that needs another one uses TServidorBruto.
struct TRespostaNuvem {
  int Status = 200;
  std::string Corpo;
};

// (method, resource, body) -> answer.
using TFuncaoResposta =
    std::function<TRespostaNuvem(const std::string& AMetodo, const std::string& ARecurso, const std::string& ACorpo)>;

class TNuvemTeste {
 public:
  // Listens on 127.0.0.1:APorta and serves until destruction. Throws
  // std::runtime_error when the port cannot be bound.
  explicit TNuvemTeste(int APorta);
  ~TNuvemTeste();
  TNuvemTeste(const TNuvemTeste&) = delete;
  TNuvemTeste& operator=(const TNuvemTeste&) = delete;

  int Porta() const { return FPorta; }

  // Answers, first match wins:
  //   1. the function of RespondaCom, when one is set;
  //   2. the rule of Responder with the longest resource prefix matching
  //      (and the method, when the rule names one); on a tie the later rule;
  //   3. the default: 200 "0" for a "maxCodAtualizacao" GET, 200 "" for
  //      any other request (an empty digest, an accepted POST).
  void RespondaCom(TFuncaoResposta AFuncao);
  void Responder(const std::string& APrefixoRecurso, int AStatus, std::string ACorpo = "");
  void Responder(const std::string& AMetodo, const std::string& APrefixoRecurso, int AStatus,
                 std::string ACorpo);
  // Forgets the function and the rules.
  void RestaurarRespostas();

  // While held, every request is recorded and then left waiting for its
  // answer until Liberar() or destruction: a cloud that stalls.
  void Reter();
  void Liberar();

  // A copy of the requests received so far, in arrival order.
  std::vector<TRequisicaoRecebida> Requisicoes() const;
  // Forgets the requests received (the answers stay as set).
  void Limpar();
  // Waits until at least AQuantidade requests have arrived; false on
  // timeout.
  bool AguardarRequisicoes(size_t AQuantidade,
                           std::chrono::milliseconds ATempo = std::chrono::seconds(10)) const;

 private:
  struct TEstado;
  int FPorta;
  std::unique_ptr<TEstado> FEstado;
};

// A server on 127.0.0.1 that answers every connection with the same bytes,
// exactly as given (any status line, a broken or endless answer), then
// closes it; or, when told to hold, keeps the connection open without
// another byte until destruction: a cloud that stalls mid-answer.
class TServidorBruto {
 public:
  // APorta 0: any free port. Throws std::runtime_error when it cannot listen.
  explicit TServidorBruto(std::string AResposta, bool AReter = false, int APorta = 0);
  ~TServidorBruto();
  TServidorBruto(const TServidorBruto&) = delete;
  TServidorBruto& operator=(const TServidorBruto&) = delete;

  int Porta() const { return FPorta; }
  // "http://127.0.0.1:<port>" + ACaminho.
  std::string Url(const std::string& ACaminho) const;
  // The bytes of the last request received (headers and body).
  std::string Recebido() const;
  int Conexoes() const;

 private:
  struct TEstado;
  int FPorta = 0;
  std::unique_ptr<TEstado> FEstado;
};

}  // namespace borvan::teste
