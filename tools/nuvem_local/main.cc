// NuvemLocal: serves the Quenda and Lumio APIs on the local machine until
// SIGTERM or SIGINT.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <pthread.h>

#include "support/erros.h"
#include "tools/nuvem_local/nuvem_local.h"
#include "tools/nuvem_local/servidor_nuvem.h"

namespace {

// One whole line at a time on stdout, flushed, so a reader sees each
// request as it happens.
void ImprimirLinha(const std::string& ALinha) {
  static std::mutex GTrava;
  std::lock_guard LTrava(GTrava);
  std::fwrite(ALinha.data(), 1, ALinha.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace borvan;

  TOpcoesNuvemLocal LOpcoes;
  try {
    LOpcoes = LerOpcoes(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const EBorvanErro& E) {
    std::cerr << "NuvemLocal: " << E.what() << "\n\n" << TextoAjuda();
    return 2;
  }
  if (LOpcoes.FAjuda) {
    std::cout << TextoAjuda();
    return 0;
  }

  // The signals are taken by sigwait below; every thread started from here
  // on inherits the mask.
  sigset_t LSinais;
  sigemptyset(&LSinais);
  sigaddset(&LSinais, SIGTERM);
  sigaddset(&LSinais, SIGINT);
  pthread_sigmask(SIG_BLOCK, &LSinais, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  try {
    std::unique_ptr<TRegistroJsonl> LJsonl;
    if (!LOpcoes.FArquivoJsonl.empty()) LJsonl = std::make_unique<TRegistroJsonl>(LOpcoes.FArquivoJsonl);

    TNuvemLocal LQuenda(TNuvem::Quenda, ImprimirLinha, LJsonl.get());
    TNuvemLocal LLumio(TNuvem::Lumio, ImprimirLinha, LJsonl.get());
    for (TNuvemLocal* LNuvem : {&LQuenda, &LLumio}) {
      LNuvem->DefinirIndisponivel(LOpcoes.FIndisponivel);
      // Each cloud draws its own sequence from the same seed.
      LNuvem->DefinirAleatorias(LOpcoes.FAleatorias);
      for (const auto& LRecusa : LOpcoes.FRecusas) {
        if ((!LRecusa.FNuvem || *LRecusa.FNuvem == LNuvem->Nuvem()) &&
            RecusavelNa(LNuvem->Nuvem(), LRecusa.FRecurso))
          LNuvem->Recusar(LRecusa);
      }
    }

    TServidorNuvem LServidorQuenda(LQuenda);
    TServidorNuvem LServidorLumio(LLumio);
    const int LPortaQuenda = LServidorQuenda.Ligar(LOpcoes.FPortaQuenda);
    const int LPortaLumio = LServidorLumio.Ligar(LOpcoes.FPortaLumio);
    LServidorQuenda.Iniciar();
    LServidorLumio.Iniciar();
    ImprimirLinha("Quenda: http://localhost:" + std::to_string(LPortaQuenda) + "/api/");
    ImprimirLinha("Lumio: http://localhost:" + std::to_string(LPortaLumio) + "/api/");

    int LSinal = 0;
    sigwait(&LSinais, &LSinal);
    ImprimirLinha(std::string("Encerrando (") + (LSinal == SIGINT ? "SIGINT" : "SIGTERM") + ").");
    LServidorQuenda.Parar();
    LServidorLumio.Parar();
  } catch (const std::exception& E) {
    std::cerr << "NuvemLocal: " << E.what() << "\n";
    return 1;
  }
  return 0;
}
