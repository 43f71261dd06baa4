// NuvemLocal: a stand-in for the Quenda and Lumio clouds on the local
// machine, for trying the service (and testing it) in development mode.
// This header holds the transport-free part: the resources of each cloud,
// what a cloud remembers, the faults it can be told to inject and the
// command line. servidor_nuvem.h puts it on HTTP.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace borvan {

enum class TNuvem { Quenda, Lumio };

// "Quenda" or "Lumio".
const char* NomeNuvem(TNuvem ANuvem);

// Default body of a refused request.
inline constexpr const char* KCorpoRecusaPadrao = "Recurso recusado pela nuvem local";

// What an injected fault does to the request it hits.
enum class TTipoFalha {
  Recusar,  // answers FStatus/FCorpo; nothing is remembered
  Cortar,   // remembers the data, then closes the connection halfway
            // through the answer: the sender cannot know it arrived
  Reter,    // remembers the data and holds the answer FSegundos first
};

// A fault to inject. FRecurso names what is hit, as the request lines
// print it: a post resource ("clientes"), a mark query
// ("clientes/maxCodAtualizacao") or the options digest query
// ("opcoes/CodigoMd5").
struct TRecusa {
  std::optional<TNuvem> FNuvem;  // empty: every cloud that has the resource
  std::string FRecurso;
  TTipoFalha FTipo = TTipoFalha::Recusar;
  int FStatus = 400;
  std::string FCorpo = KCorpoRecusaPadrao;
  int FSegundos = 0;  // TTipoFalha::Reter only
  // 0: every request. N > 0: only the N-th request of FRecurso counted from
  // the moment the refusal is set, once.
  int64_t FEnesima = 0;
};

// Reads "[quenda:|lumio:]RECURSO[=STATUS[:CORPO]]" (cloud prefix in any
// letter case; CORPO may hold ':' and '='). Throws EBorvanErro when the
// text is malformed, the status is outside 200..599 or no cloud (the named
// one, when given) has the resource.
TRecusa LerRecusa(const std::string& ATexto);

// Reads "[quenda:|lumio:]RECURSO=N[:STATUS[:CORPO]]": refuse the N-th
// request only. Throws EBorvanErro as LerRecusa, and when N < 1.
TRecusa LerRecusaEnesima(const std::string& ATexto);

// Reads "[quenda:|lumio:]RECURSO[=N]": cut the answer of every request
// of RECURSO, or of the N-th only. Throws EBorvanErro as LerRecusa.
TRecusa LerCorte(const std::string& ATexto);

// Reads "[quenda:|lumio:]RECURSO=SEGUNDOS[:N]": hold the answer SEGUNDOS
// (1..600) for every request of RECURSO, or for the N-th only. Throws
// EBorvanErro as LerRecusa.
TRecusa LerRetencao(const std::string& ATexto);

// Seeded random refusals of posts: each accepted-looking post is refused
// with probability FFracao, with a status drawn from KStatusAleatorios.
struct TFalhasAleatorias {
  double FFracao = 0;  // 0: off; at most 1
  uint64_t FSemente = 1;
};

// The statuses random refusals draw from: the client errors and server
// errors a real cloud answers under load or after a bad deploy.
inline constexpr int KStatusAleatorios[] = {400, 409, 422, 429, 500, 502, 503, 504};

// True iff the cloud has what ARecurso names (see TRecusa::FRecurso).
bool RecusavelNa(TNuvem ANuvem, const std::string& ARecurso);

struct TOpcoesNuvemLocal {
  int FPortaQuenda = 8090;
  int FPortaLumio = 8091;
  std::string FArquivoJsonl;  // empty: no JSON Lines record
  std::vector<TRecusa> FRecusas;  // every kind of fault
  TFalhasAleatorias FAleatorias;
  bool FIndisponivel = false;
  bool FAjuda = false;
};

// Reads the command line (without the program name). Ports 0..65535, 0
// meaning any free port. Throws EBorvanErro naming the faulty argument.
TOpcoesNuvemLocal LerOpcoes(const std::vector<std::string>& AArgumentos);

// Text of --ajuda.
std::string TextoAjuda();

// Appends one JSON line per received body, shared by both clouds.
class TRegistroJsonl {
 public:
  // Opens ACaminho for appending; throws EBorvanErro when it cannot.
  explicit TRegistroJsonl(const std::string& ACaminho);
  TRegistroJsonl(const TRegistroJsonl&) = delete;
  TRegistroJsonl& operator=(const TRegistroJsonl&) = delete;

  // {"nuvem":..,"recurso":..,"corpo":<ACorpo verbatim>,"status":..} when
  // ACorpo is valid JSON, otherwise the text goes as the string
  // "corpoTexto". Flushed at once.
  void Gravar(TNuvem ANuvem, const std::string& ARecurso, const std::string& ACorpo, bool AJsonValido,
              int AStatus);

 private:
  std::mutex FTrava;
  std::ofstream FArquivo;
};

struct TResposta {
  int FStatus = 200;
  std::string FCorpo;
  std::string FTipo = "text/plain; charset=utf-8";
  // Faults the HTTP layer carries out: hold the answer this long, then
  // send only part of it and close the connection.
  int FRetencaoSegundos = 0;
  bool FCortar = false;
};

// One cloud: its resources, what it has received and its faults.
// Thread-safe: the HTTP server calls it from several threads.
class TNuvemLocal {
 public:
  using TImprimir = std::function<void(const std::string&)>;

  // AImprimir receives one line per request. AJsonl may be null; when not,
  // it must outlive this object.
  TNuvemLocal(TNuvem ANuvem, TImprimir AImprimir, TRegistroJsonl* AJsonl);
  TNuvemLocal(const TNuvemLocal&) = delete;
  TNuvemLocal& operator=(const TNuvemLocal&) = delete;

  TNuvem Nuvem() const { return FNuvem; }

  // A request under /api/. ACaminho is the path after "/api/";
  // AAutorizacao the Authorization header, empty when absent. Answers, in
  // this order: 503 when unavailable, 401 without a bearer token, 404 for
  // what the cloud does not have, 400 for a body that is not valid JSON or
  // not the resource's shape (array of objects, or one object for
  // "services" and "opcoes"; every object with a string "empresaId", an
  // integer "codAtualizacao" where the resource has a mark, a string
  // "md5Atualizacao" for "opcoes"), then an injected refusal, then a
  // random refusal (posts only); otherwise 200 and the data is remembered
  // (a cut or held answer included).
  TResposta AtenderApi(const std::string& AMetodo, const std::string& ACaminho,
                       const std::string& AAutorizacao, const std::string& ACorpo);

  // A request under /controle/ (ACaminho after it), with its query
  // parameters: POST recusar (recurso, status, corpo, n), POST cortar
  // (recurso, n), POST reter (recurso, segundos, n), POST aleatorias
  // (fracao, semente), POST indisponivel (ativo), POST normal, GET estado.
  // Acts on this cloud only;
  // answers 400 for bad parameters and 404 for an unknown command.
  TResposta Controlar(const std::string& AMetodo, const std::string& ACaminho,
                      const std::map<std::string, std::string>& AParametros);

  // REQUIRES: RecusavelNa(Nuvem(), ARecusa.FRecurso). A new fault of
  // every request replaces the previous one of the same resource.
  void Recusar(const TRecusa& ARecusa);
  // Restarts the random sequence from ASemente; a fraction of 0 turns the
  // random refusals off. REQUIRES: 0 <= FFracao <= 1.
  void DefinirAleatorias(const TFalhasAleatorias& AAleatorias);
  void DefinirIndisponivel(bool AIndisponivel);
  // Clears every injected fault, random ones included; what was received
  // stays.
  void Normalizar();
  // Marks, digests, counters and faults as JSON text.
  std::string Estado() const;

  // Prints a line that does not belong to a request (start, stop, errors of
  // the HTTP layer).
  void Imprimir(const std::string& ALinha) const { FImprimir(ALinha); }

 private:
  struct TEmpresaRecebida {
    int64_t FMaxCodAtualizacao = 0;
    int64_t FObjetos = 0;
    int64_t FPosts = 0;
    std::optional<std::string> FMd5Atualizacao;
    std::string FUltimoCorpo;  // object bodies only ("services", "opcoes")
  };
  struct TRecursoRecebido {
    int64_t FPosts = 0;
    int64_t FConsultas = 0;
    int64_t FRecusados = 0;
    std::map<std::string, TEmpresaRecebida> FEmpresas;
  };
  struct TRecusaAtiva {
    TRecusa FRecusa;
    int64_t FContagemInicial = 0;
  };

  // Marks AResposta with what a cut or held fault asks of the HTTP layer.
  static void AplicarFalha(const std::optional<TRecusa>& AFalha, TResposta& AResposta);

  // REQUIRES: FTrava held. Counts the request and returns the refusal that
  // applies to it, if any (a spent N-th refusal is dropped).
  std::optional<TRecusa> RecusaPara(const std::string& AChave);

  const TNuvem FNuvem;
  const TImprimir FImprimir;
  TRegistroJsonl* const FJsonl;

  mutable std::mutex FTrava;
  bool FIndisponivel = false;
  std::vector<TRecusaAtiva> FRecusas;
  TFalhasAleatorias FAleatorias;
  std::mt19937_64 FGerador;
  std::map<std::string, int64_t> FPedidosPorChave;
  std::map<std::string, TRecursoRecebido> FRecursos;
};

}  // namespace borvan
