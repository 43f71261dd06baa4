// The built executable, run as the service manager runs it: a child process
// started without arguments from a directory of its own that holds
// ConnectionDefs.ini and the developer marker, talking to a throw-away
// database and to a stand-in cloud on the development ports.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "e2e/executavel.h"
#include "tests/banco_teste.h"
#include "tests/diretorio_temporario.h"
#include "tests/nuvem_teste.h"

namespace borvan::teste {
namespace {

using namespace std::chrono_literals;

const std::string KHifens(80, '-');

// The in-process stand-in on a development port, with the same patience.
std::unique_ptr<TNuvemTeste> NuvemTesteNaPorta(int APorta) {
  auto limite = TRelogio::now() + 30s;
  for (;;) {
    try {
      return std::make_unique<TNuvemTeste>(APorta);
    } catch (const std::runtime_error&) {
      if (TRelogio::now() >= limite) throw;
    }
    std::this_thread::sleep_for(500ms);
  }
}

size_t Ocorrencias(const std::string& ATexto, const std::string& AParte) {
  size_t quantidade = 0;
  for (size_t pos = ATexto.find(AParte); pos != std::string::npos; pos = ATexto.find(AParte, pos + 1))
    ++quantidade;
  return quantidade;
}

// Today in the log's short date form.
std::string DataDeHoje() {
  std::time_t agora = std::time(nullptr);
  std::tm local{};
  localtime_r(&agora, &local);
  char texto[16];
  std::strftime(texto, sizeof texto, "%d/%m/%Y", &local);
  return texto;
}

// The machine name as the service reports it.
std::string NomeComputador() {
  char nome[256] = {};
  gethostname(nome, sizeof nome - 1);
  std::string texto = nome;
  return texto.substr(0, std::min(texto.find('.'), size_t{15}));
}

class BorvanServiceExecutavel : public TTesteExecutavel {
 protected:
  // Just what the start sequence reads.
  void CriarTabelasEmpresas() {
    FBanco.Executar("create table QUENDA (EMPRESA smallint not null primary key, GRUPO_ID varchar(40), "
                    "EMPRESA_ID varchar(40))");
    FBanco.Executar("create table LUMIO (EMPRESA smallint not null primary key, EMPRESA_ID varchar(40))");
  }

  // Every table of the back office that the passes read, empty, with the
  // triggers that stamp COD_ATUALIZACAO.
  void CarregarEsquema() { CarregarEsquemaExemplo(FBanco.TextoConexao(), FDiretorio); }

  void InscreverEmpresa(int AEmpresa, const std::string& AQuenda, const std::string& ALumio) {
    if (!AQuenda.empty())
      FBanco.Executar("insert into QUENDA (EMPRESA, GRUPO_ID, EMPRESA_ID) values (" + std::to_string(AEmpresa) +
                      ", 'grupo-e2e', '" + AQuenda + "')");
    if (!ALumio.empty())
      FBanco.Executar("insert into LUMIO (EMPRESA, EMPRESA_ID) values (" + std::to_string(AEmpresa) + ", '" +
                      ALumio + "')");
  }

  void GravarDefinicao(const std::string& AServidor = "localhost") {
    FBanco.GravarDefinicao(FDiretorio.Arquivo("ConnectionDefs.ini"), AServidor);
  }

  bool LogTem(const std::string& ALinha) const {
    auto linhas = LinhasLog();
    return std::find(linhas.begin(), linhas.end(), ALinha) != linhas.end();
  }

  bool AguardarLinha(const std::string& ALinha, TProcessoFilho& AProcesso,
                     std::chrono::milliseconds ATempo = 10s) const {
    return Aguardar([&] { return LogTem(ALinha); }, AProcesso, ATempo);
  }

  // For failure messages: what the service wrote.
  std::string Diagnostico() const {
    return "\n--- BorvanService.log\n" + LerArquivo(FDiretorio.Arquivo("BorvanService.log")) +
           "--- stderr\n" + LerArquivo(FDiretorio.Arquivo("servico.err"));
  }

  TBancoTeste FBanco;
};

TEST_F(BorvanServiceExecutavel, PartidaEscreveSuaSequenciaECadaSinalDeParadaEncerraAEsperaNaHora) {
  CriarTabelasEmpresas();
  InscreverEmpresa(1, "q-1", "l-1");
  InscreverEmpresa(2, "", "l-2");
  GravarDefinicao();
  TNuvemLocalFilho nuvem(FDiretorio);

  const std::vector<std::string> esperadas = {
      "INFO: DATA: " + DataDeHoje() + " " + KHifens,
      "INFO: Versão: 1.0.4.0",
      "INFO: Verificando se o serviço está no servidor de banco de dados...",
      "INFO: Verificação do serviço concluída.",
      "INFO: Buscando empresas locais Quenda...",
      "INFO: Empresas encontradas: 1",
      "INFO: Notificando o servidor Quenda na nuvem... Empresa: q-1",
      "INFO: Notificação do servidor Quenda na nuvem concluída... Empresa: q-1",
      "INFO: Buscando empresas locais Lumio...",
      "INFO: Empresa adicionada: l-1",
      "INFO: Empresa adicionada: l-2",
      "INFO: Empresas encontradas: 2",
      "INFO: Notificando o servidor Lumio na nuvem... Empresa: l-1",
      "INFO: Notificação do servidor Lumio na nuvem concluída... Empresa: l-1",
      "INFO: Notificando o servidor Lumio na nuvem... Empresa: l-2",
      "INFO: Notificação do servidor Lumio na nuvem concluída... Empresa: l-2",
      "INFO: Serviço iniciado.",
  };
  for (int sinal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(strsignal(sinal));
    std::filesystem::remove(FDiretorio.Arquivo("BorvanService.log"));
    auto servico = IniciarServico();
    ASSERT_TRUE(AguardarLinha("INFO: Serviço iniciado.", *servico)) << Diagnostico();
    EXPECT_EQ(LinhasLog(), esperadas) << Diagnostico();

    auto envio = TRelogio::now();
    servico->Sinalizar(sinal);
    auto status = servico->AguardarFim(3s);
    ASSERT_TRUE(status) << "still running 3 s after the stop request" << Diagnostico();
    EXPECT_TRUE(SaiuCom(status, 0)) << DescreverStatus(*status) << Diagnostico();
    EXPECT_LT(TRelogio::now() - envio, 2s);
    // Stopped in the wait: no cycle ran.
    EXPECT_EQ(LinhasLog(), esperadas) << Diagnostico();
  }
  // Each start notified every company once, with this machine and version.
  std::string jsonl;
  for (const auto& linha : nuvem.LinhasJsonl()) jsonl += linha + "\n";
  const std::vector<std::pair<std::string, std::string>> notificadas = {
      {"Quenda", "q-1"}, {"Lumio", "l-1"}, {"Lumio", "l-2"}};
  for (const auto& [nuvemNome, id] : notificadas)
    EXPECT_EQ(Ocorrencias(jsonl, "{\"nuvem\":\"" + nuvemNome +
                                     "\",\"recurso\":\"services\",\"corpo\":{\"empresaId\":\"" + id +
                                     "\",\"host\":\"" + NomeComputador() + "\",\"versao\":\"1.0.4.0\"}"),
              2u)
        << id << "\n" << jsonl;
}

TEST_F(BorvanServiceExecutavel, PedidoDeParadaDuranteOCicloDeixaOCicloTerminar) {
  CarregarEsquema();
  InscreverEmpresa(1, "q-1", "l-1");
  FBanco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME) values (1, 7, 'Cliente Sete')");
  GravarDefinicao();
  auto nuvemQuenda = NuvemTesteNaPorta(8090);
  auto nuvemLumio = NuvemTesteNaPorta(8091);
  TNuvemTeste& quenda = *nuvemQuenda;
  TNuvemTeste& lumio = *nuvemLumio;

  auto servico = IniciarServico();
  ASSERT_TRUE(AguardarLinha("INFO: Serviço iniciado.", *servico)) << Diagnostico();
  ASSERT_EQ(quenda.Requisicoes().size(), 1u);  // the notification
  // The first request of the cycle stalls; the stop request arrives while
  // it waits for its answer.
  quenda.Reter();
  ASSERT_TRUE(quenda.AguardarRequisicoes(2, 15s)) << Diagnostico();
  servico->Sinalizar(SIGTERM);
  std::this_thread::sleep_for(500ms);
  EXPECT_TRUE(servico->Rodando()) << "the stop request broke into the cycle" << Diagnostico();
  quenda.Liberar();

  auto status = servico->AguardarFim(20s);
  ASSERT_TRUE(status) << "still running after the cycle" << Diagnostico();
  EXPECT_TRUE(SaiuCom(status, 0)) << DescreverStatus(*status) << Diagnostico();

  // Both passes ran to their end, once, and nothing failed.
  auto linhas = LinhasLog();
  EXPECT_EQ(std::count(linhas.begin(), linhas.end(), "INFO: NotificarServidorCloudLumio"), 1) << Diagnostico();
  for (const char* linha :
       {"INFO: Atualizando clientes... Empresa: q-1", "INFO: Atualizando Clientes Lumio... Empresa: l-1"})
    EXPECT_TRUE(LogTem(linha)) << linha << Diagnostico();
  for (const auto& linha : linhas) EXPECT_NE(linha.rfind("ERROR", 0), 0u) << linha;
  auto postados = [](const TNuvemTeste& ANuvem, const std::string& ARecurso) {
    int quantidade = 0;
    for (const auto& requisicao : ANuvem.Requisicoes())
      if (requisicao.Metodo == "POST" && requisicao.Recurso == ARecurso &&
          requisicao.Corpo.find("\"clienteId\":7") != std::string::npos)
        ++quantidade;
    return quantidade;
  };
  EXPECT_EQ(postados(quenda, "clientes"), 1);
  EXPECT_EQ(postados(lumio, "clientes"), 1);
}

TEST_F(BorvanServiceExecutavel, PartidaQueFalhaTerminaComErroSemIniciar) {
  CriarTabelasEmpresas();
  InscreverEmpresa(1, "q-1", "l-1");
  const std::string inexistente = "/tmp/borvan-e2e-" + std::to_string(getpid()) + "-inexistente.fdb";
  const std::string arquivoIni = FDiretorio.Arquivo("ConnectionDefs.ini");
  struct TCaso {
    const char* Nome;
    std::string Ini;  // empty: no ConnectionDefs.ini at all
    std::string TextoDoErro;
  };
  const std::vector<TCaso> casos = {
      {"banco que não abre",
       "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=" + inexistente + "\nCharacterSet=UTF8\n", inexistente},
      {"sem ConnectionDefs.ini", "", arquivoIni},
      // It connects (host/port form), but the host text is not this machine's.
      {"servidor com porta",
       "[Borvan]\nDriverID=FB\nServer=LocalHost/3050\nDatabase=" + FBanco.Caminho() + "\nCharacterSet=UTF8\n",
       "Este serviço só pode ser instalado na mesma máquina do servidor de banco de dados - host: "
       "localhost/3050"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    std::filesystem::remove(FDiretorio.Arquivo("BorvanService.log"));
    std::filesystem::remove(arquivoIni);
    if (!caso.Ini.empty()) GravarArquivo(arquivoIni, caso.Ini);

    auto servico = IniciarServico();
    auto status = servico->AguardarFim(15s);
    ASSERT_TRUE(status) << "a failed start must end the process" << Diagnostico();
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) != 0) << DescreverStatus(*status) << Diagnostico();

    auto linhas = LinhasLog();
    ASSERT_EQ(linhas.size(), 4u) << Diagnostico();
    EXPECT_EQ(linhas[0], "INFO: DATA: " + DataDeHoje() + " " + KHifens);
    EXPECT_EQ(linhas[1], "INFO: Versão: 1.0.4.0");
    EXPECT_EQ(linhas[2], "INFO: Verificando se o serviço está no servidor de banco de dados...");
    EXPECT_EQ(linhas[3].rfind("ERROR: ", 0), 0u) << linhas[3];
    EXPECT_NE(linhas[3].find(caso.TextoDoErro), std::string::npos) << linhas[3];
    VerificarSemRelatoDeSanitizador();
  }
}

// INSTALL and UNINSTALL write and remove the unit under /etc/systemd/system:
// run in a mount namespace of their own where that directory is a bind of
// an empty temporary one, with a stand-in systemctl first on PATH, so the
// machine's own units are never touched.
TEST_F(BorvanServiceExecutavel, InstalarEDesinstalarComUmSystemctlSubstituto) {
  if (geteuid() != 0 || std::system("unshare -m --propagation private true 2>/dev/null") != 0)
    GTEST_SKIP() << "needs root and mount namespaces";
  const std::string unidades = FDiretorio.Arquivo("unidades");
  const std::string bin = FDiretorio.Arquivo("bin");
  std::filesystem::create_directory(unidades);
  std::filesystem::create_directory(bin);
  GravarArquivo(unidades + "/.isolado", "");
  GravarArquivo(bin + "/systemctl",
                "#!/bin/sh\necho \"$*\" >> \"$(dirname \"$0\")/chamadas\"\n"
                "exit $(cat \"$(dirname \"$0\")/status\" 2>/dev/null || echo 0)\n");
  std::filesystem::permissions(bin + "/systemctl", std::filesystem::perms::owner_all);
  const std::string executavel = FDiretorio.Arquivo("BorvanService");
  const std::string unidade = unidades + "/BorvanSistemas.service";

  struct TCaso {
    std::vector<std::string> Argumentos;
    int StatusSystemctl;
    bool Sucesso;
    bool Relato;  // one line on stdout
    std::optional<bool> UnidadeDepois;  // empty: either way
    std::string Chamadas;
  };
  // In order: each case starts from what the one before left.
  const std::vector<TCaso> casos = {
      {{"/install"}, 0, true, true, true, "daemon-reload\nenable BorvanSistemas.service\n"},
      {{"-UNINSTALL", "/silent"}, 0, true, false, false, "disable BorvanSistemas.service\ndaemon-reload\n"},
      {{"-Install", "-SILENT"}, 1, false, false, std::nullopt, "daemon-reload\n"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Argumentos[0] + " with systemctl exiting " + std::to_string(caso.StatusSystemctl));
    GravarArquivo(bin + "/status", std::to_string(caso.StatusSystemctl) + "\n");
    std::filesystem::remove(bin + "/chamadas");
    std::vector<std::string> argumentos = {
        "unshare", "-m", "--propagation", "private", "sh", "-c",
        "mount --bind \"$1\" /etc/systemd/system && test -e /etc/systemd/system/.isolado && shift && exec \"$@\"",
        "sh", unidades, executavel};
    argumentos.insert(argumentos.end(), caso.Argumentos.begin(), caso.Argumentos.end());
    TProcessoFilho instalacao(argumentos, {"PATH=" + bin + ":" + std::getenv("PATH")},
                              FDiretorio.Arquivo("servico.out"), FDiretorio.Arquivo("servico.err"));
    auto status = instalacao.AguardarFim(15s);
    std::string saida = LerArquivo(FDiretorio.Arquivo("servico.out"));
    std::string erros = LerArquivo(FDiretorio.Arquivo("servico.err"));
    ASSERT_TRUE(status);
    if (caso.Sucesso) {
      EXPECT_TRUE(SaiuCom(status, 0)) << DescreverStatus(*status) << "\n" << erros;
      EXPECT_EQ(erros, "");
    } else {
      EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) != 0) << DescreverStatus(*status);
      EXPECT_NE(erros, "");
    }
    EXPECT_EQ(Ocorrencias(saida, "\n"), caso.Relato ? 1u : 0u) << saida;
    EXPECT_EQ(LerArquivo(bin + "/chamadas"), caso.Chamadas);
    if (caso.UnidadeDepois) {
      EXPECT_EQ(std::filesystem::exists(unidade), *caso.UnidadeDepois);
    }
    if (caso.UnidadeDepois == true) {
      EXPECT_NE(LerArquivo(unidade).find("\nExecStart=" + executavel + "\n"), std::string::npos)
          << LerArquivo(unidade);
    }
    // Registration touches neither the log nor the database.
    EXPECT_FALSE(std::filesystem::exists(FDiretorio.Arquivo("BorvanService.log")));
    VerificarSemRelatoDeSanitizador();
  }
}

// The host check passes, but the companies cannot be read: the start fails
// too, reported to the system event log only.
TEST_F(BorvanServiceExecutavel, TabelaDeEmpresasQueFaltaFazAPartidaFalhar) {
  FBanco.Executar("create table LUMIO (EMPRESA smallint not null primary key, EMPRESA_ID varchar(40))");
  GravarDefinicao();

  auto servico = IniciarServico();
  auto status = servico->AguardarFim(15s);
  ASSERT_TRUE(status) << "a failed start must end the process" << Diagnostico();
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) != 0) << DescreverStatus(*status) << Diagnostico();
  const std::vector<std::string> esperadas = {
      "INFO: DATA: " + DataDeHoje() + " " + KHifens,
      "INFO: Versão: 1.0.4.0",
      "INFO: Verificando se o serviço está no servidor de banco de dados...",
      "INFO: Verificação do serviço concluída.",
      "INFO: Buscando empresas locais Quenda...",
  };
  EXPECT_EQ(LinhasLog(), esperadas) << Diagnostico();
  VerificarSemRelatoDeSanitizador();
}

TEST_F(BorvanServiceExecutavel, DoisCiclosEnviamCadaClienteUmaVezESegundoCicloNadaEnvia) {
  CarregarEsquema();
  InscreverEmpresa(1, "q-1", "l-1");
  for (int cliente : {11, 12, 13})
    FBanco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, INATIVO) values (1, " +
                    std::to_string(cliente) + ", 'Cliente " + std::to_string(cliente) + "', 'N')");
  // Another company's customer stays home.
  FBanco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME) values (2, 99, 'De fora')");
  GravarDefinicao();
  TNuvemLocalFilho nuvem(FDiretorio);

  auto servico = IniciarServico({"BORVAN_CICLOS=2"});
  auto status = servico->AguardarFim(40s);
  ASSERT_TRUE(status) << "two cycles take about 20 s" << Diagnostico();
  EXPECT_TRUE(SaiuCom(status, 0)) << DescreverStatus(*status) << Diagnostico();

  // Every body the clouds accepted, in order: the notifications of the
  // start, then the first cycle's customers and options. The second cycle
  // posted nothing.
  auto jsonl = nuvem.LinhasJsonl();
  std::vector<std::string> recebidos;
  for (const auto& linha : jsonl) recebidos.push_back(linha.substr(0, linha.find(",\"corpo\":")));
  const std::vector<std::string> esperados = {
      R"({"nuvem":"Quenda","recurso":"services")", R"({"nuvem":"Lumio","recurso":"services")",
      R"({"nuvem":"Quenda","recurso":"clientes")", R"({"nuvem":"Lumio","recurso":"clientes")",
      R"({"nuvem":"Lumio","recurso":"opcoes")"};
  ASSERT_EQ(recebidos, esperados) << nuvem.Pedidos();
  const char* ids[2] = {"q-1", "l-1"};
  for (int indice : {0, 1}) {
    SCOPED_TRACE(ids[indice]);
    const std::string& notificacao = jsonl[indice];
    EXPECT_NE(notificacao.find(std::string("\"corpo\":{\"empresaId\":\"") + ids[indice] + "\",\"host\":\"" +
                               NomeComputador() + "\",\"versao\":\"1.0.4.0\"}"),
              std::string::npos)
        << notificacao;
    const std::string& clientes = jsonl[2 + indice];
    size_t p11 = clientes.find("\"clienteId\":11,"), p12 = clientes.find("\"clienteId\":12,"),
           p13 = clientes.find("\"clienteId\":13,");
    EXPECT_TRUE(p11 != std::string::npos && p11 < p12 && p12 < p13 && p13 != std::string::npos) << clientes;
    EXPECT_EQ(Ocorrencias(clientes, std::string("\"empresaId\":\"") + ids[indice] + "\""), 3u) << clientes;
    EXPECT_EQ(clientes.find("\"clienteId\":99"), std::string::npos) << clientes;
  }
  // The customers' mark was learned once and then kept.
  std::string pedidos = nuvem.Pedidos();
  EXPECT_EQ(Ocorrencias(pedidos, "Quenda GET clientes/maxCodAtualizacao empresa=q-1"), 1u) << pedidos;
  EXPECT_EQ(Ocorrencias(pedidos, "Lumio GET clientes/maxCodAtualizacao empresa=l-1"), 1u) << pedidos;

  // The log: both passes of the first cycle send; in the second one only
  // the entities with nothing on either side ask again and write their
  // lines with mark 0.
  auto linhas = LinhasLog();
  for (const auto& linha : linhas) EXPECT_NE(linha.rfind("ERROR", 0), 0u) << linha;
  auto inicio = std::find(linhas.begin(), linhas.end(), "INFO: Serviço iniciado.");
  ASSERT_NE(inicio, linhas.end()) << Diagnostico();
  std::vector<std::string> ciclos(inicio + 1, linhas.end());
  ASSERT_EQ(std::count(ciclos.begin(), ciclos.end(), "INFO: NotificarServidorCloudLumio"), 2) << Diagnostico();
  auto primeiraLumio = std::find(ciclos.begin(), ciclos.end(), "INFO: NotificarServidorCloudLumio");
  auto segundaLumio = std::find(primeiraLumio + 1, ciclos.end(), "INFO: NotificarServidorCloudLumio");
  auto contem = [](auto AInicio, auto AFim, const std::string& ALinha) {
    return std::find(AInicio, AFim, ALinha) != AFim;
  };
  EXPECT_TRUE(contem(ciclos.begin(), primeiraLumio, "INFO: Atualizando clientes... Empresa: q-1")) << Diagnostico();
  EXPECT_TRUE(contem(primeiraLumio, segundaLumio, "INFO: Atualizando Clientes Lumio... Empresa: l-1"))
      << Diagnostico();
  for (const char* unica : {"INFO: Atualizando clientes... Empresa: q-1",
                            "INFO: Atualizando Clientes Lumio... Empresa: l-1",
                            "INFO: Atualizando opções Lumio... Empresa: l-1"})
    EXPECT_EQ(std::count(ciclos.begin(), ciclos.end(), unica), 1) << unica << Diagnostico();
  EXPECT_EQ(std::count(ciclos.begin(), ciclos.end(), "INFO: Clientes atualizados. MaxCodAtualizacao: 3"), 2)
      << Diagnostico();
  for (auto linha = segundaLumio + 1; linha != ciclos.end(); ++linha) {
    EXPECT_EQ(linha->find("lientes"), std::string::npos) << *linha;
    EXPECT_EQ(linha->find("pções"), std::string::npos) << *linha;
    if (linha->find(" atualizad") != std::string::npos) {
      EXPECT_TRUE(linha->ends_with("MaxCodAtualizacao: 0")) << *linha;
    }
  }
}

}  // namespace
}  // namespace borvan::teste
