// Internal to db/: ownership and error plumbing over libfbclient's
// object-oriented API.
#pragma once

#include <firebird/Interface.h>

#include <memory>
#include <string>
#include <utility>

#include "support/erros.h"

namespace borvan::fb {

Firebird::IMaster* Mestre();
Firebird::IUtil* Util();

// Firebird's own text for a failed status, on one line.
std::string TextoStatus(Firebird::IStatus* AStatus);

// Releases a reference-counted interface (attachment, transaction,
// statement, cursor, metadata, provider, blob).
struct TLiberar {
  template <class T>
  void operator()(T* AObjeto) const {
    AObjeto->release();
  }
};
template <class T>
using TRef = std::unique_ptr<T, TLiberar>;

// A status object of the client library that throws FbException on
// failure; disposed with the wrapper.
class TStatus : public Firebird::ThrowStatusWrapper {
 public:
  TStatus() : ThrowStatusWrapper(Mestre()->getStatus()) {}
  ~TStatus() { dispose(); }
  TStatus(const TStatus&) = delete;
  TStatus& operator=(const TStatus&) = delete;
};

// A parameter buffer builder (connection or transaction), disposed on
// scope exit.
class TXpb {
 public:
  TXpb(TStatus& AStatus, unsigned ATipo)
      : FConstrutor(Util()->getXpbBuilder(&AStatus, ATipo, nullptr, 0)) {}
  ~TXpb() { FConstrutor->dispose(); }
  TXpb(const TXpb&) = delete;
  TXpb& operator=(const TXpb&) = delete;

  Firebird::IXpbBuilder* operator->() const { return FConstrutor; }

 private:
  Firebird::IXpbBuilder* FConstrutor;
};

// Runs AFuncao, turning the client library's exception into EBancoDados.
template <class F>
decltype(auto) Chamar(F&& AFuncao) {
  try {
    return std::forward<F>(AFuncao)();
  } catch (const Firebird::FbException& e) {
    throw EBancoDados(TextoStatus(e.getStatus()));
  }
}

// Ends an object whose closing call releases it on success (detach,
// commit, free, close); on failure the reference is dropped anyway.
// Never throws.
template <class T, class F>
void Encerrar(TRef<T>& AObjeto, F&& AFechar) noexcept {
  if (!AObjeto) return;
  try {
    TStatus status;
    AFechar(AObjeto.get(), &status);
    (void)AObjeto.release();  // the closing call already released it
  } catch (...) {
    AObjeto.reset();
  }
}

}  // namespace borvan::fb
