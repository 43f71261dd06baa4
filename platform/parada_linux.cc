#include <signal.h>
#include <time.h>

#include <cerrno>

#include "platform/parada.h"

namespace borvan {
namespace {

sigset_t SinaisParada() {
  sigset_t sinais;
  sigemptyset(&sinais);
  sigaddset(&sinais, SIGTERM);
  sigaddset(&sinais, SIGINT);
  return sinais;
}

}  // namespace

TEsperaParada::TEsperaParada() {
  sigset_t sinais = SinaisParada();
  sigprocmask(SIG_BLOCK, &sinais, nullptr);
}

TEsperaParada::~TEsperaParada() {
  sigset_t sinais = SinaisParada();
  // A second stop request still pending must not kill the process once
  // the signals are unblocked: it was already answered.
  timespec agora{0, 0};
  while (sigtimedwait(&sinais, nullptr, &agora) > 0) {
  }
  sigprocmask(SIG_UNBLOCK, &sinais, nullptr);
}

bool TEsperaParada::Esperar(long AMilissegundos) {
  if (FSolicitada) return true;
  sigset_t sinais = SinaisParada();
  timespec limite{};
  clock_gettime(CLOCK_MONOTONIC, &limite);
  limite.tv_sec += AMilissegundos / 1000;
  limite.tv_nsec += (AMilissegundos % 1000) * 1000000L;
  if (limite.tv_nsec >= 1000000000L) {
    limite.tv_sec += 1;
    limite.tv_nsec -= 1000000000L;
  }
  for (;;) {
    timespec agora{};
    clock_gettime(CLOCK_MONOTONIC, &agora);
    timespec restante{limite.tv_sec - agora.tv_sec, limite.tv_nsec - agora.tv_nsec};
    if (restante.tv_nsec < 0) {
      restante.tv_sec -= 1;
      restante.tv_nsec += 1000000000L;
    }
    if (restante.tv_sec < 0) return false;
    int sinal = sigtimedwait(&sinais, nullptr, &restante);
    if (sinal == SIGTERM || sinal == SIGINT) {
      FSolicitada = true;
      return true;
    }
    if (sinal < 0 && errno == EAGAIN) return false;
    // EINTR (another signal): wait for the rest of the time.
  }
}

}  // namespace borvan
