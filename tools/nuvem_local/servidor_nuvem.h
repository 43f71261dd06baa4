// Puts one TNuvemLocal on HTTP at 127.0.0.1: "/api/..." goes to the cloud's
// API, "/controle/..." to its control commands.
#pragma once

#include <memory>
#include <thread>

#include "tools/nuvem_local/nuvem_local.h"

namespace httplib {
class Server;
}

namespace borvan {

class TServidorNuvem {
 public:
  // ANuvem must outlive this object.
  explicit TServidorNuvem(TNuvemLocal& ANuvem);
  // Stops serving and waits for the serving thread.
  ~TServidorNuvem();
  TServidorNuvem(const TServidorNuvem&) = delete;
  TServidorNuvem& operator=(const TServidorNuvem&) = delete;

  // Binds 127.0.0.1:APorta (0: any free port) and returns the bound port.
  // Throws EBorvanErro when the port cannot be bound.
  int Ligar(int APorta);
  // REQUIRES: Ligar succeeded. Serves on a thread of its own; returns once
  // it is accepting, so Parar never misses it.
  void Iniciar();
  // Idempotent.
  void Parar();

 private:
  TNuvemLocal& FNuvem;
  std::unique_ptr<httplib::Server> FServidor;
  std::thread FThread;
};

}  // namespace borvan
