#include "tools/nuvem_local/nuvem_local.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "support/erros.h"
#include "tests/diretorio_temporario.h"

extern char** environ;

namespace borvan {
namespace {

using namespace std::chrono_literals;
using TJson = nlohmann::ordered_json;

// The built NuvemLocal as a child process on free ports, its stdout and
// stderr collected line by line. Always killed on the way out.
class TProcessoNuvemLocal {
 public:
  explicit TProcessoNuvemLocal(const std::vector<std::string>& AArgumentos,
                               const std::vector<std::string>& APortas = {"--porta-quenda", "0", "--porta-lumio",
                                                                          "0"}) {
    int LPipe[2];
    if (pipe2(LPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
    std::vector<std::string> LTextos{NUVEM_LOCAL_EXECUTAVEL};
    LTextos.insert(LTextos.end(), APortas.begin(), APortas.end());
    LTextos.insert(LTextos.end(), AArgumentos.begin(), AArgumentos.end());
    std::vector<char*> LArgv;
    for (auto& LTexto : LTextos) LArgv.push_back(LTexto.data());
    LArgv.push_back(nullptr);
    posix_spawn_file_actions_t LAcoes;
    posix_spawn_file_actions_init(&LAcoes);
    posix_spawn_file_actions_adddup2(&LAcoes, LPipe[1], 1);
    posix_spawn_file_actions_adddup2(&LAcoes, LPipe[1], 2);
    const int LErro = posix_spawn(&FPid, LArgv[0], &LAcoes, nullptr, LArgv.data(), environ);
    posix_spawn_file_actions_destroy(&LAcoes);
    close(LPipe[1]);
    if (LErro != 0) {
      close(LPipe[0]);
      throw std::runtime_error("posix_spawn falhou");
    }
    FLeitor = std::thread([this, LFd = LPipe[0]] { Ler(LFd); });
  }

  ~TProcessoNuvemLocal() {
    if (FPid > 0) {
      kill(FPid, SIGKILL);
      waitpid(FPid, nullptr, 0);
    }
    if (FLeitor.joinable()) FLeitor.join();
  }

  // Waits for the two start lines and reads the ports from them.
  void EsperarInicio() {
    const auto LQuenda = EsperarLinha("Quenda: http://localhost:");
    const auto LLumio = EsperarLinha("Lumio: http://localhost:");
    ASSERT_TRUE(LQuenda && LLumio) << Saida();
    FPortaQuenda = std::stoi(LQuenda->substr(LQuenda->rfind(':') + 1));
    FPortaLumio = std::stoi(LLumio->substr(LLumio->rfind(':') + 1));
  }

  // The first line holding ATrecho, waiting up to ALimite for it.
  std::optional<std::string> EsperarLinha(const std::string& ATrecho, std::chrono::milliseconds ALimite = 10s) {
    std::unique_lock LTrava(FTrava);
    std::optional<std::string> LAchada;
    FMudou.wait_for(LTrava, ALimite, [&] {
      for (const auto& LLinha : FLinhas)
        if (LLinha.find(ATrecho) != std::string::npos) {
          LAchada = LLinha;
          return true;
        }
      return FFim;
    });
    return LAchada;
  }

  std::string Saida() {
    std::lock_guard LTrava(FTrava);
    std::string LTexto;
    for (const auto& LLinha : FLinhas) LTexto += LLinha + "\n";
    return LTexto;
  }

  // Sends ASinal and returns the exit status, or -1 when the process did
  // not end within 10 s (it is then killed by the destructor).
  int Encerrar(int ASinal = SIGTERM) {
    if (ASinal != 0) kill(FPid, ASinal);
    for (auto LLimite = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < LLimite;) {
      int LStatus = 0;
      if (waitpid(FPid, &LStatus, WNOHANG) == FPid) {
        FPid = -1;
        if (FLeitor.joinable()) FLeitor.join();
        return WIFEXITED(LStatus) ? WEXITSTATUS(LStatus) : 128 + WTERMSIG(LStatus);
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }

  httplib::Client Cliente(TNuvem ANuvem) const {
    httplib::Client LCliente("127.0.0.1", ANuvem == TNuvem::Quenda ? FPortaQuenda : FPortaLumio);
    LCliente.set_connection_timeout(5, 0);
    LCliente.set_read_timeout(5, 0);
    return LCliente;
  }

  httplib::Result Postar(TNuvem ANuvem, const std::string& ARecurso, const std::string& ACorpo,
                         const httplib::Headers& ACabecalhos = {{"Authorization", "Bearer teste"}}) const {
    return Cliente(ANuvem).Post(("/api/" + ARecurso).c_str(), ACabecalhos, ACorpo, "application/json");
  }

  httplib::Result Consultar(TNuvem ANuvem, const std::string& ACaminho) const {
    return Cliente(ANuvem).Get(("/api/" + ACaminho).c_str(), {{"Authorization", "Bearer teste"}});
  }

  httplib::Result Controlar(TNuvem ANuvem, const std::string& AComando) const {
    return Cliente(ANuvem).Post(("/controle/" + AComando).c_str());
  }

  TJson Estado(TNuvem ANuvem) const {
    auto LResultado = Cliente(ANuvem).Get("/controle/estado");
    if (!LResultado || LResultado->status != 200) return TJson();
    return TJson::parse(LResultado->body);
  }

 private:
  void Ler(int AFd) {
    std::string LPendente;
    char LBuffer[4096];
    for (;;) {
      const ssize_t LLidos = read(AFd, LBuffer, sizeof LBuffer);
      if (LLidos <= 0) break;
      LPendente.append(LBuffer, static_cast<size_t>(LLidos));
      std::lock_guard LTrava(FTrava);
      for (size_t LFim; (LFim = LPendente.find('\n')) != std::string::npos; LPendente.erase(0, LFim + 1))
        FLinhas.push_back(LPendente.substr(0, LFim));
      FMudou.notify_all();
    }
    close(AFd);
    std::lock_guard LTrava(FTrava);
    if (!LPendente.empty()) FLinhas.push_back(LPendente);
    FFim = true;
    FMudou.notify_all();
  }

  pid_t FPid = -1;
  std::thread FLeitor;
  std::mutex FTrava;
  std::condition_variable FMudou;
  std::vector<std::string> FLinhas;
  bool FFim = false;

 public:
  int FPortaQuenda = 0;
  int FPortaLumio = 0;
};

std::unique_ptr<TProcessoNuvemLocal> Iniciar(const std::vector<std::string>& AArgumentos = {}) {
  auto LProcesso = std::make_unique<TProcessoNuvemLocal>(AArgumentos);
  LProcesso->EsperarInicio();
  return LProcesso;
}

// Status and body of a request, or -1 when it got no answer.
std::pair<int, std::string> Resposta(const httplib::Result& AResultado) {
  if (!AResultado) return {-1, httplib::to_string(AResultado.error())};
  return {AResultado->status, AResultado->body};
}

std::string Marca(const TProcessoNuvemLocal& AProcesso, TNuvem ANuvem, const std::string& ARecurso,
                  const std::string& AEmpresa) {
  auto [LStatus, LCorpo] = Resposta(AProcesso.Consultar(ANuvem, ARecurso + "/maxCodAtualizacao/empresa/" + AEmpresa));
  return LStatus == 200 ? LCorpo : "status " + std::to_string(LStatus) + ": " + LCorpo;
}

// --- command line -----------------------------------------------------------

TEST(NuvemLocalLinhaDeComando, LeRecusasValidas) {
  struct TCaso {
    std::string FTexto;
    bool FEnesima;
    std::optional<TNuvem> FNuvem;
    std::string FRecurso;
    int FStatus;
    std::string FCorpo;
    int64_t FN;
  };
  const TCaso LCasos[] = {
      {"clientes", false, std::nullopt, "clientes", 400, KCorpoRecusaPadrao, 0},
      {"QUENDA:receber=409", false, TNuvem::Quenda, "receber", 409, KCorpoRecusaPadrao, 0},
      {"lumio:opcoes=500:Erro: interno=sim", false, TNuvem::Lumio, "opcoes", 500, "Erro: interno=sim", 0},
      {"clientes=404:", false, std::nullopt, "clientes", 404, "", 0},
      {"lumio:opcoes/CodigoMd5=503", false, TNuvem::Lumio, "opcoes/CodigoMd5", 503, KCorpoRecusaPadrao, 0},
      {"produtos/maxCodAtualizacao", false, std::nullopt, "produtos/maxCodAtualizacao", 400, KCorpoRecusaPadrao, 0},
      {"produtos=3", true, std::nullopt, "produtos", 400, KCorpoRecusaPadrao, 3},
      {"lumio:ncmIbpt=2:422:Sem NCM", true, TNuvem::Lumio, "ncmIbpt", 422, "Sem NCM", 2},
  };
  for (const auto& C : LCasos) {
    SCOPED_TRACE(C.FTexto);
    const TRecusa R = C.FEnesima ? LerRecusaEnesima(C.FTexto) : LerRecusa(C.FTexto);
    EXPECT_EQ(R.FNuvem, C.FNuvem);
    EXPECT_EQ(R.FRecurso, C.FRecurso);
    EXPECT_EQ(R.FStatus, C.FStatus);
    EXPECT_EQ(R.FCorpo, C.FCorpo);
    EXPECT_EQ(R.FEnesima, C.FN);
  }
}

TEST(NuvemLocalLinhaDeComando, RecusaArgumentosInvalidos) {
  const std::vector<std::vector<std::string>> LCasos = {
      {"--recusar", ""},
      {"--recusar", "naoexiste"},
      {"--recusar", "lumio:receber"},  // Quenda only
      {"--recusar", "quenda:opcoes"},  // Lumio only
      {"--recusar", "services/maxCodAtualizacao"},
      {"--recusar", "clientes/CodigoMd5"},
      {"--recusar", "clientes=abc"},
      {"--recusar", "clientes=199"},
      {"--recusar", "clientes=600"},
      {"--recusar-n", "clientes"},
      {"--recusar-n", "clientes=0"},
      {"--recusar-n", "clientes=x:400"},
      {"--porta-quenda", "65536"},
      {"--porta-lumio", "-1"},
      {"--porta-quenda", "9000", "--porta-lumio", "9000"},
      {"--jsonl"},
      {"--indisponivel=1"},
      {"--porta"},
      {"--cortar", "naoexiste"},
      {"--cortar", "clientes=0"},
      {"--reter", "clientes"},
      {"--reter", "clientes=0"},
      {"--reter", "clientes=601"},
      {"--reter", "lumio:receber=5"},
      {"--falhas-aleatorias", "1.5"},
      {"--falhas-aleatorias", "-0.1"},
      {"--falhas-aleatorias", "muito"},
      {"--semente", "-3"},
  };
  for (const auto& LArgumentos : LCasos) {
    SCOPED_TRACE(testing::PrintToString(LArgumentos));
    EXPECT_THROW(LerOpcoes(LArgumentos), EBorvanErro);
  }
}

TEST(NuvemLocalLinhaDeComando, LeOpcoesNasDuasFormas) {
  const auto LOpcoes = LerOpcoes({"--porta-quenda=18090", "--porta-lumio", "18091", "--jsonl", "/tmp/x.jsonl",
                                  "--recusar", "clientes", "--recusar-n=lumio:produtos=2", "--indisponivel"});
  EXPECT_EQ(LOpcoes.FPortaQuenda, 18090);
  EXPECT_EQ(LOpcoes.FPortaLumio, 18091);
  EXPECT_EQ(LOpcoes.FArquivoJsonl, "/tmp/x.jsonl");
  ASSERT_EQ(LOpcoes.FRecusas.size(), 2u);
  EXPECT_EQ(LOpcoes.FRecusas[1].FRecurso, "produtos");
  EXPECT_EQ(LOpcoes.FRecusas[1].FEnesima, 2);
  EXPECT_TRUE(LOpcoes.FIndisponivel);

  const auto LPadrao = LerOpcoes({});
  EXPECT_EQ(LPadrao.FPortaQuenda, 8090);
  EXPECT_EQ(LPadrao.FPortaLumio, 8091);
  EXPECT_TRUE(LPadrao.FRecusas.empty());
  EXPECT_FALSE(LPadrao.FIndisponivel);
}

TEST(NuvemLocalLinhaDeComando, LeCortesRetencoesEFalhasAleatorias) {
  const auto LOpcoes = LerOpcoes({"--cortar", "lumio:clientes", "--cortar=produtos=3", "--reter",
                                  "quenda:vendas=7:2", "--falhas-aleatorias", "0.25", "--semente=42"});
  ASSERT_EQ(LOpcoes.FRecusas.size(), 3u);
  const auto& [LCorte, LCorteN, LRetencao] =
      std::tie(LOpcoes.FRecusas[0], LOpcoes.FRecusas[1], LOpcoes.FRecusas[2]);
  EXPECT_EQ(LCorte.FTipo, TTipoFalha::Cortar);
  EXPECT_EQ(LCorte.FNuvem, TNuvem::Lumio);
  EXPECT_EQ(LCorte.FEnesima, 0);
  EXPECT_EQ(LCorteN.FRecurso, "produtos");
  EXPECT_EQ(LCorteN.FEnesima, 3);
  EXPECT_EQ(LRetencao.FTipo, TTipoFalha::Reter);
  EXPECT_EQ(LRetencao.FRecurso, "vendas");
  EXPECT_EQ(LRetencao.FSegundos, 7);
  EXPECT_EQ(LRetencao.FEnesima, 2);
  EXPECT_DOUBLE_EQ(LOpcoes.FAleatorias.FFracao, 0.25);
  EXPECT_EQ(LOpcoes.FAleatorias.FSemente, 42u);
  EXPECT_DOUBLE_EQ(LerOpcoes({}).FAleatorias.FFracao, 0);
}

// --- the running executable ---------------------------------------------------

TEST(NuvemLocal, GuardaAMaiorMarcaPorNuvemRecursoEEmpresa) {
  auto P = Iniciar();
  ASSERT_FALSE(testing::Test::HasFatalFailure());

  // Out of order within a post, and a later post with lower marks.
  auto [LStatus1, LCorpo1] = Resposta(P->Postar(
      TNuvem::Lumio, "clientes",
      R"([{"empresaId":"7f3c","codAtualizacao":5},{"empresaId":"7f3c","codAtualizacao":12},)"
      R"({"empresaId":"7f3c","codAtualizacao":9}])"));
  EXPECT_EQ(LStatus1, 200) << LCorpo1;
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", R"([{"empresaId":"7f3c","codAtualizacao":3}])")).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", R"([{"empresaId":"12","codAtualizacao":40}])")).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", "[]")).first, 200);

  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "clientes", "7f3c"), "12");
  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "clientes", "12"), "40");
  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "clientes", "desconhecida"), "0");
  // Marks are kept apart per cloud and per resource.
  EXPECT_EQ(Marca(*P, TNuvem::Quenda, "clientes", "7f3c"), "0");
  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "produtos", "7f3c"), "0");
  // Resource names follow each cloud's own spelling.
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Quenda, "condicoespagamento",
                               R"([{"empresaId":"12","codAtualizacao":8}])")).first, 200);
  EXPECT_EQ(Marca(*P, TNuvem::Quenda, "condicoespagamento", "12"), "8");
  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "condicoesPagamentos", "12"), "0");

  EXPECT_TRUE(P->EsperarLinha("Lumio POST clientes empresa=7f3c objetos=3"));
  EXPECT_TRUE(P->EsperarLinha("Lumio POST clientes objetos=0"));
  EXPECT_TRUE(P->EsperarLinha("Lumio GET clientes/maxCodAtualizacao empresa=7f3c -> 12"));
  EXPECT_TRUE(P->EsperarLinha("Quenda GET clientes/maxCodAtualizacao empresa=7f3c -> 0")) << P->Saida();

  const TJson LEstado = P->Estado(TNuvem::Lumio);
  const TJson& LEmpresa = LEstado["recursos"]["clientes"]["empresas"]["7f3c"];
  EXPECT_EQ(LEmpresa["maxCodAtualizacao"], 12);
  EXPECT_EQ(LEmpresa["objetos"], 4);
  EXPECT_EQ(LEmpresa["posts"], 2);
  EXPECT_EQ(LEstado["recursos"]["clientes"]["posts"], 4);
}

TEST(NuvemLocal, LembraOMd5DasOpcoesPorEmpresa) {
  auto P = Iniciar();
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  const auto LMd5 = [&](const std::string& AEmpresa) {
    return Resposta(P->Consultar(TNuvem::Lumio, "opcoes/CodigoMd5/empresa/" + AEmpresa));
  };
  const auto LOpcoes = [](const std::string& AEmpresa, const std::string& AMd5) {
    return R"({"empresaId":")" + AEmpresa + R"(","md5Atualizacao":")" + AMd5 +
           R"(","consumidorId":15,"formaPagamentoEntrada":{"formaPagamentoId":"1"}})";
  };

  EXPECT_EQ(LMd5("7"), std::make_pair(200, std::string()));
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "opcoes", LOpcoes("7", "aaaa"))).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "opcoes", LOpcoes("8", "bbbb"))).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "opcoes", LOpcoes("7", "CCCC"))).first, 200);
  EXPECT_EQ(LMd5("7"), std::make_pair(200, std::string("CCCC")));
  EXPECT_EQ(LMd5("8"), std::make_pair(200, std::string("bbbb")));
  EXPECT_EQ(LMd5("9"), std::make_pair(200, std::string()));
  EXPECT_EQ(P->Estado(TNuvem::Lumio)["recursos"]["opcoes"]["empresas"]["7"]["ultimo"]["consumidorId"], 15);
  // Only Lumio has options.
  EXPECT_EQ(Resposta(P->Consultar(TNuvem::Quenda, "opcoes/CodigoMd5/empresa/7")).first, 404);
}

TEST(NuvemLocal, RespondeErrosSemGuardarNada) {
  auto P = Iniciar();
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  const httplib::Headers LComToken{{"Authorization", "Bearer teste"}};
  const std::string LValido = R"([{"empresaId":"1","codAtualizacao":50}])";
  struct TCaso {
    const char* FNome;
    TNuvem FNuvem;
    std::string FRecurso;
    std::string FCorpo;
    httplib::Headers FCabecalhos;
    int FStatus;
    std::string FTrechoResposta;
  };
  const TCaso LCasos[] = {
      {"JSON inválido", TNuvem::Lumio, "clientes", R"([{"empresaId":"1","codAtualizacao":50})", LComToken, 400,
       "JSON inválido"},
      {"consumidorId sem valor", TNuvem::Lumio, "opcoes",
       R"({"empresaId":"1","md5Atualizacao":"a","consumidorId":,"x":1})", LComToken, 400, "JSON inválido"},
      {"corpo vazio", TNuvem::Quenda, "clientes", "", LComToken, 400, "JSON inválido"},
      {"objeto onde se espera array", TNuvem::Lumio, "clientes", R"({"empresaId":"1","codAtualizacao":50})",
       LComToken, 400, "array"},
      {"array onde se espera objeto", TNuvem::Lumio, "services", R"([{"empresaId":"1"}])", LComToken, 400,
       "objeto"},
      {"elemento que não é objeto", TNuvem::Lumio, "clientes", R"([{"empresaId":"1","codAtualizacao":50},7])",
       LComToken, 400, "elemento 2"},
      {"empresaId numérico", TNuvem::Quenda, "clientes", R"([{"empresaId":1,"codAtualizacao":50}])", LComToken,
       400, "empresaId"},
      {"sem codAtualizacao", TNuvem::Lumio, "clientes", R"([{"empresaId":"1","codAtualizacao":"50"}])", LComToken,
       400, "codAtualizacao"},
      {"opções sem md5", TNuvem::Lumio, "opcoes", R"({"empresaId":"1"})", LComToken, 400, "md5Atualizacao"},
      {"sem Authorization", TNuvem::Lumio, "clientes", LValido, {}, 401, ""},
      {"Authorization Basic", TNuvem::Lumio, "clientes", LValido, {{"Authorization", "Basic dGVzdGU="}}, 401, ""},
      {"Bearer sem token", TNuvem::Quenda, "clientes", LValido, {{"Authorization", "Bearer "}}, 401, ""},
      {"recurso desconhecido", TNuvem::Lumio, "clientela", LValido, LComToken, 404, "clientela"},
      {"recurso da outra nuvem", TNuvem::Lumio, "receber", LValido, LComToken, 404, "receber"},
      {"grafia da outra nuvem", TNuvem::Quenda, "formasPagamentos", LValido, LComToken, 404, ""},
      {"post no caminho da marca", TNuvem::Lumio, "clientes/maxCodAtualizacao/empresa/1", LValido, LComToken, 404,
       ""},
  };
  for (const auto& C : LCasos) {
    SCOPED_TRACE(C.FNome);
    const auto [LStatus, LCorpo] = Resposta(P->Postar(C.FNuvem, C.FRecurso, C.FCorpo, C.FCabecalhos));
    EXPECT_EQ(LStatus, C.FStatus) << LCorpo;
    EXPECT_FALSE(LCorpo.empty());  // a cloud explains its refusal
    EXPECT_NE(LCorpo.find(C.FTrechoResposta), std::string::npos) << LCorpo;
  }
  for (TNuvem LNuvem : {TNuvem::Quenda, TNuvem::Lumio}) EXPECT_EQ(Marca(*P, LNuvem, "clientes", "1"), "0");
  EXPECT_EQ(Resposta(P->Consultar(TNuvem::Lumio, "opcoes/CodigoMd5/empresa/1")).second, "");

  // Queries that the clouds do not have.
  for (const std::string LCaminho :
       {"services/maxCodAtualizacao/empresa/1", "opcoes/maxCodAtualizacao/empresa/1", "clientes/CodigoMd5/empresa/1",
        "clientes", "clientes/maxCodAtualizacao/1"}) {
    SCOPED_TRACE(LCaminho);
    EXPECT_EQ(Resposta(P->Consultar(TNuvem::Lumio, LCaminho)).first, 404);
  }
  const auto LSemToken = P->Cliente(TNuvem::Quenda).Get("/api/clientes/maxCodAtualizacao/empresa/1");
  EXPECT_EQ(Resposta(LSemToken).first, 401);

  EXPECT_TRUE(P->EsperarLinha("Lumio POST clientes -> 400 JSON inválido"));
  EXPECT_TRUE(P->EsperarLinha("Lumio POST clientes -> 401")) << P->Saida();
}

TEST(NuvemLocal, RecusaLigadaEDesligadaPeloControle) {
  auto P = Iniciar();
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  const std::string LLote = R"([{"empresaId":"1","codAtualizacao":50}])";

  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "recusar?recurso=clientes&status=422&corpo=Cliente%20sem%20CPF")),
            std::make_pair(200, std::string("ok")));
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", LLote)),
            std::make_pair(422, std::string("Cliente sem CPF")));
  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "clientes", "1"), "0");  // refused rows are not kept
  // Other resources, and the same resource of the other cloud, go on.
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "produtos", LLote)).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Quenda, "clientes", LLote)).first, 200);

  // The mark query refused with the default status and an empty body.
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "recusar?recurso=produtos/maxCodAtualizacao&corpo=")).first, 200);
  EXPECT_EQ(Resposta(P->Consultar(TNuvem::Lumio, "produtos/maxCodAtualizacao/empresa/1")),
            std::make_pair(400, std::string()));

  TJson LEstado = P->Estado(TNuvem::Lumio);
  ASSERT_EQ(LEstado["recusas"].size(), 2u) << LEstado.dump();
  EXPECT_EQ(LEstado["recusas"][0]["status"], 422);
  EXPECT_EQ(LEstado["recursos"]["clientes"]["recusados"], 1);
  EXPECT_EQ(LEstado["recursos"]["clientes"]["posts"], 0);

  // A new refusal of the same resource replaces the old one.
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "recusar?recurso=clientes&status=409")).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", LLote)),
            std::make_pair(409, std::string(KCorpoRecusaPadrao)));

  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "normal")).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", LLote)).first, 200);
  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "clientes", "1"), "50");
  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "produtos", "1"), "50");
  EXPECT_TRUE(P->Estado(TNuvem::Lumio)["recusas"].empty());

  // Bad control requests are refused and change nothing.
  for (const std::string LComando :
       {"recusar", "recusar?recurso=receber", "recusar?recurso=quenda:clientes", "recusar?recurso=clientes&status=99",
        "recusar?recurso=clientes&n=0", "indisponivel?ativo=talvez"}) {
    SCOPED_TRACE(LComando);
    EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, LComando)).first, 400);
  }
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "reiniciar")).first, 404);
  EXPECT_TRUE(P->Estado(TNuvem::Lumio)["recusas"].empty());
  EXPECT_EQ(P->Estado(TNuvem::Lumio)["indisponivel"], false);
}

TEST(NuvemLocal, RecusaSoONesimoPedido) {
  auto P = Iniciar({"--recusar-n", "quenda:vendas=2:500:Falha simulada"});
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  const auto LPostar = [&](TNuvem ANuvem, const std::string& ARecurso, int ACodigo) {
    return Resposta(P->Postar(ANuvem, ARecurso,
                              R"([{"empresaId":"1","codAtualizacao":)" + std::to_string(ACodigo) + "}]"));
  };
  EXPECT_EQ(LPostar(TNuvem::Quenda, "vendas", 1).first, 200);
  EXPECT_EQ(LPostar(TNuvem::Quenda, "vendas", 2), std::make_pair(500, std::string("Falha simulada")));
  EXPECT_EQ(LPostar(TNuvem::Quenda, "vendas", 3).first, 200);
  EXPECT_EQ(Marca(*P, TNuvem::Quenda, "vendas", "1"), "3");

  // Set at run time, N counts from then on: the 2nd post after the command.
  EXPECT_EQ(LPostar(TNuvem::Lumio, "clientes", 1).first, 200);
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "recusar?recurso=clientes&n=2")).first, 200);
  EXPECT_EQ(LPostar(TNuvem::Lumio, "clientes", 2).first, 200);
  EXPECT_EQ(LPostar(TNuvem::Lumio, "clientes", 3), std::make_pair(400, std::string(KCorpoRecusaPadrao)));
  EXPECT_EQ(LPostar(TNuvem::Lumio, "clientes", 4).first, 200);
  EXPECT_EQ(LPostar(TNuvem::Lumio, "clientes", 5).first, 200);
  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "clientes", "1"), "5");
}

TEST(NuvemLocal, RecusasDaLinhaDeComando) {
  auto P = Iniciar({"--recusar", "lumio:clientes=409:Duplicado", "--recusar", "produtos/maxCodAtualizacao=404:"});
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  const std::string LLote = R"([{"empresaId":"1","codAtualizacao":50}])";
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", LLote)), std::make_pair(409, std::string("Duplicado")));
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Quenda, "clientes", LLote)).first, 200);
  // Without a cloud prefix the refusal holds in both.
  for (TNuvem LNuvem : {TNuvem::Quenda, TNuvem::Lumio}) {
    EXPECT_EQ(Resposta(P->Consultar(LNuvem, "produtos/maxCodAtualizacao/empresa/1")),
              std::make_pair(404, std::string()));
    EXPECT_EQ(Resposta(P->Postar(LNuvem, "produtos", LLote)).first, 200);
  }
}

TEST(NuvemLocal, IndisponivelResponde503MasObedeceAoControle) {
  auto P = Iniciar({"--indisponivel"});
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  const std::string LLote = R"([{"empresaId":"1","codAtualizacao":50}])";
  for (TNuvem LNuvem : {TNuvem::Quenda, TNuvem::Lumio}) {
    EXPECT_EQ(Resposta(P->Postar(LNuvem, "clientes", LLote)).first, 503);
    EXPECT_EQ(Resposta(P->Postar(LNuvem, "clientes", LLote, {})).first, 503);
    EXPECT_EQ(Resposta(P->Consultar(LNuvem, "clientes/maxCodAtualizacao/empresa/1")).first, 503);
  }
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Quenda, "indisponivel?ativo=0")).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Quenda, "clientes", LLote)).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", LLote)).first, 503);  // still down
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "normal")).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", LLote)).first, 200);

  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Quenda, "indisponivel")).first, 200);
  EXPECT_EQ(Resposta(P->Consultar(TNuvem::Quenda, "clientes/maxCodAtualizacao/empresa/1")).first, 503);
  EXPECT_EQ(P->Estado(TNuvem::Quenda)["indisponivel"], true);
  // What was received while it was up stays.
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Quenda, "normal")).first, 200);
  EXPECT_EQ(Marca(*P, TNuvem::Quenda, "clientes", "1"), "50");
}

TEST(NuvemLocal, JsonlGuardaCadaCorpoComoRecebido) {
  teste::TDiretorioTemporario LDiretorio;
  const std::string LArquivo = LDiretorio.Arquivo("corpos.jsonl");
  auto P = Iniciar({"--jsonl", LArquivo});
  ASSERT_FALSE(testing::Test::HasFatalFailure());

  // Escapes and number forms must survive as sent; line breaks between
  // tokens must not split the record.
  const std::string LClientes = "[{\"empresaId\":\"7f3c\",\"nome\":\"A\\/B \\u00e7 ç\",\"valor\":1.50,"
                                "\"codAtualizacao\":3},\r\n {\"empresaId\":\"7f3c\",\"codAtualizacao\":4}]";
  const std::string LServico = R"({"empresaId":"12","host":"caixa01","versao":"1.0.4.0"})";
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", LClientes)).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Quenda, "services", LServico)).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", "{ruim\n")).first, 400);
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "recusar?recurso=clientes")).first, 200);
  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "clientes", "[]")).first, 400);
  ASSERT_EQ(P->Encerrar(), 0) << P->Saida();

  std::vector<std::string> LLinhas;
  std::istringstream LTexto(teste::LerArquivo(LArquivo));
  for (std::string LLinha; std::getline(LTexto, LLinha);) LLinhas.push_back(LLinha);
  ASSERT_EQ(LLinhas.size(), 4u) << teste::LerArquivo(LArquivo);

  std::vector<TJson> LRegistros;
  for (const auto& LLinha : LLinhas) LRegistros.push_back(TJson::parse(LLinha));
  EXPECT_EQ(LRegistros[0]["nuvem"], "Lumio");
  EXPECT_EQ(LRegistros[0]["recurso"], "clientes");
  EXPECT_EQ(LRegistros[0]["corpo"], TJson::parse(LClientes));
  EXPECT_EQ(LRegistros[0]["status"], 200);
  EXPECT_NE(LLinhas[0].find(R"("nome":"A\/B \u00e7 ç","valor":1.50,)"), std::string::npos) << LLinhas[0];
  EXPECT_EQ(LRegistros[1]["nuvem"], "Quenda");
  EXPECT_EQ(LRegistros[1]["recurso"], "services");
  EXPECT_EQ(LRegistros[1]["corpo"].dump(), LServico);  // member order kept
  EXPECT_EQ(LRegistros[2]["corpoTexto"], "{ruim\n");
  EXPECT_EQ(LRegistros[2]["status"], 400);
  EXPECT_EQ(LRegistros[3]["corpo"], TJson::array());
  EXPECT_EQ(LRegistros[3]["status"], 400);
}

TEST(NuvemLocal, EncerraLimpoEFalhaAlto) {
  auto P = Iniciar();
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  // A second instance on a port in use must not start.
  TProcessoNuvemLocal LSegunda({}, {"--porta-quenda", std::to_string(P->FPortaQuenda), "--porta-lumio", "0"});
  EXPECT_EQ(LSegunda.Encerrar(0), 1);
  EXPECT_NE(LSegunda.Saida().find("127.0.0.1:" + std::to_string(P->FPortaQuenda)), std::string::npos)
      << LSegunda.Saida();
  // Options it cannot read end it before it listens.
  TProcessoNuvemLocal LTerceira({"--recusar", "naoexiste"});
  EXPECT_EQ(LTerceira.Encerrar(0), 2);

  EXPECT_EQ(Resposta(P->Postar(TNuvem::Lumio, "services", R"({"empresaId":"1","host":"h","versao":"1"})")).first,
            200);
  EXPECT_EQ(P->Encerrar(SIGINT), 0);
  EXPECT_TRUE(P->EsperarLinha("Encerrando (SIGINT)", 0ms)) << P->Saida();
}

TEST(NuvemLocal, EncerraLogoComConexaoMantidaAberta) {
  auto P = Iniciar();
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  // A kept-alive connection must not hold the stop.
  auto LCliente = P->Cliente(TNuvem::Lumio);
  LCliente.set_keep_alive(true);
  EXPECT_EQ(Resposta(LCliente.Get("/controle/estado")).first, 200);
  const auto LInicio = std::chrono::steady_clock::now();
  EXPECT_EQ(P->Encerrar(SIGTERM), 0) << P->Saida();
  EXPECT_LT(std::chrono::steady_clock::now() - LInicio, 3s);
}

}  // namespace
}  // namespace borvan

namespace borvan {
namespace {

// Posts N one-object batches with rising codes and returns the status of
// each; the cloud keeps the highest code it accepted.
std::vector<int> PostarSequencia(const TProcessoNuvemLocal& AProcesso, TNuvem ANuvem, int AQuantidade) {
  std::vector<int> LStatus;
  for (int I = 1; I <= AQuantidade; ++I)
    LStatus.push_back(Resposta(AProcesso.Postar(ANuvem, "clientes",
                                                R"([{"empresaId":"1","codAtualizacao":)" + std::to_string(I) + "}]"))
                          .first);
  return LStatus;
}

TEST(NuvemLocal, FalhasAleatoriasRepetemComAMesmaSementeENadaGuardam) {
  auto P1 = Iniciar({"--falhas-aleatorias", "0.3", "--semente", "7"});
  auto P2 = Iniciar({"--falhas-aleatorias=0.3", "--semente=7"});
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  const auto LPrimeira = PostarSequencia(*P1, TNuvem::Quenda, 200);
  EXPECT_EQ(PostarSequencia(*P2, TNuvem::Quenda, 200), LPrimeira);

  int LFalhas = 0, LUltimaAceita = 0;
  std::set<int> LCodigos;
  for (size_t I = 0; I < LPrimeira.size(); ++I) {
    if (LPrimeira[I] == 200) {
      LUltimaAceita = static_cast<int>(I) + 1;
      continue;
    }
    ++LFalhas;
    LCodigos.insert(LPrimeira[I]);
    EXPECT_NE(std::find(std::begin(KStatusAleatorios), std::end(KStatusAleatorios), LPrimeira[I]),
              std::end(KStatusAleatorios))
        << LPrimeira[I];
  }
  EXPECT_GT(LFalhas, 30);  // about 60 of 200
  EXPECT_LT(LFalhas, 90);
  EXPECT_TRUE(LCodigos.contains(400) || LCodigos.contains(409) || LCodigos.contains(422) || LCodigos.contains(429));
  EXPECT_TRUE(LCodigos.contains(500) || LCodigos.contains(502) || LCodigos.contains(503) || LCodigos.contains(504));
  // A refused batch is not remembered: the mark is that of the last one
  // accepted, and each refusal is counted.
  EXPECT_EQ(Marca(*P1, TNuvem::Quenda, "clientes", "1"), std::to_string(LUltimaAceita));
  EXPECT_EQ(P1->Estado(TNuvem::Quenda)["recursos"]["clientes"]["recusados"], LFalhas);
  // Mark queries are never refused at random.
  for (int I = 0; I < 20; ++I) EXPECT_EQ(Resposta(P1->Consultar(TNuvem::Quenda, "clientes/maxCodAtualizacao/empresa/1")).first, 200);

  // Another seed, another sequence; a fraction of 0 turns them off, and so
  // does "normal".
  EXPECT_EQ(Resposta(P2->Controlar(TNuvem::Lumio, "aleatorias?fracao=0.3&semente=8")).first, 200);
  const auto LOutra = PostarSequencia(*P2, TNuvem::Lumio, 200);
  EXPECT_NE(LOutra, LPrimeira);
  EXPECT_EQ(P2->Estado(TNuvem::Lumio)["aleatorias"]["semente"], 8);
  EXPECT_EQ(Resposta(P2->Controlar(TNuvem::Lumio, "aleatorias?fracao=0")).first, 200);
  EXPECT_EQ(PostarSequencia(*P2, TNuvem::Lumio, 30), std::vector<int>(30, 200));
  EXPECT_EQ(Resposta(P2->Controlar(TNuvem::Quenda, "normal")).first, 200);
  EXPECT_EQ(PostarSequencia(*P2, TNuvem::Quenda, 30), std::vector<int>(30, 200));
  for (const char* LRuim : {"aleatorias?fracao=2", "aleatorias", "aleatorias?fracao=0.1&semente=x"})
    EXPECT_EQ(Resposta(P2->Controlar(TNuvem::Quenda, LRuim)).first, 400) << LRuim;
}

// A cut answer is the worst case for a sender: the cloud has the data, the
// sender sees a failure and must send it again.
TEST(NuvemLocal, CorteGuardaOsDadosEQuebraAResposta) {
  auto P = Iniciar({"--cortar", "quenda:clientes=2"});
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  const auto LPostar = [&](TNuvem ANuvem, int ACodigo) {
    return Resposta(P->Postar(ANuvem, "clientes", R"([{"empresaId":"1","codAtualizacao":)" + std::to_string(ACodigo) + "}]"));
  };
  EXPECT_EQ(LPostar(TNuvem::Quenda, 10).first, 200);
  EXPECT_EQ(LPostar(TNuvem::Quenda, 20).first, -1);  // no whole answer
  EXPECT_EQ(Marca(*P, TNuvem::Quenda, "clientes", "1"), "20");
  EXPECT_EQ(LPostar(TNuvem::Quenda, 30).first, 200);  // only the 2nd

  // Every request of a resource, a mark query included, by the control.
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "cortar?recurso=clientes/maxCodAtualizacao")).first, 200);
  EXPECT_EQ(Resposta(P->Consultar(TNuvem::Lumio, "clientes/maxCodAtualizacao/empresa/1")).first, -1);
  EXPECT_EQ(Resposta(P->Consultar(TNuvem::Lumio, "clientes/maxCodAtualizacao/empresa/1")).first, -1);
  EXPECT_EQ(P->Estado(TNuvem::Lumio)["recusas"][0]["tipo"], "cortar");
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "normal")).first, 200);
  EXPECT_EQ(Resposta(P->Consultar(TNuvem::Lumio, "clientes/maxCodAtualizacao/empresa/1")),
            std::make_pair(200, std::string("0")));
  EXPECT_NE(P->EsperarLinha("(cortada)"), std::nullopt) << P->Saida();
}

TEST(NuvemLocal, RetencaoSeguraARespostaEGuardaOsDados) {
  auto P = Iniciar();
  ASSERT_FALSE(testing::Test::HasFatalFailure());
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, "reter?recurso=produtos&segundos=2&n=1")).first, 200);
  for (const char* LRuim : {"reter?recurso=produtos", "reter?recurso=produtos&segundos=0", "reter?recurso=nada&segundos=1"})
    EXPECT_EQ(Resposta(P->Controlar(TNuvem::Lumio, LRuim)).first, 400) << LRuim;
  const auto LPostar = [&] {
    const auto LInicio = std::chrono::steady_clock::now();
    const auto LStatus = Resposta(P->Postar(TNuvem::Lumio, "produtos", R"([{"empresaId":"1","codAtualizacao":5}])")).first;
    return std::make_pair(LStatus, std::chrono::steady_clock::now() - LInicio);
  };
  const auto [LStatus, LDuracao] = LPostar();
  EXPECT_EQ(LStatus, 200);
  EXPECT_GE(LDuracao, 2s);
  EXPECT_EQ(Marca(*P, TNuvem::Lumio, "produtos", "1"), "5");
  // The first request only.
  EXPECT_LT(LPostar().second, 1s);
  // A client that gives up first sees a timeout; the data still arrives.
  EXPECT_EQ(Resposta(P->Controlar(TNuvem::Quenda, "reter?recurso=vendas&segundos=3")).first, 200);
  auto LCliente = P->Cliente(TNuvem::Quenda);
  LCliente.set_read_timeout(1, 0);
  auto LResultado = LCliente.Post("/api/vendas", {{"Authorization", "Bearer teste"}},
                                  R"([{"empresaId":"1","codAtualizacao":9}])", "application/json");
  EXPECT_FALSE(LResultado);
  // The cloud did the work; only its answer came late.
  EXPECT_EQ(Marca(*P, TNuvem::Quenda, "vendas", "1"), "9");
}

}  // namespace
}  // namespace borvan
