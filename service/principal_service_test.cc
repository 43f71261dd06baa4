// The service module: the start sequence, the company registry, the host
// check, the daily notification of the clouds and the cycle, over a
// throw-away database and both stand-in clouds.
#include "service/principal_service.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <ostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ambiente.h"
#include "support/erros.h"
#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

using teste::GravarArquivo;
using teste::LerArquivo;

const std::string TRACOS(80, '-');
const TDataHora HOJE{2024, 3, 15, 10, 0, 0, 0};
const TDataHora AMANHA{2024, 3, 16, 0, 0, 5, 0};
const TDataHora ONTEM{2024, 3, 14, 23, 59, 0, 0};

// One call of a stand-in step: which company, which step, which pass, and
// what the step saw when it ran.
struct TChamada {
  std::string Empresa;
  int Passo = 0;
  char Caminho = 'Q';  // 'Q' Execute, 'L' ExecutePedidoVenda
  int32_t MarcaVista = 0;
  bool TimerAtivo = false;

  // The order of the calls is compared; what a step saw is checked apart.
  bool operator==(const TChamada& AOutra) const {
    return Empresa == AOutra.Empresa && Passo == AOutra.Passo && Caminho == AOutra.Caminho;
  }
};

std::ostream& operator<<(std::ostream& AOut, const TChamada& AChamada) {
  return AOut << AChamada.Caminho << ":" << AChamada.Empresa << ":" << AChamada.Passo;
}

struct TFalha {
  char Caminho;
  std::string Empresa;
  int Passo;
};

// A step that records its call, opens the connection (the cycle must close
// it), moves the customers' mark by one and fails where the test says.
class TPassoTeste : public TSincronizarBase {
 public:
  TPassoTeste(TConexao& AConexao, TEmpresa& AEmpresa, TLog& ALog, int APasso,
              std::vector<TChamada>& AChamadas, const std::optional<TFalha>& AFalha,
              const TBorvanSistemas& AServico)
      : TSincronizarBase(AConexao, AEmpresa, ALog),
        FPasso(APasso),
        FChamadas(AChamadas),
        FFalha(AFalha),
        FServico(AServico) {}

  void Execute() override { Rodar('Q'); }
  void ExecutePedidoVenda() override { Rodar('L'); }

 private:
  void Rodar(char ACaminho) {
    FChamadas.push_back(
        {FEmpresa.Id, FPasso, ACaminho, FEmpresa.MaxCodAtualizacaoCliente, FServico.Timer1Ativo()});
    FConexao.Abrir();
    ++FEmpresa.MaxCodAtualizacaoCliente;
    if (FFalha && FFalha->Caminho == ACaminho && FFalha->Empresa == FEmpresa.Id &&
        FFalha->Passo == FPasso) {
      throw EBorvanErro("falhou " + FEmpresa.Id + " passo " + std::to_string(FPasso));
    }
  }

  int FPasso;
  std::vector<TChamada>& FChamadas;
  const std::optional<TFalha>& FFalha;
  const TBorvanSistemas& FServico;
};

class PrincipalServiceTeste : public teste::TSincronizacaoTeste {
 protected:
  PrincipalServiceTeste() {
    Ambiente.DefinirAgora(HOJE);
    Ambiente.DefinirNomeComputador("SERVIDOR01");
    Ambiente.DefinirIPLocal("10.1.2.3");
    Banco.Executar(
        "create table QUENDA (EMPRESA smallint, GRUPO_ID varchar(20), EMPRESA_ID varchar(40))");
    Banco.Executar("create table LUMIO (EMPRESA smallint, EMPRESA_ID varchar(40))");
  }

  // Built only now: it reads the executable's directory of the environment.
  TBorvanSistemas& Servico() {
    if (!FServico) FServico = std::make_unique<TBorvanSistemas>();
    return *FServico;
  }
  void NovoServico() { FServico = std::make_unique<TBorvanSistemas>(); }

  void Quenda1(int AEmpresa, const std::string& AGrupo, const std::string& AId) {
    Banco.Executar("insert into QUENDA values (" + std::to_string(AEmpresa) + ", '" + AGrupo +
                   "', '" + AId + "')");
  }
  void Lumio1(int AEmpresa, const std::string& AId) {
    Banco.Executar("insert into LUMIO values (" + std::to_string(AEmpresa) + ", '" + AId + "')");
  }

  // Replaces both step lists with stand-in steps.
  void UsarPassosTeste() {
    auto passos = [this](int AQuantidade) {
      std::vector<TFabricaSincronizador> lista;
      for (int passo = 1; passo <= AQuantidade; ++passo) {
        lista.push_back([this, passo](TConexao& AConexao, TEmpresa& AEmpresa, TLog& ALog) {
          return std::make_unique<TPassoTeste>(AConexao, AEmpresa, ALog, passo, Chamadas, Falha,
                                               *FServico);
        });
      }
      return lista;
    };
    Servico().PassosQuenda = passos(7);
    Servico().PassosLumio = passos(12);
  }

  // Every step of AEmpresas in ACaminho, company by company.
  static std::vector<TChamada> Completo(char ACaminho, const std::vector<std::string>& AEmpresas,
                                        int APassos) {
    std::vector<TChamada> chamadas;
    for (const auto& empresa : AEmpresas) {
      for (int passo = 1; passo <= APassos; ++passo) chamadas.push_back({empresa, passo, ACaminho});
    }
    return chamadas;
  }

  // Log lines written since the last call (or since the start).
  std::vector<std::string> LinhasNovas() {
    auto linhas = ArquivoExiste(Log.GetFullFileName()) ? LinhasLog() : std::vector<std::string>{};
    std::vector<std::string> novas(linhas.begin() + std::min(FLidas, linhas.size()), linhas.end());
    FLidas = linhas.size();
    return novas;
  }

  void ApagarLog() {
    std::remove(Log.GetFullFileName().c_str());
    FLidas = 0;
  }

  static std::vector<std::string> Corpos(const teste::TNuvemTeste& ANuvem,
                                         const std::string& ARecurso) {
    std::vector<std::string> corpos;
    for (const auto& requisicao : ANuvem.Requisicoes()) {
      if (requisicao.Metodo == "POST" && requisicao.Recurso == ARecurso) {
        corpos.push_back(requisicao.Corpo);
      }
    }
    return corpos;
  }

  static std::vector<std::string> Recursos(const teste::TNuvemTeste& ANuvem,
                                           const std::string& AMetodo) {
    std::vector<std::string> recursos;
    for (const auto& requisicao : Filtrar(ANuvem, AMetodo)) recursos.push_back(requisicao.Recurso);
    return recursos;
  }

  static std::string Notificacao(const std::string& AId, const std::string& AHost) {
    return "{\"empresaId\":\"" + AId + "\",\"host\":\"" + AHost + "\",\"versao\":\"1.0.4.0\"}";
  }

  std::string ArquivoDefinicoes() const { return Diretorio.Arquivo("ConnectionDefs.ini"); }

  std::vector<TChamada> Chamadas;
  std::optional<TFalha> Falha;

 private:
  std::unique_ptr<TBorvanSistemas> FServico;
  size_t FLidas = 0;
};

// ---- start sequence -------------------------------------------------------

TEST_F(PrincipalServiceTeste, StartWritesItsLinesInOrderAndNotifiesEveryCompanyOfBothClouds) {
  // A digits-only id, also read from an integer column, still goes out as a
  // JSON string; the host keeps its own case and the Send escapes.
  Banco.Executar("recreate table LUMIO (EMPRESA smallint, EMPRESA_ID integer)");
  Quenda1(1, "g-1", "q-1");
  Quenda1(2, "g-2", "12345");
  Banco.Executar("insert into LUMIO values (4, 77)");
  Ambiente.DefinirNomeComputador("Caixa€01");

  Servico().IniciarServico();

  std::vector<std::string> esperadas = {
      "INFO: DATA: 15/03/2024 " + TRACOS,
      "INFO: Versão: 1.0.4.0",
      "INFO: Verificando se o serviço está no servidor de banco de dados...",
      "INFO: Verificação do serviço concluída.",
      "INFO: Buscando empresas locais Quenda...",
      "INFO: Empresas encontradas: 2",
      "INFO: Notificando o servidor Quenda na nuvem... Empresa: q-1",
      "INFO: Notificação do servidor Quenda na nuvem concluída... Empresa: q-1",
      "INFO: Notificando o servidor Quenda na nuvem... Empresa: 12345",
      "INFO: Notificação do servidor Quenda na nuvem concluída... Empresa: 12345",
      "INFO: Buscando empresas locais Lumio...",
      "INFO: Empresa adicionada: 77",
      "INFO: Empresas encontradas: 1",
      "INFO: Notificando o servidor Lumio na nuvem... Empresa: 77",
      "INFO: Notificação do servidor Lumio na nuvem concluída... Empresa: 77",
      "INFO: Serviço iniciado.",
  };
  EXPECT_EQ(LinhasLog(), esperadas);
  EXPECT_EQ(Corpos(Quenda, "services"),
            (std::vector<std::string>{Notificacao("q-1", "Caixa\\u20AC01"),
                                      Notificacao("12345", "Caixa\\u20AC01")}));
  EXPECT_EQ(Corpos(Lumio, "services"),
            (std::vector<std::string>{Notificacao("77", "Caixa\\u20AC01")}));
  // Nothing but the notifications: no step runs during the start.
  EXPECT_EQ(Quenda.Requisicoes().size(), 2u);
  EXPECT_EQ(Lumio.Requisicoes().size(), 1u);
  EXPECT_FALSE(Servico().ConexaoBorvan().Aberta());
  EXPECT_FALSE(Servico().Timer1Ativo());
}

TEST_F(PrincipalServiceTeste, ModuleCreationTouchesNoFile) {
  Servico();
  EXPECT_EQ(Servico().Versao(), "1.0.4.0");
  EXPECT_FALSE(ArquivoExiste(Log.GetFullFileName()));
  EXPECT_TRUE(Quenda.Requisicoes().empty());
  EXPECT_TRUE(Servico().EmpresasQuenda().empty());
  EXPECT_TRUE(Servico().EmpresasLumio().empty());
}

// ---- company registry -----------------------------------------------------

TEST_F(PrincipalServiceTeste, LoadersKeepTheTableOrderDuplicatesAndNulls) {
  Quenda1(3, "g-3", "c");
  Banco.Executar("insert into QUENDA values (1, null, null)");
  Quenda1(3, "g-3", "c");
  Quenda1(2, "g-2", "a");
  Lumio1(2, "a");
  Banco.Executar("insert into LUMIO values (5, null)");

  Servico().IniciarServico();

  struct TEsperada {
    std::string Id, GrupoId;
    int32_t LocalId;
  };
  auto conferir = [](const TListaEmpresas& ALista, const std::vector<TEsperada>& AEsperadas) {
    ASSERT_EQ(ALista.size(), AEsperadas.size());
    for (size_t i = 0; i < ALista.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(ALista[i]->Id, AEsperadas[i].Id);
      EXPECT_EQ(ALista[i]->GrupoId, AEsperadas[i].GrupoId);
      EXPECT_EQ(ALista[i]->LocalId, AEsperadas[i].LocalId);
    }
  };
  conferir(Servico().EmpresasQuenda(), {{"c", "g-3", 3}, {"", "", 1}, {"c", "g-3", 3}, {"a", "g-2", 2}});
  // The Lumio company 2 is enrolled in Quenda too: no group id here.
  conferir(Servico().EmpresasLumio(), {{"a", "", 2}, {"", "", 5}});
  EXPECT_NE(Servico().EmpresasQuenda()[0].get(), Servico().EmpresasQuenda()[2].get());

  auto linhas = LinhasLog();
  auto contem = [&linhas](const std::string& ALinha) {
    return std::count(linhas.begin(), linhas.end(), ALinha);
  };
  EXPECT_EQ(contem("INFO: Empresas encontradas: 4"), 1);
  EXPECT_EQ(contem("INFO: Empresas encontradas: 2"), 1);
  EXPECT_EQ(contem("INFO: Empresa adicionada: a"), 1);
  EXPECT_EQ(contem("INFO: Empresa adicionada: "), 1);
  // The company without an id is still notified, duplicates too.
  EXPECT_EQ(Corpos(Quenda, "services"),
            (std::vector<std::string>{Notificacao("c", "SERVIDOR01"), Notificacao("", "SERVIDOR01"),
                                      Notificacao("c", "SERVIDOR01"), Notificacao("a", "SERVIDOR01")}));
  EXPECT_EQ(Corpos(Lumio, "services"),
            (std::vector<std::string>{Notificacao("a", "SERVIDOR01"), Notificacao("", "SERVIDOR01")}));
}

TEST_F(PrincipalServiceTeste, CompanyInBothCloudsHasTwoIndependentObjects) {
  Quenda1(1, "g-1", "x");
  Lumio1(1, "x");
  Servico().IniciarServico();
  UsarPassosTeste();

  Servico().Timer1Timer();

  // Each stand-in step moves the customers' mark by one.
  EXPECT_EQ(Servico().EmpresasQuenda()[0]->MaxCodAtualizacaoCliente, 7);
  EXPECT_EQ(Servico().EmpresasLumio()[0]->MaxCodAtualizacaoCliente, 12);
}

TEST_F(PrincipalServiceTeste, EmptyTableIsLoadedAgainAtEveryTickAndItsPassSkipped) {
  Quenda1(1, "g-1", "q-1");
  Servico().IniciarServico();
  UsarPassosTeste();
  LinhasNovas();

  for (int tick = 0; tick < 2; ++tick) {
    SCOPED_TRACE(tick);
    Chamadas.clear();
    Servico().Timer1Timer();
    EXPECT_EQ(LinhasNovas(), (std::vector<std::string>{"INFO: Buscando empresas locais Lumio...",
                                                        "INFO: Empresas encontradas: 0"}));
    EXPECT_EQ(Chamadas, Completo('Q', {"q-1"}, 7));
  }
  EXPECT_TRUE(Lumio.Requisicoes().empty());

  // A row that appears during the day is taken by the next tick.
  Lumio1(2, "l-2");
  Servico().Timer1Timer();
  EXPECT_EQ(Servico().EmpresasLumio().size(), 1u);
  EXPECT_EQ(Corpos(Lumio, "services"), (std::vector<std::string>{Notificacao("l-2", "SERVIDOR01")}));
}

TEST_F(PrincipalServiceTeste, LoadFailingOnALaterRowKeepsNoCompanyAndTheNextTickLoadsAgain) {
  // An EMPRESA beyond 32 bits in the third row makes the integer read fail.
  struct TCaso {
    const char* Tabela;
    const char* Ddl;
    const char* Linhas;
    const char* Correcao;
  };
  const TCaso casos[] = {
      {"QUENDA",
       "recreate table QUENDA (EMPRESA bigint, GRUPO_ID varchar(20), EMPRESA_ID varchar(40))",
       "execute block as begin insert into QUENDA values (1, 'g', 'q-1');"
       " insert into QUENDA values (2, 'g', 'q-2'); insert into QUENDA values (5000000000, 'g', 'q-3');"
       " end",
       "update QUENDA set EMPRESA = 3 where EMPRESA_ID = 'q-3'"},
      {"LUMIO", "recreate table LUMIO (EMPRESA bigint, EMPRESA_ID varchar(40))",
       "execute block as begin insert into LUMIO values (1, 'l-1'); insert into LUMIO values (2, 'l-2');"
       " insert into LUMIO values (5000000000, 'l-3'); end",
       "update LUMIO set EMPRESA = 3 where EMPRESA_ID = 'l-3'"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Tabela);
    Banco.Executar(
        "recreate table QUENDA (EMPRESA smallint, GRUPO_ID varchar(20), EMPRESA_ID varchar(40))");
    Banco.Executar("recreate table LUMIO (EMPRESA smallint, EMPRESA_ID varchar(40))");
    Banco.Executar(caso.Ddl);
    Banco.Executar(caso.Linhas);
    NovoServico();
    ApagarLog();
    Quenda.Limpar();
    Lumio.Limpar();

    try {
      Servico().IniciarServico();
      ADD_FAILURE() << "the start did not fail";
    } catch (const EAbortSilencioso&) {
      ADD_FAILURE() << "a failed load is no silent abort";
    } catch (const EBorvanErro&) {
    }
    EXPECT_TRUE(Servico().EmpresasQuenda().empty());
    EXPECT_TRUE(Servico().EmpresasLumio().empty());
    EXPECT_FALSE(Servico().ConexaoBorvan().Aberta());
    auto linhas = LinhasLog();
    ASSERT_FALSE(linhas.empty());
    EXPECT_EQ(linhas.back(), "INFO: Buscando empresas locais " +
                                 std::string(caso.Tabela[0] == 'Q' ? "Quenda" : "Lumio") + "...");
    EXPECT_TRUE(Quenda.Requisicoes().empty());
    EXPECT_TRUE(Lumio.Requisicoes().empty());

    Banco.Executar(caso.Correcao);
    UsarPassosTeste();
    Servico().Timer1Timer();
    const auto& lista =
        caso.Tabela[0] == 'Q' ? Servico().EmpresasQuenda() : Servico().EmpresasLumio();
    ASSERT_EQ(lista.size(), 3u);
    EXPECT_EQ(lista[2]->LocalId, 3);
  }
}

TEST_F(PrincipalServiceTeste, MissingCompanyTableFailsTheStart) {
  for (const char* tabela : {"QUENDA", "LUMIO"}) {
    SCOPED_TRACE(tabela);
    Banco.Executar(
        "recreate table QUENDA (EMPRESA smallint, GRUPO_ID varchar(20), EMPRESA_ID varchar(40))");
    Banco.Executar("recreate table LUMIO (EMPRESA smallint, EMPRESA_ID varchar(40))");
    Banco.Executar(std::string("drop table ") + tabela);
    NovoServico();
    ApagarLog();
    try {
      Servico().IniciarServico();
      ADD_FAILURE() << "the start did not fail";
    } catch (const EAbortSilencioso&) {
      ADD_FAILURE() << "a failed load is no silent abort";
    } catch (const EBancoDados& erro) {
      EXPECT_NE(std::string(erro.what()).find(tabela), std::string::npos) << erro.what();
    }
    auto linhas = LinhasLog();
    EXPECT_EQ(std::count(linhas.begin(), linhas.end(), "INFO: Serviço iniciado."), 0);
    // The loader itself writes no line about the failure.
    for (const auto& linha : linhas) EXPECT_NE(linha.rfind("ERROR", 0), 0u) << linha;
    EXPECT_FALSE(Servico().ConexaoBorvan().Aberta());
  }
}

// ---- host check -----------------------------------------------------------

TEST_F(PrincipalServiceTeste, HostCheckAcceptsOnlyTheLocalMachine) {
  // The server text is also where the connection goes, so the texts that
  // must reach the comparison are ones that reach the test database:
  // "localhost/3050" is localhost on the default port, "127.1" is 127.0.0.1.
  struct TCaso {
    std::string Servidor;
    std::string Nome;
    std::string IP;
    bool Passa;
    // The message of a mismatch; empty: the connection itself fails.
    std::string Host;
  };
  const TCaso casos[] = {
      {"localhost", "SERVIDOR01", "10.1.2.3", true, ""},
      {"LOCALHOST", "SERVIDOR01", "10.1.2.3", true, ""},
      {"LocalHost", "SERVIDOR01", "10.1.2.3", true, ""},
      {"127.0.0.1", "SERVIDOR01", "10.1.2.3", true, ""},
      {"", "SERVIDOR01", "", false, ""},
      {"localhost/3050", "SERVIDOR01", "10.1.2.3", false, "localhost/3050"},
      {"LocalHost/3050", "SERVIDOR01", "10.1.2.3", false, "localhost/3050"},
      // The machine name, in its own case, against the lower-cased text.
      {"LocalHost/3050", "LOCALHOST/3050", "10.1.2.3", true, ""},
      {"localhost/3050", "LocalHost/3050", "10.1.2.3", true, ""},
      // The first IPv4 address passes; any other address does not.
      {"127.1", "SERVIDOR01", "127.1", true, ""},
      {"127.1", "SERVIDOR01", "10.1.2.3", false, "127.1"},
      {"servidor01.empresa.local", "SERVIDOR01", "10.1.2.3", false, ""},
      {"::1", "SERVIDOR01", "10.1.2.3", false, ""},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE("[" + caso.Servidor + "] " + caso.Nome + " " + caso.IP);
    Banco.GravarDefinicao(ArquivoDefinicoes(), caso.Servidor);
    Ambiente.DefinirNomeComputador(caso.Nome);
    Ambiente.DefinirIPLocal(caso.IP);
    NovoServico();
    ApagarLog();

    bool abortou = false;
    try {
      Servico().IniciarServico();
    } catch (const EAbortSilencioso&) {
      abortou = true;
    }
    EXPECT_EQ(abortou, !caso.Passa);
    EXPECT_FALSE(Servico().ConexaoBorvan().Aberta());
    auto linhas = LinhasLog();
    ASSERT_GE(linhas.size(), 4u);
    EXPECT_EQ(linhas[2], "INFO: Verificando se o serviço está no servidor de banco de dados...");
    if (caso.Passa) {
      EXPECT_EQ(linhas[3], "INFO: Verificação do serviço concluída.");
      EXPECT_EQ(linhas.back(), "INFO: Serviço iniciado.");
      continue;
    }
    // The ERROR line ends the log: nothing is loaded, nothing notified.
    EXPECT_EQ(linhas.size(), 4u);
    const std::string mensagem =
        "ERROR: Este serviço só pode ser instalado na mesma máquina do servidor de banco de dados"
        " - host: ";
    if (!caso.Host.empty()) {
      EXPECT_EQ(linhas[3], mensagem + caso.Host);
    } else {
      EXPECT_EQ(linhas[3].rfind("ERROR: ", 0), 0u) << linhas[3];
      EXPECT_EQ(linhas[3].rfind(mensagem, 0), std::string::npos) << linhas[3];
    }
    EXPECT_TRUE(Servico().EmpresasQuenda().empty());
  }
  EXPECT_TRUE(Quenda.Requisicoes().empty());
  EXPECT_TRUE(Lumio.Requisicoes().empty());
}

TEST_F(PrincipalServiceTeste, DatabaseThatCannotBeOpenedAbortsTheStartWithTheReason) {
  struct TCaso {
    const char* Nome;
    std::string Definicao;  // contents of ConnectionDefs.ini; empty: no file
    std::string Motivo;     // part of the ERROR line
  };
  const TCaso casos[] = {
      {"missing database",
       "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=/tmp/nao-existe-borvan.fdb\n",
       "/tmp/nao-existe-borvan.fdb"},
      {"no definition file", "", "ConnectionDefs.ini"},
      {"no Borvan section", "[Outra]\nDriverID=FB\nServer=localhost\nDatabase=/tmp/x.fdb\n",
       "Borvan"},
  };
  Quenda1(1, "g-1", "q-1");
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    std::remove(ArquivoDefinicoes().c_str());
    if (!caso.Definicao.empty()) GravarArquivo(ArquivoDefinicoes(), caso.Definicao);
    NovoServico();
    ApagarLog();
    EXPECT_THROW(Servico().IniciarServico(), EAbortSilencioso);
    auto linhas = LinhasLog();
    ASSERT_EQ(linhas.size(), 4u);
    EXPECT_EQ(linhas[3].rfind("ERROR: ", 0), 0u) << linhas[3];
    EXPECT_NE(linhas[3].find(caso.Motivo), std::string::npos) << linhas[3];
  }
  EXPECT_TRUE(Quenda.Requisicoes().empty());
}

// ---- notification ---------------------------------------------------------

TEST_F(PrincipalServiceTeste, OneAcceptedNotificationMarksTheDayDone) {
  Quenda1(1, "g-1", "q-1");
  Lumio1(1, "l-1");
  Lumio1(2, "l-2");
  Lumio.RespondaCom([](const std::string& AMetodo, const std::string& ARecurso,
                       const std::string& ACorpo) -> teste::TRespostaNuvem {
    if (AMetodo == "POST" && ARecurso == "services" && ACorpo.find("l-2") != std::string::npos) {
      return {400, "{\"erro\":\"empresa desconhecida\"}"};
    }
    return {200, ""};
  });
  Servico().IniciarServico();
  auto linhas = LinhasLog();
  EXPECT_EQ(std::count(linhas.begin(), linhas.end(),
                       "ERROR: Erro ao tentar notificar o servidor Lumio na nuvem: "
                       "{\"erro\":\"empresa desconhecida\"}"),
            1);
  EXPECT_EQ(linhas.back(), "INFO: Serviço iniciado.");
  EXPECT_EQ(Corpos(Lumio, "services").size(), 2u);

  UsarPassosTeste();
  Lumio.Limpar();
  LinhasNovas();
  Servico().Timer1Timer();
  EXPECT_TRUE(Corpos(Lumio, "services").empty());
  EXPECT_EQ(LinhasNovas(), (std::vector<std::string>{"INFO: NotificarServidorCloudLumio"}));

  // The next day both are told again.
  Ambiente.DefinirAgora(AMANHA);
  Servico().Timer1Timer();
  EXPECT_EQ(Corpos(Lumio, "services").size(), 2u);
}

TEST_F(PrincipalServiceTeste, NotificationsThatAllFailAreRetriedAtEveryTick) {
  Quenda1(1, "g-1", "q-1");
  Quenda1(2, "g-2", "q-2");
  Quenda.Responder("POST", "services", 500, "");
  Servico().IniciarServico();
  UsarPassosTeste();
  const std::vector<std::string> tentativa = {
      "INFO: Notificando o servidor Quenda na nuvem... Empresa: q-1",
      "ERROR: Erro ao tentar notificar o servidor Quenda na nuvem: HTTP/1.1 500 Internal Server Error",
      "INFO: Notificando o servidor Quenda na nuvem... Empresa: q-2",
      "ERROR: Erro ao tentar notificar o servidor Quenda na nuvem: HTTP/1.1 500 Internal Server Error",
  };
  auto linhas = LinhasNovas();
  EXPECT_NE(std::search(linhas.begin(), linhas.end(), tentativa.begin(), tentativa.end()),
            linhas.end());
  // A failed notification does not stop the start.
  EXPECT_EQ(linhas.back(), "INFO: Serviço iniciado.");

  for (int tick = 0; tick < 2; ++tick) {
    SCOPED_TRACE(tick);
    Chamadas.clear();
    Servico().Timer1Timer();
    auto novas = LinhasNovas();
    ASSERT_GE(novas.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(novas.begin(), novas.begin() + 4), tentativa);
    EXPECT_EQ(Chamadas.size(), 2u * 7);
  }
  EXPECT_EQ(Corpos(Quenda, "services").size(), 6u);

  Quenda.RestaurarRespostas();
  Servico().Timer1Timer();
  Servico().Timer1Timer();
  EXPECT_EQ(Corpos(Quenda, "services").size(), 8u);
}

TEST_F(PrincipalServiceTeste, EmptyListsNotifyNobody) {
  Servico().IniciarServico();
  UsarPassosTeste();
  Servico().Timer1Timer();
  EXPECT_TRUE(Quenda.Requisicoes().empty());
  EXPECT_TRUE(Lumio.Requisicoes().empty());
  for (const auto& linha : LinhasLog()) {
    EXPECT_EQ(linha.find("Notifica"), std::string::npos) << linha;
  }
  EXPECT_TRUE(Chamadas.empty());
}

// ---- cycle ----------------------------------------------------------------

TEST_F(PrincipalServiceTeste, FirstErrorEndsOnlyItsPassAndIsLoggedBare) {
  Quenda1(1, "g", "q-1");
  Quenda1(2, "g", "q-2");
  Quenda1(3, "g", "q-3");
  Lumio1(1, "l-1");
  Lumio1(2, "l-2");
  Servico().IniciarServico();
  UsarPassosTeste();

  struct TCaso {
    TFalha Falha;
    std::vector<TChamada> Esperadas;
  };
  auto juntar = [](std::vector<std::vector<TChamada>> APartes) {
    std::vector<TChamada> todas;
    for (auto& parte : APartes) todas.insert(todas.end(), parte.begin(), parte.end());
    return todas;
  };
  const TCaso casos[] = {
      {{'Q', "q-2", 3},
       juntar({Completo('Q', {"q-1"}, 7), Completo('Q', {"q-2"}, 3),
               Completo('L', {"l-1", "l-2"}, 12)})},
      {{'L', "l-1", 12},
       juntar({Completo('Q', {"q-1", "q-2", "q-3"}, 7), Completo('L', {"l-1"}, 12)})},
      {{'Q', "q-1", 1}, juntar({Completo('Q', {"q-1"}, 1), Completo('L', {"l-1", "l-2"}, 12)})},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Falha.Empresa + " " + std::to_string(caso.Falha.Passo));
    Falha = caso.Falha;
    Chamadas.clear();
    LinhasNovas();
    Servico().Timer1Timer();
    EXPECT_EQ(Chamadas, caso.Esperadas);
    const std::string erro =
        "ERROR: falhou " + caso.Falha.Empresa + " passo " + std::to_string(caso.Falha.Passo);
    const std::string lumio = "INFO: NotificarServidorCloudLumio";
    const auto esperadas = caso.Falha.Caminho == 'Q' ? std::vector<std::string>{erro, lumio}
                                                     : std::vector<std::string>{lumio, erro};
    EXPECT_EQ(LinhasNovas(), esperadas);
    EXPECT_TRUE(Servico().Timer1Ativo());
    EXPECT_FALSE(Servico().ConexaoBorvan().Aberta());
  }
  // The timer is off while the steps run.
  for (const auto& chamada : Chamadas) EXPECT_FALSE(chamada.TimerAtivo);
}

TEST_F(PrincipalServiceTeste, DayChangeArchivesABigLogAndRebuildsEverything) {
  struct TCaso {
    const char* Nome;
    TDataHora Dia;
    size_t TamanhoLog;  // padded to this many bytes before the tick
    bool Arquiva;
  };
  const TCaso casos[] = {
      {"next day, 2 MiB", AMANHA, 2097152, true},
      {"next day, 1 byte short", AMANHA, 2097151, false},
      {"clock moved back a day", ONTEM, 0, false},
  };
  Quenda1(1, "g", "q-1");
  Lumio1(1, "l-1");
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    Ambiente.DefinirAgora(HOJE);
    std::remove(Diretorio.Arquivo("BorvanService.old").c_str());
    NovoServico();
    ApagarLog();
    Servico().IniciarServico();
    UsarPassosTeste();
    Servico().Timer1Timer();
    ASSERT_EQ(Servico().EmpresasQuenda().at(0)->MaxCodAtualizacaoCliente, 7);

    const std::string arquivo = Log.GetFullFileName();
    std::string anterior = LerArquivo(arquivo);
    if (caso.TamanhoLog > anterior.size()) {
      anterior += std::string(caso.TamanhoLog - anterior.size() - 2, 'x') + "\r\n";
      GravarArquivo(arquivo, anterior);
    }
    Quenda.Limpar();
    Lumio.Limpar();
    Chamadas.clear();

    Ambiente.DefinirAgora(caso.Dia);
    Servico().Timer1Timer();

    const std::string data = caso.Dia.Dia == 16 ? "16/03/2024" : "14/03/2024";
    const std::string cabecalho = "INFO: DATA: " + data + " " + TRACOS;
    auto linhas = LinhasLog();
    if (caso.Arquiva) {
      EXPECT_EQ(LerArquivo(Diretorio.Arquivo("BorvanService.old")), anterior);
      ASSERT_FALSE(linhas.empty());
      EXPECT_EQ(linhas.front(), cabecalho);
    } else {
      EXPECT_FALSE(ArquivoExiste(Diretorio.Arquivo("BorvanService.old")));
      EXPECT_EQ(LerArquivo(arquivo).rfind(anterior, 0), 0u);
      EXPECT_EQ(std::count(linhas.begin(), linhas.end(), cabecalho), 1);
    }
    EXPECT_EQ(std::count(linhas.begin(), linhas.end(), "INFO: Serviço iniciado."),
              caso.Arquiva ? 1 : 2);
    // New companies: the steps start from unlearned marks again.
    ASSERT_EQ(Chamadas.size(), 7u + 12u);
    EXPECT_EQ(Chamadas.front().MarcaVista, 0);
    EXPECT_EQ(Chamadas[7].MarcaVista, 0);
    EXPECT_EQ(Corpos(Quenda, "services").size(), 1u);
    EXPECT_EQ(Corpos(Lumio, "services").size(), 1u);
    EXPECT_TRUE(Servico().Timer1Ativo());
    EXPECT_FALSE(Servico().ConexaoBorvan().Aberta());

    // The rest of that day is a normal day.
    Chamadas.clear();
    LinhasNovas();
    Servico().Timer1Timer();
    EXPECT_EQ(Chamadas.front().MarcaVista, 7);
    EXPECT_EQ(Corpos(Quenda, "services").size(), 1u);
  }
}

TEST_F(PrincipalServiceTeste, FailedRotationKeepsTheOldDayAndIsTriedAgain) {
  Quenda1(1, "g", "q-1");
  Servico().IniciarServico();
  UsarPassosTeste();
  Servico().Timer1Timer();
  const std::string arquivo = Log.GetFullFileName();
  GravarArquivo(arquivo, LerArquivo(arquivo) + std::string(2097152, 'x') + "\r\n");
  // An archive that cannot be overwritten.
  const std::string arquivoAntigo = Diretorio.Arquivo("BorvanService.old");
  ASSERT_EQ(mkdir(arquivoAntigo.c_str(), 0700), 0);
  Ambiente.DefinirAgora(AMANHA);
  Chamadas.clear();

  EXPECT_THROW(Servico().Timer1Timer(), EBorvanErro);
  EXPECT_TRUE(Chamadas.empty());
  ASSERT_EQ(Servico().EmpresasQuenda().size(), 1u);
  EXPECT_EQ(Servico().EmpresasQuenda()[0]->MaxCodAtualizacaoCliente, 7);
  EXPECT_TRUE(Servico().Timer1Ativo());

  ASSERT_EQ(rmdir(arquivoAntigo.c_str()), 0);
  Servico().Timer1Timer();
  EXPECT_TRUE(ArquivoExiste(arquivoAntigo));
  ASSERT_FALSE(LinhasLog().empty());
  EXPECT_EQ(LinhasLog().front(), "INFO: DATA: 16/03/2024 " + TRACOS);
  ASSERT_EQ(Chamadas.size(), 7u);
  EXPECT_EQ(Chamadas.front().MarcaVista, 0);
}

TEST_F(PrincipalServiceTeste, SameDayHostCheckFailureSkipsBothPassesAtEveryTick) {
  Quenda1(1, "g", "q-1");
  Lumio1(1, "l-1");
  Servico().IniciarServico();
  UsarPassosTeste();
  GravarArquivo(ArquivoDefinicoes(),
                "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=/tmp/nao-existe-borvan.fdb\n");
  LinhasNovas();

  for (int tick = 0; tick < 2; ++tick) {
    SCOPED_TRACE(tick);
    EXPECT_THROW(Servico().Timer1Timer(), EAbortSilencioso);
    auto novas = LinhasNovas();
    ASSERT_EQ(novas.size(), 1u);
    EXPECT_EQ(novas[0].rfind("ERROR: ", 0), 0u) << novas[0];
    EXPECT_TRUE(Servico().Timer1Ativo());
    EXPECT_FALSE(Servico().ConexaoBorvan().Aberta());
  }
  EXPECT_TRUE(Chamadas.empty());

  // A host that is not this machine, on a connection that works.
  Banco.GravarDefinicao(ArquivoDefinicoes(), "localhost/3050");
  EXPECT_THROW(Servico().Timer1Timer(), EAbortSilencioso);
  EXPECT_EQ(LinhasNovas(), (std::vector<std::string>{
                               "ERROR: Este serviço só pode ser instalado na mesma máquina do "
                               "servidor de banco de dados - host: localhost/3050"}));
  EXPECT_TRUE(Chamadas.empty());

  Banco.GravarDefinicao(ArquivoDefinicoes());
  Servico().Timer1Timer();
  EXPECT_EQ(Chamadas, [] {
    auto todas = Completo('Q', {"q-1"}, 7);
    auto lumio = Completo('L', {"l-1"}, 12);
    todas.insert(todas.end(), lumio.begin(), lumio.end());
    return todas;
  }());
}

TEST_F(PrincipalServiceTeste, HostCheckFailingAtTheDayChangeLeavesEmptyListsThatLaterTicksReload) {
  Quenda1(1, "g", "q-1");
  Lumio1(1, "l-1");
  Servico().IniciarServico();
  UsarPassosTeste();
  Banco.GravarDefinicao(ArquivoDefinicoes(), "localhost/3050");
  Ambiente.DefinirAgora(AMANHA);
  Quenda.Limpar();

  EXPECT_THROW(Servico().Timer1Timer(), EAbortSilencioso);
  EXPECT_TRUE(Servico().EmpresasQuenda().empty());
  EXPECT_TRUE(Chamadas.empty());
  EXPECT_TRUE(Servico().Timer1Ativo());

  // Still the new day: no second "DATA: " line, the lists load in the passes.
  Banco.GravarDefinicao(ArquivoDefinicoes());
  LinhasNovas();
  Servico().Timer1Timer();
  auto novas = LinhasNovas();
  EXPECT_EQ(std::count_if(novas.begin(), novas.end(),
                          [](const std::string& ALinha) { return ALinha.rfind("INFO: DATA: ", 0) == 0; }),
            0);
  EXPECT_EQ(Servico().EmpresasQuenda().size(), 1u);
  EXPECT_EQ(Chamadas.size(), 7u + 12u);
  EXPECT_EQ(Corpos(Quenda, "services").size(), 1u);
}

TEST_F(PrincipalServiceTeste, LoaderFailureInATickEndsTheTick) {
  Lumio1(1, "l-1");
  Servico().IniciarServico();
  UsarPassosTeste();
  Banco.Executar("drop table QUENDA");

  EXPECT_THROW(Servico().Timer1Timer(), EBancoDados);
  // The Lumio pass did not run; the timer and the connection are reset.
  EXPECT_TRUE(Chamadas.empty());
  EXPECT_TRUE(Servico().Timer1Ativo());
  EXPECT_FALSE(Servico().ConexaoBorvan().Aberta());
}

TEST_F(PrincipalServiceTeste, PassesRunTheRealStepsInTheirOrder) {
  // Every entity table, empty. The clouds hold a mark, so each step asks
  // for it and finds nothing newer locally.
  for (const char* tabela :
       {"PRODUTOS", "CLIENTES", "CONTAS_RECEBER", "CONDICOES_PAGTO", "FORMAS_PAGTO",
        "OPERACOES_FISCAIS", "REPRESENTANTES", "SITUACAO_TRIBUTARIA", "SITUACAO_TRIBUTARIA_PIS",
        "SITUACAO_TRIBUTARIA_COFINS", "NCM_IBPT", "PRODUTOS_UNIDADES_COMERCIAIS"}) {
    Banco.Executar(std::string("create table ") + tabela +
                   " (EMPRESA smallint, COD_ATUALIZACAO integer)");
  }
  Banco.Executar(
      "create table NF_SAIDA (EMPRESA smallint, CP_CODIGO integer, STATUS smallint,"
      " COD_ATUALIZACAO integer)");
  Banco.Executar(
      "create table OPCOES (EMPRESA smallint, CLI_COD_CONSUMIDOR integer, VEN_FP_ENTRADA integer,"
      " VEN_FP_DEMAIS integer)");
  Quenda1(1, "g", "q-1");
  Lumio1(1, "l-1");
  Quenda.Responder("GET", "", 200, "5");
  Lumio.Responder("GET", "", 200, "5");
  Servico().IniciarServico();
  Quenda.Limpar();
  Lumio.Limpar();

  Servico().Timer1Timer();

  auto marcas = [](const std::vector<std::string>& AEntidades, const std::string& AId) {
    std::vector<std::string> recursos;
    for (const auto& entidade : AEntidades) {
      recursos.push_back(entidade + "/maxCodAtualizacao/empresa/" + AId);
    }
    return recursos;
  };
  EXPECT_EQ(Recursos(Quenda, "GET"),
            marcas({"produtos", "clientes", "receber", "condicoespagamento", "formaspagamento",
                    "operacaoFiscal", "vendas"},
                   "q-1"));
  auto lumio = marcas({"clientes", "situacoesTributarias", "situacoesTributariasPis",
                       "situacoesTributariasCofins", "operacoesFiscais", "formasPagamentos",
                       "condicoesPagamentos", "representantes", "ncmIbpt", "produtos",
                       "produtosUnidadesComerciais"},
                      "l-1");
  lumio.push_back("opcoes/CodigoMd5/empresa/l-1");
  EXPECT_EQ(Recursos(Lumio, "GET"), lumio);
  auto linhas = LinhasLog();
  for (const auto& linha : linhas) EXPECT_NE(linha.rfind("ERROR", 0), 0u) << linha;
  EXPECT_FALSE(Servico().ConexaoBorvan().Aberta());
}

}  // namespace
}  // namespace borvan
