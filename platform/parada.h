// The stop request of the service manager: SIGTERM or SIGINT.
#pragma once

namespace borvan {

// Blocks SIGTERM and SIGINT for the process while alive, so that a stop
// request never interrupts a cycle: it is taken only by Esperar.
class TEsperaParada {
 public:
  TEsperaParada();
  ~TEsperaParada();
  TEsperaParada(const TEsperaParada&) = delete;
  TEsperaParada& operator=(const TEsperaParada&) = delete;

  // Waits up to AMilissegundos; true as soon as a stop was requested
  // (also one that arrived before the call), false when the time ran out.
  bool Esperar(long AMilissegundos);
  bool ParadaSolicitada() const { return FSolicitada; }

 private:
  bool FSolicitada = false;
};

}  // namespace borvan
