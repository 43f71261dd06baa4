// BorvanService: INSTALL/UNINSTALL register the systemd unit; any other
// start runs the service in the foreground until SIGTERM or SIGINT.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "platform/ambiente.h"
#include "platform/parada.h"
#include "platform/servico.h"
#include "service/linha_comando.h"
#include "service/principal_service.h"
#include "support/erros.h"

namespace {

using namespace borvan;

const long INTERVALO_MS = 10000;

// A demo and test aid: BORVAN_CICLOS=N ends the run after N cycles.
long CiclosMaximos() {
  const char* texto = std::getenv("BORVAN_CICLOS");
  if (texto == nullptr || *texto == '\0') return 0;
  char* fim = nullptr;
  long valor = std::strtol(texto, &fim, 10);
  return (*fim == '\0' && valor > 0) ? valor : 0;
}

int ExecutarServico() {
  TAmbiente& ambiente = TAmbiente::Atual();
  // Stop requests wait until the running cycle is over.
  TEsperaParada parada;
  TGerenciadorSystemd gerenciador;

  TBorvanSistemas servico;
  try {
    servico.IniciarServico();
  } catch (const EAbortSilencioso&) {
    // The host check already logged why.
    return 1;
  } catch (const std::exception& erro) {
    ambiente.RegistrarEventoSistema("BorvanSistemas", erro.what());
    return 1;
  }
  gerenciador.NotificarPronto();
  gerenciador.NotificarStatus("Em execução");

  long ciclosMaximos = CiclosMaximos();
  long ciclos = 0;
  while (!parada.Esperar(INTERVALO_MS)) {
    try {
      servico.Timer1Timer();
      gerenciador.NotificarStatus("Último ciclo concluído");
    } catch (const EAbortSilencioso&) {
      gerenciador.NotificarStatus("Servidor de banco de dados não verificado");
    } catch (const std::exception& erro) {
      ambiente.RegistrarEventoSistema("BorvanService", erro.what());
      gerenciador.NotificarStatus(std::string("Erro: ") + erro.what());
    }
    if (ciclosMaximos > 0 && ++ciclos >= ciclosMaximos) break;
  }
  gerenciador.NotificarParando();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  TLinhaComando linha = InterpretarLinhaComando(argc, argv);
  if (linha.Acao == TAcaoLinhaComando::Executar) return ExecutarServico();
  try {
    TGerenciadorSystemd gerenciador;
    return ExecutarInstalacao(linha, gerenciador, TAmbiente::Atual().CaminhoExecutavel(), std::cout,
                              std::cerr);
  } catch (const std::exception& erro) {
    std::cerr << erro.what() << '\n';
    return 1;
  }
}
