// An environment for tests: the real Linux one, with the executable's
// directory, the clock, the machine identity and the event log replaceable.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ambiente.h"

namespace borvan::teste {

class TAmbienteTeste : public TAmbienteWrapper {
 public:
  // Installs itself as TAmbiente::Atual() for its lifetime, with
  // ADiretorio as the executable's directory.
  explicit TAmbienteTeste(std::string ADiretorio)
      : TAmbienteWrapper(TAmbiente::Padrao()), FDiretorio(std::move(ADiretorio)), FSubstituto(*this) {}

  std::string DiretorioExecutavel() override { return FDiretorio; }
  std::string CaminhoExecutavel() override { return FDiretorio + "/BorvanService"; }
  std::string NomeComputador() override {
    return FNomeComputador ? *FNomeComputador : TAmbienteWrapper::NomeComputador();
  }
  std::string IPLocal() override { return FIPLocal ? *FIPLocal : TAmbienteWrapper::IPLocal(); }
  TDataHora Agora() override { return FAgora ? *FAgora : TAmbienteWrapper::Agora(); }
  void RegistrarEventoSistema(const std::string& AIdent, const std::string& AMensagem) override {
    Eventos.emplace_back(AIdent, AMensagem);
  }

  // Fixes the clock (nullopt: the real one).
  void DefinirAgora(std::optional<TDataHora> AAgora) { FAgora = std::move(AAgora); }
  void DefinirNomeComputador(std::string ANome) { FNomeComputador = std::move(ANome); }
  void DefinirIPLocal(std::string AIP) { FIPLocal = std::move(AIP); }

  // What reached the event log: (ident, message).
  std::vector<std::pair<std::string, std::string>> Eventos;

 private:
  std::string FDiretorio;
  std::optional<TDataHora> FAgora;
  std::optional<std::string> FNomeComputador;
  std::optional<std::string> FIPLocal;
  TAmbienteSubstituto FSubstituto;
};

}  // namespace borvan::teste
