// What the end-to-end tests share: child processes, the cross-process
// locks on the fixed development ports, NuvemLocal run as a child, and a
// fixture that runs the built executable from a directory of its own.
#pragma once

#include <sys/types.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/diretorio_temporario.h"

namespace borvan::teste {

using TRelogio = std::chrono::steady_clock;

// "saiu com 0", "morto pelo sinal 15".
std::string DescreverStatus(int AStatus);

// True iff the process ended by exit(ACodigo).
bool SaiuCom(const std::optional<int>& AStatus, int ACodigo);

// A child process; one still running at destruction is killed and reaped.
class TProcessoFilho {
 public:
  // Runs AArgumentos[0] (searched on PATH when it has no slash) with the
  // test's environment, less what would steer the child (BORVAN_CICLOS, a
  // systemd notification socket), plus AAmbiente ("NOME=valor"). Standard
  // output and error go to the files ASaida and AErros, truncated first
  // unless AAcrescentar. Throws std::runtime_error when it cannot start.
  TProcessoFilho(const std::vector<std::string>& AArgumentos, const std::vector<std::string>& AAmbiente,
                 const std::string& ASaida, const std::string& AErros, bool AAcrescentar = false);
  ~TProcessoFilho();
  TProcessoFilho(const TProcessoFilho&) = delete;
  TProcessoFilho& operator=(const TProcessoFilho&) = delete;

  pid_t Pid() const { return FPid; }
  // Does nothing once the child has been reaped: its pid may be another's.
  void Sinalizar(int ASinal) const;

  // The wait status once the child has ended within ATempo; empty while it
  // still runs.
  std::optional<int> AguardarFim(std::chrono::milliseconds ATempo);
  bool Rodando() { return !AguardarFim(std::chrono::milliseconds(0)); }

 private:
  pid_t FPid = -1;
  std::optional<int> FStatus;
};

// Polls ACondicao until it holds, the time runs out or AProcesso ends
// (checked once more after the end, so a last write is not missed).
template <class TCondicao>
bool Aguardar(TCondicao ACondicao, TProcessoFilho& AProcesso, std::chrono::milliseconds ATempo) {
  auto limite = TRelogio::now() + ATempo;
  for (;;) {
    if (ACondicao()) return true;
    if (!AProcesso.Rodando()) return ACondicao();
    if (TRelogio::now() >= limite) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// Polls ACondicao every APasso until it holds; checked once more when
// ATempo has run out.
template <class TCondicao>
bool Aguardar(TCondicao ACondicao, std::chrono::milliseconds ATempo,
              std::chrono::milliseconds APasso = std::chrono::milliseconds(100)) {
  for (auto limite = TRelogio::now() + ATempo;; std::this_thread::sleep_for(APasso)) {
    if (ACondicao()) return true;
    if (TRelogio::now() >= limite) return ACondicao();
  }
}

// True iff something accepts a connection on 127.0.0.1:APorta.
bool PortaResponde(int APorta);

// An exclusive flock on a lock file shared by every build directory, held
// for the object's life. Throws std::runtime_error when it cannot be had
// within two minutes.
class TTravaArquivo {
 public:
  explicit TTravaArquivo(const std::string& ACaminho);
  ~TTravaArquivo();
  TTravaArquivo(const TTravaArquivo&) = delete;
  TTravaArquivo& operator=(const TTravaArquivo&) = delete;

 private:
  int FDescritor = -1;
};

// The development ports are fixed and tests of several build directories
// may run at once: the in-process stand-in takes these same locks itself,
// a local cloud run as a child is covered by this.
class TTravaPortasNuvem {
 public:
  TTravaPortasNuvem();

 private:
  TTravaArquivo FQuenda, FLumio;
};

// NuvemLocal on 8090/8091, recording every body it is sent as JSON lines.
// It can be killed and started again over the same records, as a cloud
// that goes down and comes back.
class TNuvemLocalFilho {
 public:
  // Started at once with AOpcoes after the usual ones. Throws
  // std::runtime_error when it does not start.
  explicit TNuvemLocalFilho(const TDiretorioTemporario& ADiretorio, std::vector<std::string> AOpcoes = {});
  ~TNuvemLocalFilho();
  TNuvemLocalFilho(const TNuvemLocalFilho&) = delete;
  TNuvemLocalFilho& operator=(const TNuvemLocalFilho&) = delete;

  // A program outside these tests may hold the ports for a while: binding
  // is retried for up to 30 s.
  void Subir();
  // Killed outright: connections refused from now on.
  void Derrubar();

  // POST /controle/<AComando> on the port of the cloud; throws
  // std::runtime_error unless it answers 200.
  void Controlar(int APorta, const std::string& AComando);

  // Its output, every start's: the banner, then one line per request
  // ("Lumio GET clientes/maxCodAtualizacao empresa=.. -> 0").
  std::string Pedidos() const;
  const std::string& ArquivoJsonl() const { return FJsonl; }
  std::vector<std::string> LinhasJsonl() const;

 private:
  TTravaPortasNuvem FTrava;  // first: released after the cloud has stopped
  std::string FPedidos;
  std::string FJsonl;
  std::string FErros;
  std::vector<std::string> FOpcoes;
  std::unique_ptr<TProcessoFilho> FProcesso;
};

// The log at ACaminho without the time of each line: "INFO: Serviço
// iniciado.". A line not of the form "hh:mm:ss - ...\r\n" is kept whole,
// marked, so that a comparison shows it. No file: no lines.
std::vector<std::string> LinhasDoLog(const std::string& ACaminho);

// Runs the sample schema (every back-office table, empty, with the
// triggers that stamp COD_ATUALIZACAO) through isql on ATextoConexao;
// AAmbiente steers isql to the right server. Its output goes to
// ADiretorio. Throws std::runtime_error, with that output, on failure.
void CarregarEsquemaExemplo(const std::string& ATextoConexao, const TDiretorioTemporario& ADiretorio,
                            const std::vector<std::string>& AAmbiente = {});

// The built executable in a directory of its own, beside the developer
// marker, as the service manager starts it. Each test adds the
// ConnectionDefs.ini it needs.
class TTesteExecutavel : public ::testing::Test {
 protected:
  void SetUp() override;

  // Starts BorvanService without arguments, its output appended to
  // servico.out and servico.err; AAntes is a command that runs it.
  std::unique_ptr<TProcessoFilho> IniciarServico(std::vector<std::string> AAmbiente = {},
                                                 std::vector<std::string> AAntes = {}) const;

  std::vector<std::string> LinhasLog() const { return LinhasDoLog(FDiretorio.Arquivo("BorvanService.log")); }

  // A sanitizer build reports on stderr; an exit status that is non-zero
  // anyway would hide it.
  void VerificarSemRelatoDeSanitizador() const;

  TDiretorioTemporario FDiretorio;
};

}  // namespace borvan::teste
