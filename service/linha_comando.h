// The command line of the executable: registering or removing the service,
// or running it for the service manager.
#pragma once

#include <ostream>
#include <string>

#include "platform/servico.h"

namespace borvan {

enum class TAcaoLinhaComando {
  Executar,     // a start by the service manager: run in the foreground
  Instalar,     // register the service
  Desinstalar,  // remove the registration
};

struct TLinhaComando {
  TAcaoLinhaComando Acao = TAcaoLinhaComando::Executar;
  // SILENT was given: no report of what was done (errors are still shown).
  bool Silencioso = false;

  bool operator==(const TLinhaComando&) const = default;
};

// Switches are arguments beginning with "/" or "-", letter case ignored:
// INSTALL, UNINSTALL and SILENT. INSTALL wins when both INSTALL and
// UNINSTALL are given. Any other argument is ignored, so a start without
// either switch is a start by the service manager.
TLinhaComando InterpretarLinhaComando(int argc, const char* const* argv);

// The fixed registration settings of the service, with AExecutavel (an
// absolute path) as the program the service manager starts.
TConfiguracaoServico ConfiguracaoServico(const std::string& AExecutavel);

// Installs or removes the service through AGerenciador. Unless silent,
// writes one line to ASaida saying what was done; a failure is always
// written as one line to AErro. Returns the process exit status: 0 on
// success, 1 on failure. Writes no log file.
// REQUIRES: ALinha.Acao is Instalar or Desinstalar.
int ExecutarInstalacao(const TLinhaComando& ALinha, TGerenciadorServico& AGerenciador,
                       const std::string& AExecutavel, std::ostream& ASaida, std::ostream& AErro);

}  // namespace borvan
