// The seam between the service and the operating system: where the
// executable lives, who the machine is, what time it is, and the system
// event log. One Linux implementation today (ambiente_linux.cc); tests wrap
// it to move the executable's directory or the clock.
#pragma once

#include <string>

#include "support/data_hora.h"

namespace borvan {

class TAmbiente {
 public:
  virtual ~TAmbiente() = default;

  // Absolute path of the running executable, symbolic links followed.
  virtual std::string CaminhoExecutavel() = 0;
  // Directory of the running executable, without a trailing separator.
  // Every file the service reads or writes lives there.
  virtual std::string DiretorioExecutavel() = 0;

  // The machine name: host name cut at the first "." and to at most 15
  // characters.
  virtual std::string NomeComputador() = 0;
  // The first non-loopback IPv4 address of the machine, dotted decimal;
  // empty when there is none.
  virtual std::string IPLocal() = 0;

  // Local date and time of the process (its TZ).
  virtual TDataHora Agora() = 0;

  // One entry at error priority in the system event log under AIdent.
  virtual void RegistrarEventoSistema(const std::string& AIdent, const std::string& AMensagem) = 0;

  // The environment in use: the Linux one unless a test substituted it.
  static TAmbiente& Atual();
  // The real Linux environment.
  static TAmbiente& Padrao();

 protected:
  friend class TAmbienteSubstituto;
  static TAmbiente*& Substituto();
};

// Forwards everything to another environment; tests derive from it and
// override only what they fake.
class TAmbienteWrapper : public TAmbiente {
 public:
  explicit TAmbienteWrapper(TAmbiente& AAlvo) : FAlvo(AAlvo) {}
  std::string CaminhoExecutavel() override { return FAlvo.CaminhoExecutavel(); }
  std::string DiretorioExecutavel() override { return FAlvo.DiretorioExecutavel(); }
  std::string NomeComputador() override { return FAlvo.NomeComputador(); }
  std::string IPLocal() override { return FAlvo.IPLocal(); }
  TDataHora Agora() override { return FAlvo.Agora(); }
  void RegistrarEventoSistema(const std::string& AIdent, const std::string& AMensagem) override {
    FAlvo.RegistrarEventoSistema(AIdent, AMensagem);
  }

 private:
  TAmbiente& FAlvo;
};

// While alive, TAmbiente::Atual() is ANovo. Not thread-safe; tests only.
class TAmbienteSubstituto {
 public:
  explicit TAmbienteSubstituto(TAmbiente& ANovo) : FAnterior(TAmbiente::Substituto()) {
    TAmbiente::Substituto() = &ANovo;
  }
  ~TAmbienteSubstituto() { TAmbiente::Substituto() = FAnterior; }
  TAmbienteSubstituto(const TAmbienteSubstituto&) = delete;
  TAmbienteSubstituto& operator=(const TAmbienteSubstituto&) = delete;

 private:
  TAmbiente* FAnterior;
};

// Unicode-aware lower-casing of UTF-8 text, independent of the process
// locale. Invalid bytes are kept as they are.
std::string Minusculas(const std::string& ATexto);

// Whether a file exists (any kind).
bool ArquivoExiste(const std::string& ACaminho);

}  // namespace borvan
