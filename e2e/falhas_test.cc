// Faults around the running executable: the cloud down, refusing at random
// or cutting answers, the Firebird server stopped mid-cycle, the service
// killed mid-load, the log unwritable, and a back-office transaction that
// commits late. Each scenario checks what the clouds ended up holding
// against the database: every row's latest version there, none under
// another company's id, and the process still running.
//
// BORVAN_FALHAS_LONGO=1 (scripts/soak.sh) stretches the cycle counts.
#include <fcntl.h>
#include <firebird/Interface.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "e2e/executavel.h"
#include "tests/diretorio_temporario.h"

namespace borvan::teste {
namespace {

using namespace std::chrono_literals;
using TJson = nlohmann::json;

bool Longo() {
  const char* texto = std::getenv("BORVAN_FALHAS_LONGO");
  return texto != nullptr && std::string(texto) == "1";
}

// --- Firebird ----------------------------------------------------------------

Firebird::IMaster* Mestre() { return Firebird::fb_get_master_interface(); }

class TStatusFb : public Firebird::ThrowStatusWrapper {
 public:
  TStatusFb() : ThrowStatusWrapper(Mestre()->getStatus()) {}
  ~TStatusFb() { dispose(); }
  TStatusFb(const TStatusFb&) = delete;
  TStatusFb& operator=(const TStatusFb&) = delete;
};

std::string TextoErro(const Firebird::FbException& AErro) {
  char texto[2048];
  Mestre()->getUtilInterface()->formatStatus(texto, sizeof texto, AErro.getStatus());
  return texto;
}

// One attachment of the test's own (the writer, the checks), on the
// connection text "host[/port]:path". A transaction may be left open
// across calls, as a back-office user would.
class TConexaoFb {
 public:
  TConexaoFb(std::string ATexto, bool ACriar) : FTexto(std::move(ATexto)) {
    try {
      TStatusFb status;
      FProvedor = Mestre()->getDispatcher();
      auto* dpb = Mestre()->getUtilInterface()->getXpbBuilder(&status, Firebird::IXpbBuilder::DPB, nullptr, 0);
      dpb->insertString(&status, isc_dpb_user_name, "sysdba");
      dpb->insertString(&status, isc_dpb_password, "quillfern");
      dpb->insertString(&status, isc_dpb_lc_ctype, "UTF8");
      if (ACriar) {
        dpb->insertString(&status, isc_dpb_set_db_charset, "UTF8");
        dpb->insertInt(&status, isc_dpb_force_write, 0);
      }
      try {
        FAnexo = ACriar ? FProvedor->createDatabase(&status, FTexto.c_str(), dpb->getBufferLength(&status),
                                                    dpb->getBuffer(&status))
                        : FProvedor->attachDatabase(&status, FTexto.c_str(), dpb->getBufferLength(&status),
                                                    dpb->getBuffer(&status));
      } catch (...) {
        dpb->dispose();
        throw;
      }
      dpb->dispose();
    } catch (const Firebird::FbException& erro) {
      if (FProvedor) FProvedor->release();
      throw std::runtime_error(FTexto + ": " + TextoErro(erro));
    }
  }
  ~TConexaoFb() {
    if (FTransacao) {
      try {
        TStatusFb status;
        FTransacao->rollback(&status);
      } catch (const Firebird::FbException&) {
        FTransacao->release();
      }
    }
    if (FAnexo) FAnexo->release();
    FProvedor->release();
  }
  TConexaoFb(const TConexaoFb&) = delete;
  TConexaoFb& operator=(const TConexaoFb&) = delete;

  // Runs ASql in the open transaction, or in one of its own that is
  // committed at once.
  void Executar(const std::string& ASql) {
    const bool propria = FTransacao == nullptr;
    try {
      TStatusFb status;
      if (propria) FTransacao = FAnexo->startTransaction(&status, 0, nullptr);
      FAnexo->execute(&status, FTransacao, 0, ASql.c_str(), SQL_DIALECT_V6, nullptr, nullptr, nullptr, nullptr);
      if (propria) {
        FTransacao->commit(&status);
        FTransacao = nullptr;
      }
    } catch (const Firebird::FbException& erro) {
      if (propria && FTransacao) Desfazer();
      throw std::runtime_error(TextoErro(erro) + "\nin: " + ASql);
    }
  }
  void Iniciar() {
    try {
      TStatusFb status;
      FTransacao = FAnexo->startTransaction(&status, 0, nullptr);
    } catch (const Firebird::FbException& erro) {
      throw std::runtime_error(TextoErro(erro));
    }
  }
  void Confirmar() {
    try {
      TStatusFb status;
      FTransacao->commit(&status);
      FTransacao = nullptr;
    } catch (const Firebird::FbException& erro) {
      throw std::runtime_error(TextoErro(erro));
    }
  }
  void Desfazer() {
    try {
      TStatusFb status;
      FTransacao->rollback(&status);
    } catch (const Firebird::FbException&) {
      FTransacao->release();
    }
    FTransacao = nullptr;
  }

  // The rows of a select whose one column is text (cast to varchar).
  std::vector<std::string> Textos(const std::string& ASql) {
    std::vector<std::string> linhas;
    try {
      TStatusFb status;
      auto* transacao = FAnexo->startTransaction(&status, 0, nullptr);
      auto* cursor = FAnexo->openCursor(&status, transacao, 0, ASql.c_str(), SQL_DIALECT_V6, nullptr, nullptr,
                                        nullptr, nullptr, 0);
      auto* meta = cursor->getMetadata(&status);
      std::vector<unsigned char> buffer(meta->getMessageLength(&status));
      const unsigned deslocamento = meta->getOffset(&status, 0), nulo = meta->getNullOffset(&status, 0);
      const bool variavel = meta->getType(&status, 0) == SQL_VARYING;
      const unsigned tamanho = meta->getLength(&status, 0);
      while (cursor->fetchNext(&status, buffer.data()) == Firebird::IStatus::RESULT_OK) {
        if (*reinterpret_cast<short*>(&buffer[nulo])) {
          linhas.emplace_back();
        } else if (variavel) {
          uint16_t comprimento;
          std::memcpy(&comprimento, &buffer[deslocamento], 2);
          linhas.emplace_back(reinterpret_cast<char*>(&buffer[deslocamento + 2]), comprimento);
        } else {
          linhas.emplace_back(reinterpret_cast<char*>(&buffer[deslocamento]), tamanho);
        }
      }
      meta->release();
      cursor->close(&status);
      transacao->commit(&status);
    } catch (const Firebird::FbException& erro) {
      throw std::runtime_error(TextoErro(erro) + "\nin: " + ASql);
    }
    return linhas;
  }

  void Apagar() {
    TStatusFb status;
    FAnexo->dropDatabase(&status);
    FAnexo = nullptr;
  }

 private:
  std::string FTexto;
  Firebird::IProvider* FProvedor = nullptr;
  Firebird::IAttachment* FAnexo = nullptr;
  Firebird::ITransaction* FTransacao = nullptr;
};

// A throw-away database on AServidor ("localhost" or "localhost/3051"),
// dropped at the end even when its server was restarted meanwhile.
class TBanco {
 public:
  explicit TBanco(std::string AServidor) : FServidor(std::move(AServidor)) {
    static std::atomic<unsigned> contador{0};
    std::random_device aleatorio;
    char nome[96];
    std::snprintf(nome, sizeof nome, "/tmp/borvan-falhas-%d-%u-%08x.fdb", static_cast<int>(getpid()), contador++,
                  aleatorio());
    FCaminho = nome;
    TConexaoFb(Texto(), true);
  }
  ~TBanco() {
    try {
      auto conexao = Conectar();
      conexao->Executar("delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
      conexao->Apagar();
    } catch (const std::exception& erro) {
      std::fprintf(stderr, "cannot drop %s: %s\n", FCaminho.c_str(), erro.what());
    } catch (const Firebird::FbException& erro) {
      std::fprintf(stderr, "cannot drop %s: %s\n", FCaminho.c_str(), TextoErro(erro).c_str());
    }
  }
  TBanco(const TBanco&) = delete;
  TBanco& operator=(const TBanco&) = delete;

  std::string Texto() const { return FServidor + ":" + FCaminho; }
  std::unique_ptr<TConexaoFb> Conectar() const { return std::make_unique<TConexaoFb>(Texto(), false); }
  void Executar(const std::string& ASql) const { Conectar()->Executar(ASql); }
  std::vector<std::string> Textos(const std::string& ASql) const { return Conectar()->Textos(ASql); }

  // AAmbiente steers isql to the right server.
  void CarregarEsquema(const TDiretorioTemporario& ADiretorio, const std::vector<std::string>& AAmbiente = {}) const {
    CarregarEsquemaExemplo(Texto(), ADiretorio, AAmbiente);
  }

  const std::string& Caminho() const { return FCaminho; }

 private:
  std::string FServidor;
  std::string FCaminho;
};

// A Firebird server of the test's own on 127.0.0.1:3051, started the way
// scripts/setup-env.sh starts the shared one (fbguard -daemon -forever as
// user firebird) from a private root, so stopping it disturbs no one else.
// The service reaches it as "localhost" through FIREBIRD=Raiz(), whose
// firebird.conf names the port. Stopped and removed at destruction.
class TServidorFirebird {
 public:
  static constexpr int KPorta = 3051;

  static bool Possivel() {
    return geteuid() == 0 && std::filesystem::exists("/usr/sbin/fbguard") &&
           std::filesystem::exists("/usr/lib/x86_64-linux-gnu/firebird/3.0/plugins") &&
           std::system("id firebird >/dev/null 2>&1") == 0;
  }

  TServidorFirebird() : FTrava("/tmp/borvan-firebird-teste-3051.lock") {
    FRaiz = FDiretorio.Arquivo("raiz");
    const std::string origem = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
    std::filesystem::create_directories(FRaiz);
    std::filesystem::create_directories(FDiretorio.Arquivo("trava"));
    for (const char* item : {"UDF", "firebird.msg", "intl", "lib", "plugins", "plugins.conf", "fbtrace.conf"})
      std::filesystem::create_symlink(origem + "/" + item, FRaiz + "/" + item);
    std::filesystem::copy_file("/var/lib/firebird/3.0/system/security3.fdb", FDiretorio.Arquivo("security3.fdb"));
    GravarArquivo(FRaiz + "/firebird.conf", "RemoteServicePort = " + std::to_string(KPorta) +
                                                "\nRemoteBindAddress = localhost\nSecurityDatabase = " +
                                                FDiretorio.Arquivo("security3.fdb") + "\n");
    GravarArquivo(FRaiz + "/databases.conf", "security.db = " + FDiretorio.Arquivo("security3.fdb") + "\n");
    std::system(("chown -R firebird:firebird " + FDiretorio.Caminho()).c_str());
    Iniciar();
  }
  ~TServidorFirebird() {
    Parar();
    std::filesystem::remove_all(FDiretorio.Caminho() + "/trava");
  }
  TServidorFirebird(const TServidorFirebird&) = delete;
  TServidorFirebird& operator=(const TServidorFirebird&) = delete;

  void Iniciar() {
    std::string comando = "su -s /bin/sh firebird -c 'FIREBIRD=" + FRaiz + " FIREBIRD_LOCK=" +
                          FDiretorio.Arquivo("trava") + " /usr/sbin/fbguard -daemon -forever -pidfile " +
                          FDiretorio.Arquivo("servidor.pid") + "'";
    if (std::system(comando.c_str()) != 0) throw std::runtime_error("cannot start: " + comando);
    if (!Aguardar([] { return PortaResponde(KPorta); }, 20s, 50ms))
      throw std::runtime_error("the private Firebird server does not answer on 3051");
  }
  // Both processes killed outright, the guardian first so that it does
  // not start the server again.
  void Parar() {
    std::string texto = LerArquivoSeHouver(FDiretorio.Arquivo("servidor.pid"));
    pid_t servidor = static_cast<pid_t>(std::atol(texto.c_str()));
    if (servidor <= 0) return;
    std::string estado = LerArquivoSeHouver("/proc/" + std::to_string(servidor) + "/stat");
    pid_t guarda = 0;
    if (auto fim = estado.rfind(')'); fim != std::string::npos)
      std::sscanf(estado.c_str() + fim + 1, " %*c %d", &guarda);
    if (guarda > 1) ::kill(guarda, SIGKILL);
    ::kill(servidor, SIGKILL);
    Aguardar([] { return !PortaResponde(KPorta); }, 10s, 50ms);
    std::filesystem::remove(FDiretorio.Arquivo("servidor.pid"));
  }

  const std::string& Raiz() const { return FRaiz; }
  std::string Servidor() const { return "localhost/" + std::to_string(KPorta); }

 private:
  static std::string LerArquivoSeHouver(const std::string& ACaminho) {
    return std::filesystem::exists(ACaminho) ? LerArquivo(ACaminho) : std::string();
  }

  TTravaArquivo FTrava;
  TDiretorioTemporario FDiretorio;
  std::string FRaiz;
};

// --- what the clouds hold ----------------------------------------------------

struct TVersao {
  int64_t FCodigo = 0;
  std::string FNome;
};

// Per (cloud, resource, company id, key): the newest version accepted
// (status 200), from the JSON Lines record. A body that arrived whole is
// accepted even when its answer was cut or held.
struct TCaptura {
  std::map<std::tuple<std::string, std::string, std::string, int64_t>, TVersao> FUltimas;
  int64_t FObjetosAceitos = 0;
  int64_t FPostsRecusados = 0;
  std::vector<std::string> FMalEnderecados;  // an object whose name tells another company

  static TCaptura Ler(const std::string& AJsonl) {
    TCaptura captura;
    std::string texto = std::filesystem::exists(AJsonl) ? LerArquivo(AJsonl) : "";
    size_t inicio = 0;
    for (size_t fim; (fim = texto.find('\n', inicio)) != std::string::npos; inicio = fim + 1) {
      auto linha = TJson::parse(texto.substr(inicio, fim - inicio), nullptr, false);
      if (linha.is_discarded() || !linha.contains("corpo") || !linha["corpo"].is_array()) continue;
      if (linha["status"] != 200) {
        ++captura.FPostsRecusados;
        continue;
      }
      const std::string nuvem = linha["nuvem"], recurso = linha["recurso"];
      const char* chave = recurso == "clientes" ? "clienteId" : recurso == "produtos" ? "produtoId" : nullptr;
      const char* campoNome = recurso == "clientes" ? "nome" : "descricao";
      if (!chave) continue;
      for (const auto& objeto : linha["corpo"]) {
        ++captura.FObjetosAceitos;
        const std::string empresa = objeto["empresaId"];
        const std::string nome = objeto[campoNome];
        if (nome.size() < 2) continue;
        // Names are "E<company> ...", ids "q-<company>"/"l-<company>".
        if (nome.substr(1, nome.find(' ') - 1) != empresa.substr(2))
          captura.FMalEnderecados.push_back(nuvem + " " + empresa + ": " + nome);
        auto& versao = captura.FUltimas[{nuvem, recurso, empresa, objeto[chave].get<int64_t>()}];
        const int64_t codigo = objeto["codAtualizacao"];
        if (codigo >= versao.FCodigo) versao = {codigo, nome};
      }
    }
    return captura;
  }
};

struct TLinhaBanco {
  int FEmpresa;
  int64_t FChave;
  int64_t FCodigo;
  std::string FNome;
};

std::vector<TLinhaBanco> LinhasBanco(const TBanco& ABanco, const std::string& ATabela) {
  const bool clientes = ATabela == "CLIENTES";
  const std::string sql = std::string("select cast(EMPRESA || '|' || ") + (clientes ? "CLI_CODIGO" : "PRO_CODIGO") +
                          " || '|' || COD_ATUALIZACAO || '|' || " + (clientes ? "CLI_NOME" : "PRO_DESCRICAO") +
                          " as varchar(200)) from " + ATabela;
  std::vector<TLinhaBanco> linhas;
  for (const auto& texto : ABanco.Textos(sql)) {
    TLinhaBanco linha{};
    char nome[160] = {};
    long long chave = 0, codigo = 0;
    std::sscanf(texto.c_str(), "%d|%lld|%lld|%159[^\n]", &linha.FEmpresa, &chave, &codigo, nome);
    linha.FChave = chave;
    linha.FCodigo = codigo;
    linha.FNome = nome;
    linhas.push_back(linha);
  }
  return linhas;
}

struct TComparacao {
  int64_t FLinhas = 0;   // rows × clouds compared
  int64_t FPerdidas = 0;  // missing, or not at their latest version
  std::vector<std::string> FExemplos;
};

// Every row of ATabelas, for every company enrolled in both clouds
// (q-<n>, l-<n>), must stand in each cloud at its latest version.
TComparacao Comparar(const TBanco& ABanco, const TCaptura& ACaptura,
                     const std::vector<std::string>& ATabelas = {"CLIENTES", "PRODUTOS"}) {
  TComparacao comparacao;
  for (const auto& tabela : ATabelas) {
    const std::string recurso = tabela == "CLIENTES" ? "clientes" : "produtos";
    for (const auto& linha : LinhasBanco(ABanco, tabela)) {
      for (const auto& [nuvem, prefixo] : {std::pair{"Quenda", "q-"}, std::pair{"Lumio", "l-"}}) {
        ++comparacao.FLinhas;
        auto encontrada = ACaptura.FUltimas.find({nuvem, recurso, prefixo + std::to_string(linha.FEmpresa), linha.FChave});
        if (encontrada != ACaptura.FUltimas.end() && encontrada->second.FCodigo == linha.FCodigo &&
            encontrada->second.FNome == linha.FNome)
          continue;
        ++comparacao.FPerdidas;
        if (comparacao.FExemplos.size() < 10)
          comparacao.FExemplos.push_back(std::string(nuvem) + " " + tabela + " " + std::to_string(linha.FEmpresa) + "/" +
                                         std::to_string(linha.FChave) + " cod " + std::to_string(linha.FCodigo) +
                                         (encontrada == ACaptura.FUltimas.end()
                                              ? " missing"
                                              : " has cod " + std::to_string(encontrada->second.FCodigo)));
      }
    }
  }
  return comparacao;
}

std::string Juntar(const std::vector<std::string>& ATextos) {
  std::string texto;
  for (const auto& item : ATextos) texto += item + "\n";
  return texto;
}

// --- the service -------------------------------------------------------------

class FalhasDoServico : public TTesteExecutavel {
 protected:
  // Companies 1..AQuantas, enrolled in both clouds.
  void Inscrever(const TBanco& ABanco, int AQuantas) {
    for (int empresa = 1; empresa <= AQuantas; ++empresa) {
      const std::string n = std::to_string(empresa);
      ABanco.Executar("insert into QUENDA (EMPRESA, GRUPO_ID, EMPRESA_ID) values (" + n + ", 'grupo', 'q-" + n + "')");
      ABanco.Executar("insert into LUMIO (EMPRESA, EMPRESA_ID) values (" + n + ", 'l-" + n + "')");
    }
  }
  void GravarDefinicao(const TBanco& ABanco) {
    GravarArquivo(FDiretorio.Arquivo("ConnectionDefs.ini"),
                  "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=" + ABanco.Caminho() + "\nCharacterSet=UTF8\n");
  }

  int Contar(const std::string& APrefixo) const {
    auto linhas = LinhasLog();
    return static_cast<int>(std::count_if(linhas.begin(), linhas.end(),
                                          [&](const std::string& L) { return L.rfind(APrefixo, 0) == 0; }));
  }
  std::vector<std::string> Erros() const {
    std::vector<std::string> erros;
    for (const auto& linha : LinhasLog())
      if (linha.rfind("ERROR: ", 0) == 0) erros.push_back(linha);
    return erros;
  }
  // The Lumio pass of cycle N has begun: "NotificarServidorCloudLumio"
  // is its first line, written on every cycle that gets that far.
  bool AguardarCiclo(int ACiclo, TProcessoFilho& AServico, std::chrono::seconds ATempo = 40s) {
    return Aguardar([&] { return Contar("INFO: NotificarServidorCloudLumio") >= ACiclo || !AServico.Rodando(); },
                    ATempo) &&
           AServico.Rodando();
  }
  // Polls until every row stands in both clouds, or ATempo runs out.
  TComparacao AguardarConvergencia(const TBanco& ABanco, const TNuvemLocalFilho& ANuvem, std::chrono::seconds ATempo,
                                   const std::vector<std::string>& ATabelas = {"CLIENTES", "PRODUTOS"},
                                   std::chrono::milliseconds APasso = 1s) {
    TComparacao comparacao;
    Aguardar(
        [&] {
          comparacao = Comparar(ABanco, TCaptura::Ler(ANuvem.ArquivoJsonl()), ATabelas);
          return comparacao.FPerdidas == 0;
        },
        ATempo, APasso);
    return comparacao;
  }
  void EncerrarLimpo(TProcessoFilho& AServico) {
    ASSERT_TRUE(AServico.Rodando()) << Diagnostico();
    AServico.Sinalizar(SIGTERM);
    auto status = AServico.AguardarFim(90s);
    EXPECT_TRUE(SaiuCom(status, 0)) << Diagnostico();
    VerificarSemRelatoDeSanitizador();
  }
  std::string Diagnostico() const {
    auto linhas = LinhasLog();
    if (linhas.size() > 120) linhas.erase(linhas.begin(), linhas.end() - 120);
    return "\n--- BorvanService.log (end)\n" + Juntar(linhas) + "--- stderr\n" +
           LerArquivo(FDiretorio.Arquivo("servico.err"));
  }
  static void Figuras(const std::string& ATexto) { std::cout << "[figuras] " << ATexto << std::endl; }
};

void InserirCliente(TConexaoFb& AConexao, int AEmpresa, int ACodigo, int AVersao) {
  AConexao.Executar("update or insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, INATIVO) values (" +
                    std::to_string(AEmpresa) + ", " + std::to_string(ACodigo) + ", 'E" + std::to_string(AEmpresa) +
                    " C" + std::to_string(ACodigo) + " v" + std::to_string(AVersao) + "', 'N') matching (EMPRESA, CLI_CODIGO)");
}
void InserirProduto(TConexaoFb& AConexao, int AEmpresa, int ACodigo, int AVersao) {
  AConexao.Executar("update or insert into PRODUTOS (EMPRESA, PRO_CODIGO, PRO_DESCRICAO, INATIVO) values (" +
                    std::to_string(AEmpresa) + ", " + std::to_string(ACodigo) + ", 'E" + std::to_string(AEmpresa) +
                    " P" + std::to_string(ACodigo) + " v" + std::to_string(AVersao) + "', 'N') matching (EMPRESA, PRO_CODIGO)");
}

// Customers and products 1..5 of companies 1 and 2, at their first version.
void InserirPrimeirasVersoes(TConexaoFb& AConexao) {
  for (int empresa : {1, 2})
    for (int codigo = 1; codigo <= 5; ++codigo) {
      InserirCliente(AConexao, empresa, codigo, 1);
      InserirProduto(AConexao, empresa, codigo, 1);
    }
}

TEST_F(FalhasDoServico, NuvemForaDoArVariosCiclosRecebeAUltimaVersaoDeCadaLinhaQuandoVolta) {
  TBanco banco("localhost");
  banco.CarregarEsquema(FDiretorio);
  Inscrever(banco, 2);
  auto escritor = banco.Conectar();
  InserirPrimeirasVersoes(*escritor);
  GravarDefinicao(banco);
  TNuvemLocalFilho nuvem(FDiretorio, {});
  auto servico = IniciarServico();
  ASSERT_TRUE(AguardarCiclo(1, *servico)) << Diagnostico();
  ASSERT_EQ(AguardarConvergencia(banco, nuvem, 10s).FPerdidas, 0) << Diagnostico();
  std::this_thread::sleep_for(1500ms);  // the pass's last steps
  ASSERT_TRUE(Erros().empty()) << Diagnostico();

  // Down: every request is refused at the socket. The rows keep changing.
  nuvem.Derrubar();
  const int ciclosFora = Longo() ? 8 : 2;
  int versao = 2, escritas = 20;
  for (int ciclo = 2; ciclo < 2 + ciclosFora; ++ciclo) {
    for (int empresa : {1, 2}) {
      InserirCliente(*escritor, empresa, 1, versao);          // changed again
      InserirCliente(*escritor, empresa, 10 + ciclo, 1);      // new
      InserirProduto(*escritor, empresa, ciclo % 5 + 1, versao);
      escritas += 3;
    }
    ++versao;
    ASSERT_TRUE(AguardarCiclo(ciclo, *servico)) << Diagnostico();
  }
  // The last cycle's Lumio pass has failed too.
  ASSERT_TRUE(Aguardar([&] { return static_cast<int>(Erros().size()) >= 2 * ciclosFora; }, 15s)) << Diagnostico();
  nuvem.Subir();

  // Back: the next cycle delivers everything, at its latest version.
  const auto comparacao = AguardarConvergencia(banco, nuvem, 30s);
  EXPECT_EQ(comparacao.FPerdidas, 0) << Juntar(comparacao.FExemplos) << Diagnostico();
  const auto captura = TCaptura::Ler(nuvem.ArquivoJsonl());
  EXPECT_TRUE(captura.FMalEnderecados.empty()) << Juntar(captura.FMalEnderecados);
  // One ERROR line per pass and cycle while it was down, each the
  // transport failure, and none once it was back.
  const auto erros = Erros();
  EXPECT_EQ(static_cast<int>(erros.size()), 2 * ciclosFora) << Diagnostico();
  for (const auto& erro : erros) EXPECT_EQ(erro.rfind("ERROR: REST request failed: ", 0), 0u) << erro;
  const int ciclos = Contar("INFO: NotificarServidorCloudLumio");
  EncerrarLimpo(*servico);
  Figuras("nuvem fora do ar: " + std::to_string(ciclos) + " ciclos, " + std::to_string(ciclosFora) +
          " com a nuvem fora, " + std::to_string(escritas) + " escritas, " + std::to_string(comparacao.FLinhas) +
          " linhas×nuvens conferidas, " + std::to_string(erros.size()) + " linhas ERROR, perdidas " +
          std::to_string(comparacao.FPerdidas));
}

TEST_F(FalhasDoServico, RecusasAleatoriasComEscritorContinuoNadaSePerdeNemTrocaDeEmpresa) {
  TBanco banco("localhost");
  banco.CarregarEsquema(FDiretorio);
  Inscrever(banco, 3);
  auto escritor = banco.Conectar();
  std::map<std::pair<int, int>, int> clientes, produtos;  // (company, key) -> version
  for (int empresa = 1; empresa <= 3; ++empresa)
    for (int codigo = 1; codigo <= 10; ++codigo) {
      InserirCliente(*escritor, empresa, codigo, clientes[{empresa, codigo}] = 1);
      InserirProduto(*escritor, empresa, codigo, produtos[{empresa, codigo}] = 1);
    }
  GravarDefinicao(banco);
  // About a fifth of the posts refused with a 4xx or 5xx; besides, one
  // answer cut after the cloud took the batch, and one held 3 s.
  TNuvemLocalFilho nuvem(FDiretorio, {"--falhas-aleatorias", "0.2", "--semente", "20240611", "--cortar", "quenda:clientes=3",
                            "--reter", "lumio:produtos=3:2"});
  auto servico = IniciarServico();

  // The writer inserts and updates, as the back office does, while the
  // service runs its cycles.
  const int ciclosEscrita = Longo() ? 30 : 3;
  std::atomic<bool> parar{false};
  int escritas = 0;
  std::string erroEscritor;
  std::thread escrevendo([&] {
    std::mt19937 sorteio(7);
    try {
      auto conexao = banco.Conectar();
      while (!parar) {
        const int empresa = static_cast<int>(sorteio() % 3) + 1;
        const bool cliente = sorteio() % 2 == 0;
        auto& versoes = cliente ? clientes : produtos;
        const int codigo = static_cast<int>(sorteio() % (10 + escritas / 6)) + 1;
        const int versao = ++versoes[{empresa, codigo}];
        if (cliente)
          InserirCliente(*conexao, empresa, codigo, versao);
        else
          InserirProduto(*conexao, empresa, codigo, versao);
        ++escritas;
        std::this_thread::sleep_for(150ms);
      }
    } catch (const std::exception& erro) {
      erroEscritor = erro.what();
    }
  });
  const bool ciclosOk = AguardarCiclo(ciclosEscrita, *servico, std::chrono::seconds(15 * ciclosEscrita + 20));
  parar = true;
  escrevendo.join();
  ASSERT_EQ(erroEscritor, "");
  ASSERT_TRUE(ciclosOk) << Diagnostico();

  // The random refusals go on; the service gets there by itself.
  const auto comparacao = AguardarConvergencia(banco, nuvem, std::chrono::seconds(Longo() ? 240 : 80));
  const auto captura = TCaptura::Ler(nuvem.ArquivoJsonl());
  EXPECT_EQ(comparacao.FPerdidas, 0) << Juntar(comparacao.FExemplos) << Diagnostico();
  EXPECT_TRUE(captura.FMalEnderecados.empty()) << Juntar(captura.FMalEnderecados);
  EXPECT_GT(captura.FPostsRecusados, 0);
  EXPECT_FALSE(Erros().empty());
  EXPECT_NE(nuvem.Pedidos().find("(cortada)"), std::string::npos);
  const int ciclos = Contar("INFO: NotificarServidorCloudLumio");
  const auto erros = Erros().size();
  EncerrarLimpo(*servico);
  Figuras("recusas aleatórias: " + std::to_string(ciclos) + " ciclos, " + std::to_string(escritas) +
          " escritas do escritor, " + std::to_string(captura.FPostsRecusados) + " posts recusados, " +
          std::to_string(erros) + " linhas ERROR, " + std::to_string(captura.FObjetosAceitos) +
          " objetos recebidos, " + std::to_string(comparacao.FLinhas) + " linhas×nuvens conferidas, perdidas " +
          std::to_string(comparacao.FPerdidas));
}

TEST_F(FalhasDoServico, ServidorFirebirdParadoNoMeioDoCicloOServicoSobreviveERetoma) {
  if (!TServidorFirebird::Possivel()) GTEST_SKIP() << "needs root, fbguard and the firebird user";
  TServidorFirebird servidor;
  TBanco banco(servidor.Servidor());
  const std::vector<std::string> ambienteFb = {"FIREBIRD=" + servidor.Raiz()};
  banco.CarregarEsquema(FDiretorio, ambienteFb);
  Inscrever(banco, 2);
  InserirPrimeirasVersoes(*banco.Conectar());
  GravarDefinicao(banco);
  TNuvemLocalFilho nuvem(FDiretorio, {});
  auto servico = IniciarServico(ambienteFb);
  ASSERT_TRUE(AguardarCiclo(1, *servico)) << Diagnostico();
  ASSERT_EQ(AguardarConvergencia(banco, nuvem, 10s).FPerdidas, 0) << Diagnostico();

  // The second cycle's first post is held; the server dies meanwhile, so
  // the cycle's next query meets a dead connection.
  {
    auto escritor = banco.Conectar();
    for (int empresa : {1, 2}) {
      InserirProduto(*escritor, empresa, 1, 2);
      InserirCliente(*escritor, empresa, 1, 2);
    }
  }
  nuvem.Controlar(8090, "reter?recurso=produtos&segundos=3&n=1");
  ASSERT_TRUE(Aguardar([&] { return nuvem.Pedidos().find("(retida 3 s)") != std::string::npos; }, 20s))
      << Diagnostico();
  servidor.Parar();
  const size_t errosAntes = Erros().size();
  // Down for the rest of that cycle and the whole next one: one ERROR
  // line per pass, then one per cycle from the host check.
  ASSERT_TRUE(Aguardar([&] { return Erros().size() >= errosAntes + 3 || !servico->Rodando(); }, 30s))
      << Diagnostico();
  ASSERT_TRUE(servico->Rodando()) << Diagnostico();
  servidor.Iniciar();
  {
    auto escritor = banco.Conectar();
    for (int empresa : {1, 2}) InserirCliente(*escritor, empresa, 9, 1);
  }
  const auto comparacao = AguardarConvergencia(banco, nuvem, 30s);
  EXPECT_EQ(comparacao.FPerdidas, 0) << Juntar(comparacao.FExemplos) << Diagnostico();
  const auto captura = TCaptura::Ler(nuvem.ArquivoJsonl());
  EXPECT_TRUE(captura.FMalEnderecados.empty()) << Juntar(captura.FMalEnderecados);
  const auto erros = Erros();
  for (size_t i = errosAntes; i < erros.size(); ++i) EXPECT_EQ(erros[i].find("REST"), std::string::npos) << erros[i];
  const int ciclos = Contar("INFO: NotificarServidorCloudLumio");
  EncerrarLimpo(*servico);
  Figuras("Firebird parado: " + std::to_string(ciclos) + " ciclos com Lumio, " + std::to_string(erros.size()) +
          " linhas ERROR, " + std::to_string(comparacao.FLinhas) + " linhas×nuvens conferidas, perdidas " +
          std::to_string(comparacao.FPerdidas));
}

TEST_F(FalhasDoServico, MortoComSigkillNaCargaInicialReaprendeAsMarcasENadaPerde) {
  TBanco banco("localhost");
  banco.CarregarEsquema(FDiretorio);
  Inscrever(banco, 1);
  const int linhas = 100000;
  banco.Executar("execute block as declare i integer = 1; begin while (i <= " + std::to_string(linhas) +
                 ") do begin insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, INATIVO) values (1, :i, "
                 "'E1 C' || :i || ' v1', 'N'); i = i + 1; end end");
  GravarDefinicao(banco);
  TNuvemLocalFilho nuvem(FDiretorio, {});
  auto aceitosQuenda = [&] {
    const std::string texto = LerArquivo(nuvem.ArquivoJsonl());
    size_t quantidade = 0;
    for (size_t p = texto.find(R"({"nuvem":"Quenda","recurso":"clientes")"); p != std::string::npos;
         p = texto.find(R"({"nuvem":"Quenda","recurso":"clientes")", p + 1))
      ++quantidade;
    return quantidade;
  };
  auto servico = IniciarServico();
  ASSERT_TRUE(Aguardar([&] { return aceitosQuenda() >= 60 || !servico->Rodando(); }, 90s)) << Diagnostico();
  servico->Sinalizar(SIGKILL);
  servico->AguardarFim(5s);
  const size_t lotesAntes = aceitosQuenda();

  // Started again: it asks each cloud for its marks and goes on from there.
  servico = IniciarServico();
  auto comparacao = AguardarConvergencia(banco, nuvem, 120s, {"CLIENTES"}, 5s);
  EXPECT_EQ(comparacao.FPerdidas, 0) << Juntar(comparacao.FExemplos) << Diagnostico();
  const auto captura = TCaptura::Ler(nuvem.ArquivoJsonl());
  EXPECT_TRUE(captura.FMalEnderecados.empty());
  const std::string pedidos = nuvem.Pedidos();
  // The second start asked for the mark and got what the first one sent.
  const auto pergunta = pedidos.rfind("Quenda GET clientes/maxCodAtualizacao empresa=q-1 -> ");
  ASSERT_NE(pergunta, std::string::npos);
  EXPECT_NE(pedidos.compare(pergunta, pedidos.find('\n', pergunta) - pergunta,
                            "Quenda GET clientes/maxCodAtualizacao empresa=q-1 -> 0"),
            0);
  EXPECT_TRUE(Erros().empty()) << Diagnostico();
  EncerrarLimpo(*servico);
  Figuras("SIGKILL na carga: " + std::to_string(linhas) + " linhas, morto após " + std::to_string(lotesAntes) +
          " lotes Quenda aceitos, " + std::to_string(captura.FObjetosAceitos) + " objetos recebidos (" +
          std::to_string(captura.FObjetosAceitos - 2 * linhas) + " repetidos), perdidas " +
          std::to_string(comparacao.FPerdidas));
}

// Receives what the service sends to syslog, when the service can be run
// in a mount namespace of its own whose /dev/log is this socket.
class TSyslogPrivado {
 public:
  static bool Possivel() {
    return geteuid() == 0 && std::system("unshare -m --propagation private true 2>/dev/null") == 0;
  }
  explicit TSyslogPrivado(const TDiretorioTemporario& ADiretorio) : FCaminho(ADiretorio.Arquivo("log.sock")) {
    FDescritor = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un endereco{};
    endereco.sun_family = AF_UNIX;
    std::strncpy(endereco.sun_path, FCaminho.c_str(), sizeof endereco.sun_path - 1);
    if (::bind(FDescritor, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) != 0)
      throw std::runtime_error("cannot bind " + FCaminho);
  }
  ~TSyslogPrivado() { ::close(FDescritor); }
  TSyslogPrivado(const TSyslogPrivado&) = delete;
  TSyslogPrivado& operator=(const TSyslogPrivado&) = delete;

  // The command that runs the rest of the command line with this socket
  // as its /dev/log (a fresh /dev with the few devices a process needs).
  std::vector<std::string> Prefixo(const TDiretorioTemporario& ADiretorio) const {
    const std::string origem = ADiretorio.Arquivo("dev-original");
    std::filesystem::create_directories(origem);
    return {"unshare", "-m", "--propagation", "private", "sh", "-c",
            "mount --bind /dev \"$1\" && mount -t tmpfs tmpfs /dev && "
            "for d in null zero full random urandom; do touch /dev/$d && mount --bind \"$1/$d\" /dev/$d; done && "
            "touch /dev/log && mount --bind \"$2\" /dev/log && shift 2 && exec \"$@\"",
            "sh", origem, FCaminho};
  }
  // Every message received so far.
  std::string Mensagens() {
    char buffer[4096];
    for (ssize_t lidos; (lidos = ::recv(FDescritor, buffer, sizeof buffer, 0)) > 0;)
      FRecebido.append(buffer, static_cast<size_t>(lidos)).push_back('\n');
    return FRecebido;
  }

 private:
  std::string FCaminho;
  int FDescritor = -1;
  std::string FRecebido;
};

TEST_F(FalhasDoServico, LogTravadoOuSemEscritaNaoDerrubaOServicoEOTrabalhoRetoma) {
  TBanco banco("localhost");
  banco.CarregarEsquema(FDiretorio);
  Inscrever(banco, 1);
  auto escritor = banco.Conectar();
  for (int codigo = 1; codigo <= 3; ++codigo) InserirCliente(*escritor, 1, codigo, 1);
  GravarDefinicao(banco);
  TNuvemLocalFilho nuvem(FDiretorio, {});
  std::unique_ptr<TSyslogPrivado> syslog;
  if (TSyslogPrivado::Possivel()) syslog = std::make_unique<TSyslogPrivado>(FDiretorio);
  auto servico = IniciarServico({}, syslog ? syslog->Prefixo(FDiretorio) : std::vector<std::string>{});
  ASSERT_TRUE(AguardarCiclo(1, *servico)) << Diagnostico();
  ASSERT_EQ(AguardarConvergencia(banco, nuvem, 10s, {"CLIENTES"}).FPerdidas, 0) << Diagnostico();
  const std::string log = FDiretorio.Arquivo("BorvanService.log");

  struct TCaso {
    const char* Nome;
    std::function<std::function<void()>()> Impedir;  // returns what undoes it
  };
  const std::vector<TCaso> casos = {
      {"travado por outro processo",
       [&]() -> std::function<void()> {
         int descritor = ::open(log.c_str(), O_RDWR | O_CLOEXEC);
         EXPECT_EQ(::flock(descritor, LOCK_EX), 0);
         return [descritor] { ::close(descritor); };
       }},
      {"diretório sem escrita",
       [&]() -> std::function<void()> {
         // Root ignores the mode bits: a read-only bind of the directory
         // in the service's own mount namespace does it instead.
         if (geteuid() != 0) {
           std::filesystem::permissions(FDiretorio.Caminho(), std::filesystem::perms::owner_read |
                                                                  std::filesystem::perms::owner_exec);
           std::filesystem::permissions(log, std::filesystem::perms::owner_read);
           return [&] {
             std::filesystem::permissions(FDiretorio.Caminho(), std::filesystem::perms::owner_all);
             std::filesystem::permissions(log, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
           };
         }
         const std::string alvo = "nsenter -t " + std::to_string(servico->Pid()) + " -m ";
         const std::string dir = FDiretorio.Caminho();
         EXPECT_EQ(std::system((alvo + "mount --bind " + dir + " " + dir + " && " + alvo + "mount -o remount,bind,ro " + dir)
                                   .c_str()),
                   0);
         return [alvo, dir] { EXPECT_EQ(std::system((alvo + "umount " + dir).c_str()), 0); };
       }},
  };
  int ciclosSemLog = 0;
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    const int versao = 2 + ciclosSemLog;
    auto desfazer = caso.Impedir();
    InserirCliente(*escritor, 1, 1, versao);
    size_t linhasAntes = 0;
    if (syslog) {
      // A line that was already being written when the impediment came
      // may still land; counting after the first cycle that met the
      // failure leaves none in flight. The next cycle must add nothing.
      auto aguardarFalha = [&] {
        const std::string antes = syslog->Mensagens();
        EXPECT_TRUE(Aguardar([&] { return syslog->Mensagens().size() > antes.size(); }, 25s));
        const std::string novas = syslog->Mensagens().substr(antes.size());
        EXPECT_NE(novas.find("BorvanService"), std::string::npos) << novas;
        EXPECT_NE(novas.find("BorvanService.log"), std::string::npos) << novas;
      };
      aguardarFalha();
      linhasAntes = LinhasLog().size();
      aguardarFalha();
    } else {
      linhasAntes = LinhasLog().size();
      std::this_thread::sleep_for(12s);
    }
    ++ciclosSemLog;
    EXPECT_TRUE(servico->Rodando()) << Diagnostico();
    EXPECT_EQ(LinhasLog().size(), linhasAntes);
    desfazer();
    // Writable again: the next cycle logs and the change arrives.
    const auto comparacao = AguardarConvergencia(banco, nuvem, 25s, {"CLIENTES"});
    EXPECT_EQ(comparacao.FPerdidas, 0) << Juntar(comparacao.FExemplos) << Diagnostico();
    EXPECT_GT(LinhasLog().size(), linhasAntes);
  }
  EXPECT_TRUE(TCaptura::Ler(nuvem.ArquivoJsonl()).FMalEnderecados.empty());
  const auto erros = Erros();
  EncerrarLimpo(*servico);
  Figuras("log sem escrita: " + std::to_string(ciclosSemLog) + " fases, syslog " +
          (syslog ? "capturado em /dev/log privado" : "não verificado") + ", " + std::to_string(erros.size()) +
          " linhas ERROR depois, perdidas 0");
}

// A back-office transaction takes its COD_ATUALIZACAO, then commits only
// after a later one, with a higher value, was already sent: the mark has
// passed it, so it stays home until it changes again.
TEST_F(FalhasDoServico, TransacaoQueConfirmaDepoisDeUmaPosteriorSoChegaQuandoMudaDeNovo) {
  TBanco banco("localhost");
  banco.CarregarEsquema(FDiretorio);
  Inscrever(banco, 1);
  auto lenta = banco.Conectar();
  lenta->Iniciar();
  InserirCliente(*lenta, 1, 100, 1);  // takes the lower value, uncommitted
  auto rapida = banco.Conectar();
  InserirCliente(*rapida, 1, 200, 1);  // a higher value, committed
  GravarDefinicao(banco);
  TNuvemLocalFilho nuvem(FDiretorio, {});
  auto servico = IniciarServico();
  ASSERT_TRUE(AguardarCiclo(1, *servico)) << Diagnostico();
  std::this_thread::sleep_for(2s);
  lenta->Confirmar();

  auto temCliente = [&](int64_t ACodigo) {
    const auto captura = TCaptura::Ler(nuvem.ArquivoJsonl());
    return captura.FUltimas.contains({"Quenda", "clientes", "q-1", ACodigo}) &&
           captura.FUltimas.contains({"Lumio", "clientes", "l-1", ACodigo});
  };
  EXPECT_TRUE(temCliente(200));
  ASSERT_TRUE(AguardarCiclo(2, *servico)) << Diagnostico();
  std::this_thread::sleep_for(2s);
  EXPECT_FALSE(temCliente(100)) << "a row below the mark was sent";
  EXPECT_EQ(Comparar(banco, TCaptura::Ler(nuvem.ArquivoJsonl()), {"CLIENTES"}).FPerdidas, 2);  // one per cloud

  // Changed again, it takes a value above the mark and goes.
  InserirCliente(*rapida, 1, 100, 2);
  const auto comparacao = AguardarConvergencia(banco, nuvem, 25s, {"CLIENTES"});
  EXPECT_EQ(comparacao.FPerdidas, 0) << Juntar(comparacao.FExemplos) << Diagnostico();
  EXPECT_TRUE(Erros().empty()) << Diagnostico();
  EncerrarLimpo(*servico);
}

}  // namespace
}  // namespace borvan::teste
