// The service manager seam: registration of the unit and the state
// notifications. The Linux implementation is systemd (servico_systemd.cc).
#pragma once

#include <string>
#include <vector>

namespace borvan {

struct TConfiguracaoServico {
  std::string Nome;          // "BorvanSistemas"
  std::string NomeExibicao;  // "Borvan Sistemas Ltda"
  std::string Descricao;     // "Envia dados do sistema Borvan para a nuvem."
  std::string Executavel;    // absolute path of the executable
};

class TGerenciadorServico {
 public:
  virtual ~TGerenciadorServico() = default;
  // Registers the service for automatic start after the local database
  // server. Throws EBorvanErro with the reason on failure.
  virtual void Instalar(const TConfiguracaoServico& AConfiguracao) = 0;
  // Removes the registration. Throws EBorvanErro on failure.
  virtual void Desinstalar(const std::string& ANome) = 0;
  // State reports to the manager; no-ops outside it.
  virtual void NotificarPronto() = 0;
  virtual void NotificarParando() = 0;
  virtual void NotificarStatus(const std::string& ATexto) = 0;
};

// systemd: unit files in ADiretorioUnidades, systemctl run as AComando
// (looked up through PATH when it has no "/").
class TGerenciadorSystemd : public TGerenciadorServico {
 public:
  explicit TGerenciadorSystemd(std::string ADiretorioUnidades = "/etc/systemd/system",
                               std::string AComandoSystemctl = "systemctl");
  void Instalar(const TConfiguracaoServico& AConfiguracao) override;
  void Desinstalar(const std::string& ANome) override;
  void NotificarPronto() override;
  void NotificarParando() override;
  void NotificarStatus(const std::string& ATexto) override;

  // The unit text Instalar writes (exposed for tests).
  std::string TextoUnidade(const TConfiguracaoServico& AConfiguracao) const;
  // The unit of the local Firebird server: firebird3.0.service unless
  // another known Firebird unit is installed instead.
  std::string UnidadeFirebird() const;

 private:
  std::string FDiretorioUnidades;
  std::string FComandoSystemctl;
};

// The Firebird server's unit among those installed in ADiretorios (the
// known names in order of preference); firebird3.0.service when none is.
std::string EscolherUnidadeFirebird(const std::vector<std::string>& ADiretorios);

}  // namespace borvan
