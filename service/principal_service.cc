#include "service/principal_service.h"

#include <cstdio>
#include <exception>

#include "cloud/lumio/lumio.h"
#include "cloud/quenda/quenda.h"
#include "platform/ambiente.h"
#include "support/erros.h"
#include "support/json.h"
#include "support/utilidades.h"
#include "sync/sincronizar_cliente.h"
#include "sync/sincronizar_condicao_pagamento.h"
#include "sync/sincronizar_forma_pagamento.h"
#include "sync/sincronizar_ncm_ibpt.h"
#include "sync/sincronizar_opcao.h"
#include "sync/sincronizar_operacao_fiscal.h"
#include "sync/sincronizar_produto.h"
#include "sync/sincronizar_produto_unidade_comercial.h"
#include "sync/sincronizar_receber.h"
#include "sync/sincronizar_representante.h"
#include "sync/sincronizar_situacao_tributaria.h"
#include "sync/sincronizar_situacao_tributaria_pis_cofins.h"
#include "sync/sincronizar_venda.h"

namespace borvan {
namespace {

const char* const SQL_EMPRESAS_QUENDA =
    "select EMPRESA,       GRUPO_ID,       EMPRESA_ID  from QUENDA";
const char* const SQL_EMPRESAS_LUMIO = "select EMPRESA,       EMPRESA_ID  from LUMIO";

const char* const MENSAGEM_HOST =
    "Este serviço só pode ser instalado na mesma máquina do servidor de banco de dados - host: ";

std::string DataCurta(const TData& AData) {
  char texto[16];
  std::snprintf(texto, sizeof(texto), "%02d/%02d/%04d", AData.Dia, AData.Mes, AData.Ano);
  return texto;
}

// Closes the connection when the scope ends, whatever happened.
class TFecharConexao {
 public:
  explicit TFecharConexao(TConexao& AConexao) : FConexao(AConexao) {}
  ~TFecharConexao() { FConexao.Fechar(); }
  TFecharConexao(const TFecharConexao&) = delete;
  TFecharConexao& operator=(const TFecharConexao&) = delete;

 private:
  TConexao& FConexao;
};

}  // namespace

TBorvanSistemas::TBorvanSistemas()
    : FConexaoBorvan(std::make_unique<TConexao>(
          TAmbiente::Atual().DiretorioExecutavel() + "/ConnectionDefs.ini", "Borvan", "sysdba",
          "quillfern")) {
  PassosQuenda = {
      Passo<TSincronizarProduto>(),
      Passo<TSincronizarCliente>(),
      Passo<TSincronizarReceber>(),
      Passo<TSincronizarCondicaoPagamento>(),
      Passo<TSincronizarFormaPagamento>(),
      Passo<TSincronizarOperacaoFiscal>(),
      Passo<TSincronizarVenda>(),
  };
  PassosLumio = {
      Passo<TSincronizarCliente>(),
      Passo<TSincronizarSituacaoTributaria>(),
      Passo<TSincronizarSituacaoTributariaPis>(),
      Passo<TSincronizarSituacaoTributariaCofins>(),
      Passo<TSincronizarOperacaoFiscal>(),
      Passo<TSincronizarFormaPagamento>(),
      Passo<TSincronizarCondicaoPagamento>(),
      Passo<TSincronizarRepresentante>(),
      Passo<TSincronizarNcmIbpt>(),
      Passo<TSincronizarProduto>(),
      Passo<TSincronizarProdutoUnidadeComercial>(),
      Passo<TSincronizarOpcao>(),
  };
  CriarObjetos();
}

TBorvanSistemas::~TBorvanSistemas() { LiberarObjetos(); }

void TBorvanSistemas::CriarObjetos() {
  FLog = std::make_unique<TLog>();
  FEmpresasQuenda.clear();
  FEmpresasLumio.clear();
  try {
    FVersao = TVersaoAplicativo::Execute();
  } catch (const std::exception& erro) {
    // The service still runs, with an empty version.
    FVersao.clear();
    TAmbiente::Atual().RegistrarEventoSistema("BorvanService", erro.what());
  }
}

void TBorvanSistemas::LiberarObjetos() {
  FEmpresasQuenda.clear();
  FEmpresasLumio.clear();
  FLog.reset();
}

std::unique_ptr<TQuery> TBorvanSistemas::CriarQuery() {
  return std::make_unique<TQuery>(*FConexaoBorvan);
}

TData TBorvanSistemas::Hoje() const { return DataDe(TAmbiente::Atual().Agora()); }

// ---- start --------------------------------------------------------------

void TBorvanSistemas::IniciarServico() {
  FData = Hoje();
  FLog->Info("DATA: " + DataCurta(FData) + " " + std::string(80, '-'));
  FLog->Info("Versão: " + FVersao);
  VerificarServidorBancoDados(true);
  CarregarEmpresasQuenda();
  CarregarEmpresasLumio();
  FLog->Info("Serviço iniciado.");
}

// ---- cycle --------------------------------------------------------------

void TBorvanSistemas::ExecutarCiclo() {
  FTimer1Ativo = false;
  struct TRearmar {
    TBorvanSistemas& Servico;
    ~TRearmar() {
      Servico.FTimer1Ativo = true;
      Servico.FConexaoBorvan->Fechar();
    }
  } rearmar{*this};

  if (Hoje() != FData) {
    RotacionarLog(*FLog);
    LiberarObjetos();
    CriarObjetos();
    IniciarServico();
  } else {
    VerificarServidorBancoDados(false);
  }
  SincronizarQuenda();
  SincronizarLumio();
}

void TBorvanSistemas::SincronizarQuenda() {
  if (FEmpresasQuenda.empty()) {
    CarregarEmpresasQuenda();
    if (FEmpresasQuenda.empty()) return;
  }
  NotificarServidorCloudQuenda();
  ExecutarPassos(FEmpresasQuenda, PassosQuenda, true);
}

void TBorvanSistemas::SincronizarLumio() {
  if (FEmpresasLumio.empty()) {
    CarregarEmpresasLumio();
    if (FEmpresasLumio.empty()) return;
  }
  FLog->Info("NotificarServidorCloudLumio");
  NotificarServidorCloudLumio();
  ExecutarPassos(FEmpresasLumio, PassosLumio, false);
}

void TBorvanSistemas::ExecutarPassos(const TListaEmpresas& AEmpresas,
                                     const std::vector<TFabricaSincronizador>& APassos,
                                     bool AQuenda) {
  // The first error ends the pass for this tick; the other pass still runs.
  try {
    for (const auto& empresa : AEmpresas) {
      for (const auto& passo : APassos) {
        auto sincronizador = passo(*FConexaoBorvan, *empresa, *FLog);
        if (AQuenda) {
          sincronizador->Execute();
        } else {
          sincronizador->ExecutePedidoVenda();
        }
      }
    }
  } catch (const std::exception& erro) {
    FLog->Error(erro.what());
  }
}

// ---- company registry ---------------------------------------------------

void TBorvanSistemas::CarregarEmpresasQuenda() {
  FLog->Info("Buscando empresas locais Quenda...");
  // Every row is read before the list takes any: a load that fails half-way
  // leaves the list empty, so the next cycle loads it again.
  TListaEmpresas carregadas;
  {
    TFecharConexao fechar(*FConexaoBorvan);
    auto query = CriarQuery();
    query->SetSql(SQL_EMPRESAS_QUENDA);
    query->Abrir();
    int empresa = query->Indice("EMPRESA");
    int grupo = query->Indice("GRUPO_ID");
    int id = query->Indice("EMPRESA_ID");
    while (!query->Eof()) {
      auto nova = std::make_unique<TEmpresa>();
      nova->Id = query->Texto(id);
      nova->GrupoId = query->Texto(grupo);
      nova->LocalId = query->Inteiro(empresa);
      carregadas.push_back(std::move(nova));
      query->Proximo();
    }
  }
  for (auto& empresa : carregadas) FEmpresasQuenda.push_back(std::move(empresa));
  FLog->Info("Empresas encontradas: " + std::to_string(FEmpresasQuenda.size()));
  NotificarServidorCloudQuenda();
}

void TBorvanSistemas::CarregarEmpresasLumio() {
  FLog->Info("Buscando empresas locais Lumio...");
  TListaEmpresas carregadas;
  {
    TFecharConexao fechar(*FConexaoBorvan);
    auto query = CriarQuery();
    query->SetSql(SQL_EMPRESAS_LUMIO);
    query->Abrir();
    int empresa = query->Indice("EMPRESA");
    int id = query->Indice("EMPRESA_ID");
    while (!query->Eof()) {
      auto nova = std::make_unique<TEmpresa>();
      nova->Id = query->Texto(id);
      nova->LocalId = query->Inteiro(empresa);
      carregadas.push_back(std::move(nova));
      query->Proximo();
    }
  }
  for (auto& empresa : carregadas) {
    FEmpresasLumio.push_back(std::move(empresa));
    FLog->Info("Empresa adicionada: " + FEmpresasLumio.back()->Id);
  }
  FLog->Info("Empresas encontradas: " + std::to_string(FEmpresasLumio.size()));
  NotificarServidorCloudLumio();
}

// ---- host check ---------------------------------------------------------

std::string TBorvanSistemas::ObterNomeComputador() const {
  return TAmbiente::Atual().NomeComputador();
}

std::string TBorvanSistemas::ObterIPLocal() const { return TAmbiente::Atual().IPLocal(); }

void TBorvanSistemas::VerificarServidorBancoDados(bool AExibirLog) {
  if (AExibirLog) FLog->Info("Verificando se o serviço está no servidor de banco de dados...");
  try {
    FConexaoBorvan->Abrir();
    std::string servidor = Minusculas(FConexaoBorvan->Servidor());
    FConexaoBorvan->Fechar();
    // An empty host designates no machine, even one without an address.
    bool local = !servidor.empty() &&
                 (servidor == "127.0.0.1" || servidor == "localhost" ||
                  servidor == ObterIPLocal() || servidor == Minusculas(ObterNomeComputador()));
    if (!local) throw EBorvanErro(MENSAGEM_HOST + servidor);
  } catch (const std::exception& erro) {
    FConexaoBorvan->Fechar();
    FLog->Error(erro.what());
    throw EAbortSilencioso();
  }
  if (AExibirLog) FLog->Info("Verificação do serviço concluída.");
}

// ---- cloud notification -------------------------------------------------

namespace {

template <class TServico>
void Notificar(TListaEmpresas& AEmpresas, TData& ADataUltima, const TData& AHoje,
               const std::string& ANuvem, const std::string& AHost, const std::string& AVersao,
               TLog& ALog) {
  if (AEmpresas.empty()) return;
  if (ADataUltima == AHoje) return;
  TServico servico(TOKEN_BORVAN);
  for (const auto& empresa : AEmpresas) {
    ALog.Info("Notificando o servidor " + ANuvem + " na nuvem... Empresa: " + empresa->Id);
    TJsonEscritor json(TEscapeJson::Send);
    json.IniciarObjeto();
    json.Texto("empresaId", empresa->Id);
    json.Texto("host", AHost);
    json.Texto("versao", AVersao);
    json.FinalizarObjeto();
    try {
      servico.Send(json);
      ADataUltima = AHoje;
      ALog.Info("Notificação do servidor " + ANuvem + " na nuvem concluída... Empresa: " +
                empresa->Id);
    } catch (const std::exception& erro) {
      ALog.Error("Erro ao tentar notificar o servidor " + ANuvem + " na nuvem: " + erro.what());
    }
  }
}

}  // namespace

void TBorvanSistemas::NotificarServidorCloudQuenda() {
  if (FEmpresasQuenda.empty() || FDataUltimaNotificacaoServidorCloudQuenda == Hoje()) return;
  Notificar<TQuendaServiceService>(FEmpresasQuenda, FDataUltimaNotificacaoServidorCloudQuenda,
                                   Hoje(), "Quenda", ObterNomeComputador(), FVersao, *FLog);
}

void TBorvanSistemas::NotificarServidorCloudLumio() {
  if (FEmpresasLumio.empty() || FDataUltimaNotificacaoServidorCloudLumio == Hoje()) return;
  Notificar<TLumioServiceService>(FEmpresasLumio, FDataUltimaNotificacaoServidorCloudLumio,
                                  Hoje(), "Lumio", ObterNomeComputador(), FVersao, *FLog);
}

}  // namespace borvan
