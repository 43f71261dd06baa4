// Error kinds of the service. Every failure is an exception carrying the
// text the log (or the event log) will show.
#pragma once

#include <stdexcept>
#include <string>

namespace borvan {

// Any failure of the service: database, cloud, log, configuration.
class EBorvanErro : public std::runtime_error {
 public:
  explicit EBorvanErro(const std::string& AMensagem) : std::runtime_error(AMensagem) {}
};

// A failure reported by the database client library; the message is
// Firebird's own text.
class EBancoDados : public EBorvanErro {
 public:
  using EBorvanErro::EBorvanErro;
};

// A failed cloud exchange: a 4xx body, a 5xx status line or
// "REST request failed: ...".
class ENuvem : public EBorvanErro {
 public:
  using EBorvanErro::EBorvanErro;
};

// The silent abort of a failed host check: the reason is already in the
// log, so callers let it pass and nobody reports it to the event log.
class EAbortSilencioso : public EBorvanErro {
 public:
  EAbortSilencioso() : EBorvanErro("Operation aborted") {}
};

}  // namespace borvan
