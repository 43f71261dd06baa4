// The service module: owner of everything that lives longer than one cycle
// (connection, log, the two company lists, the version, the dates) and the
// start sequence, the cycle, the registry loaders, the host check and the
// daily notification of the clouds.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/conexao.h"
#include "service/empresa.h"
#include "support/data_hora.h"
#include "support/log.h"
#include "sync/sincronizar_base.h"

namespace borvan {

// Creates the synchronizer of one step for one company.
using TFabricaSincronizador =
    std::function<std::unique_ptr<TSincronizarBase>(TConexao&, TEmpresa&, TLog&)>;

template <class TSincronizador>
TFabricaSincronizador Passo() {
  return [](TConexao& AConexao, TEmpresa& AEmpresa, TLog& ALog) {
    return std::make_unique<TSincronizador>(AConexao, AEmpresa, ALog);
  };
}

class TBorvanSistemas {
 public:
  // CriarObjetos: log, empty lists, version. No file or database is
  // touched yet.
  TBorvanSistemas();
  ~TBorvanSistemas();
  TBorvanSistemas(const TBorvanSistemas&) = delete;
  TBorvanSistemas& operator=(const TBorvanSistemas&) = delete;

  // The start sequence: "DATA: " and "Versão: " lines, host check, both
  // loaders with their notifications, "Serviço iniciado.". Throws on a
  // failed start (EAbortSilencioso when the host check failed).
  void IniciarServico();
  // One timer tick: ExecutarCiclo. Errors escape to the caller.
  void Timer1Timer() { ExecutarCiclo(); }

  // Step lists of the two passes (the service's own by default).
  std::vector<TFabricaSincronizador> PassosQuenda;
  std::vector<TFabricaSincronizador> PassosLumio;

  // For tests and the loop: state the cycle works on.
  const TListaEmpresas& EmpresasQuenda() const { return FEmpresasQuenda; }
  const TListaEmpresas& EmpresasLumio() const { return FEmpresasLumio; }
  const std::string& Versao() const { return FVersao; }
  TConexao& ConexaoBorvan() { return *FConexaoBorvan; }
  TLog& Log() { return *FLog; }
  // Whether the timer is armed (disarmed while a cycle runs).
  bool Timer1Ativo() const { return FTimer1Ativo; }

 private:
  void CriarObjetos();
  void LiberarObjetos();
  std::unique_ptr<TQuery> CriarQuery();
  TData Hoje() const;

  void ExecutarCiclo();
  void SincronizarQuenda();
  void SincronizarLumio();
  void ExecutarPassos(const TListaEmpresas& AEmpresas,
                      const std::vector<TFabricaSincronizador>& APassos, bool AQuenda);

  void CarregarEmpresasQuenda();
  void CarregarEmpresasLumio();

  void VerificarServidorBancoDados(bool AExibirLog);
  std::string ObterNomeComputador() const;
  std::string ObterIPLocal() const;

  void NotificarServidorCloudQuenda();
  void NotificarServidorCloudLumio();

  TData FData;
  TData FDataUltimaNotificacaoServidorCloudQuenda;
  TData FDataUltimaNotificacaoServidorCloudLumio;
  std::unique_ptr<TLog> FLog;
  TListaEmpresas FEmpresasQuenda;
  TListaEmpresas FEmpresasLumio;
  std::string FVersao;
  std::unique_ptr<TConexao> FConexaoBorvan;
  bool FTimer1Ativo = false;
};

}  // namespace borvan
