// The first-load and quiet-cycle benchmark. The parent serves the stand-in
// clouds and runs every measured path in a child process of its own, so
// that CPU time and peak resident memory belong to that path alone:
//   a  the Lumio statement through our db layer, every column read, no JSON;
//   b  the real synchronizer with an HTTP client that answers at once;
//   c  the real synchronizer through libcurl to the stand-in on port 8091;
//   d  isql-fb running the same statement with its output to /dev/null.
// The paths of one repetition run one after the other on the same data.
// The quiet cycle runs in this process: enrolments of k companies, marks
// learned on a first cycle, then whole cycles with nothing to send.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/nuvem_bench.h"
#include "db/conexao.h"
#include "platform/ambiente.h"
#include "service/empresa.h"
#include "service/principal_service.h"
#include "support/log.h"
#include "support/utilidades.h"
#include "sync/sincronizar_cliente.h"
#include "sync/sincronizar_produto.h"

namespace borvan::bench {
namespace {

using Relogio = std::chrono::steady_clock;

// The statements of the Lumio customer and product runs, as the
// synchronizers send them (the parameters become literals for isql-fb).
const char* const SQL_CLIENTES = TSincronizarCliente::SqlPedidoVenda();
const char* const SQL_PRODUTOS = TSincronizarProduto::SqlPedidoVenda();

// How the bare fetch reads each column: the reader the mapping uses.
enum class TLeitura { Texto, Inteiro, Decimal, Data };

const std::vector<TLeitura>& LeiturasClientes() {
  using L = TLeitura;
  static const std::vector<TLeitura> leituras = {
      L::Inteiro, L::Texto,   L::Texto,   L::Texto, L::Texto, L::Texto,   L::Texto,
      L::Texto,   L::Texto,   L::Texto,   L::Texto, L::Texto, L::Texto,   L::Texto,
      L::Texto,   L::Decimal, L::Data,    L::Data,  L::Decimal, L::Inteiro, L::Texto,
      L::Inteiro, L::Inteiro, L::Texto,   L::Inteiro};
  return leituras;
}

const std::vector<TLeitura>& LeiturasProdutos() {
  using L = TLeitura;
  static const std::vector<TLeitura> leituras = {
      L::Inteiro, L::Texto, L::Texto,   L::Texto,   L::Decimal, L::Texto,  L::Texto,
      L::Texto,   L::Decimal, L::Texto, L::Texto,   L::Texto,   L::Decimal, L::Decimal,
      L::Texto,   L::Texto,   L::Texto, L::Texto,   L::Inteiro};
  return leituras;
}

// The child's environment: the work directory stands for the executable's.
class TAmbienteBench : public TAmbienteWrapper {
 public:
  explicit TAmbienteBench(std::string ADiretorio)
      : TAmbienteWrapper(TAmbiente::Padrao()), FDiretorio(std::move(ADiretorio)), FSubstituto(*this) {}
  std::string DiretorioExecutavel() override { return FDiretorio; }
  std::string CaminhoExecutavel() override { return FDiretorio + "/BorvanService"; }

 private:
  std::string FDiretorio;
  TAmbienteSubstituto FSubstituto;
};

void GravarArquivo(const std::string& ACaminho, const std::string& ATexto) {
  std::ofstream arquivo(ACaminho, std::ios::binary | std::ios::trunc);
  arquivo << ATexto;
  if (!arquivo) throw std::runtime_error("cannot write " + ACaminho);
}

// A work directory with the connection definition and the developer marker.
void PrepararDiretorio(const std::string& ADiretorio, const std::string& ABanco) {
  mkdir(ADiretorio.c_str(), 0755);
  GravarArquivo(ADiretorio + "/ConnectionDefs.ini",
                "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=" + ABanco + "\nCharacterSet=UTF8\n");
  GravarArquivo(ADiretorio + "/Eh.Programador", "");
  unlink((ADiretorio + "/BorvanService.log").c_str());
}

// ---- child side -------------------------------------------------------------

int FilhoBusca(const std::string& AEntidade) {
  const bool clientes = AEntidade == "clientes";
  const auto& leituras = clientes ? LeiturasClientes() : LeiturasProdutos();
  TConexao conexao(TAmbiente::Atual().DiretorioExecutavel() + "/ConnectionDefs.ini", "Borvan", "sysdba",
                   "quillfern");
  TQuery query(conexao);
  query.SetSql(clientes ? SQL_CLIENTES : SQL_PRODUTOS);
  query.ParamSmallInt("EMPRESA", 1);
  query.ParamInteger("COD_ATUALIZACAO", 0);
  query.Abrir();
  uint64_t linhas = 0, soma = 0;
  while (!query.Eof()) {
    for (size_t i = 0; i < leituras.size(); ++i) {
      const int coluna = static_cast<int>(i);
      switch (leituras[i]) {
        case TLeitura::Texto:
          soma += query.TextoVista(coluna).size();
          break;
        case TLeitura::Inteiro:
          soma += static_cast<uint64_t>(query.Inteiro(coluna));
          break;
        case TLeitura::Decimal:
          soma += static_cast<uint64_t>(query.Decimal(coluna));
          break;
        case TLeitura::Data:
          soma += static_cast<uint64_t>(query.DataHora(coluna).Dia);
          break;
      }
    }
    ++linhas;
    query.Proximo();
  }
  std::printf("linhas=%llu soma=%llu\n", static_cast<unsigned long long>(linhas),
              static_cast<unsigned long long>(soma));
  return 0;
}

int FilhoSincronizar(const std::string& AEntidade) {
  TConexao conexao(TAmbiente::Atual().DiretorioExecutavel() + "/ConnectionDefs.ini", "Borvan", "sysdba",
                   "quillfern");
  TLog log;
  TEmpresa empresa;
  empresa.Id = "bench-1";
  empresa.LocalId = 1;
  int32_t marca = 0;
  if (AEntidade == "clientes") {
    TSincronizarCliente(conexao, empresa, log).ExecutePedidoVenda();
    marca = empresa.MaxCodAtualizacaoCliente;
  } else {
    TSincronizarProduto(conexao, empresa, log).ExecutePedidoVenda();
    marca = empresa.MaxCodAtualizacaoProduto;
  }
  std::printf("marca=%d consultas=%llu\n", marca,
              static_cast<unsigned long long>(conexao.Estatisticas().Consultas));
  return 0;
}

// ---- parent side ------------------------------------------------------------

struct TMedida {
  double Parede = 0;  // s
  double Cpu = 0;     // s, user + system of the child
  long PicoKiB = 0;   // peak resident set of the child
  double CpuServidor = 0;  // s, of the Firebird server meanwhile
  std::string Saida;
};

// User + system seconds of the Firebird server processes.
double CpuServidorFirebird() {
  double total = 0;
  DIR* dir = opendir("/proc");
  if (dir == nullptr) return 0;
  const double tique = static_cast<double>(sysconf(_SC_CLK_TCK));
  while (dirent* item = readdir(dir)) {
    if (item->d_name[0] < '0' || item->d_name[0] > '9') continue;
    const std::string base = std::string("/proc/") + item->d_name;
    std::ifstream comm(base + "/comm");
    std::string nome;
    std::getline(comm, nome);
    if (nome != "firebird" && nome != "fbserver" && nome != "fb_smp_server") continue;
    std::ifstream stat(base + "/stat");
    std::string linha;
    std::getline(stat, linha);
    const size_t fim = linha.rfind(')');
    if (fim == std::string::npos) continue;
    std::istringstream campos(linha.substr(fim + 2));
    std::string campo;
    unsigned long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && campos >> campo; ++i) {
      if (i == 14) utime = std::stoul(campo);
      if (i == 15) stime = std::stoul(campo);
    }
    total += static_cast<double>(utime + stime) / tique;
  }
  closedir(dir);
  return total;
}

// Runs AArgumentos[0] with its output captured (or thrown away) and stdin
// from AEntrada; returns what it cost.
TMedida Medir(const std::vector<std::string>& AArgumentos, const std::string& AEntrada = "",
              bool ADescartarSaida = false) {
  int tubo[2];
  if (pipe(tubo) != 0) throw std::runtime_error("pipe failed");
  const double servidorAntes = CpuServidorFirebird();
  const auto inicio = Relogio::now();
  const pid_t filho = fork();
  if (filho < 0) throw std::runtime_error("fork failed");
  if (filho == 0) {
    if (!AEntrada.empty()) {
      const int entrada = open(AEntrada.c_str(), O_RDONLY);
      if (entrada >= 0) dup2(entrada, 0);
    }
    if (ADescartarSaida) {
      const int nulo = open("/dev/null", O_WRONLY);
      dup2(nulo, 1);
    } else {
      dup2(tubo[1], 1);
    }
    close(tubo[0]);
    close(tubo[1]);
    std::vector<char*> argv;
    for (const auto& argumento : AArgumentos) argv.push_back(const_cast<char*>(argumento.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(tubo[1]);
  TMedida medida;
  char pedaco[4096];
  for (ssize_t lidos; (lidos = read(tubo[0], pedaco, sizeof pedaco)) > 0;) medida.Saida.append(pedaco, lidos);
  close(tubo[0]);
  int status = 0;
  rusage uso{};
  wait4(filho, &status, 0, &uso);
  medida.Parede = std::chrono::duration<double>(Relogio::now() - inicio).count();
  medida.CpuServidor = CpuServidorFirebird() - servidorAntes;
  medida.Cpu = static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
               static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
  medida.PicoKiB = uso.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(AArgumentos[0] + " failed (status " + std::to_string(status) + "): " +
                             medida.Saida);
  }
  return medida;
}

std::string Diretorio(const std::string& ACaminho) {
  const size_t barra = ACaminho.rfind('/');
  return barra == std::string::npos ? "." : ACaminho.substr(0, barra);
}

std::string SqlLiteral(std::string ASql) {
  for (const auto& [nome, valor] : {std::pair<std::string, std::string>{":EMPRESA", "1"},
                                    {":COD_ATUALIZACAO", "0"}}) {
    for (size_t p; (p = ASql.find(nome)) != std::string::npos;) ASql.replace(p, nome.size(), valor);
  }
  return ASql;
}

struct TOpcoes {
  std::map<long, std::string> Cargas;  // N -> database path
  std::string BancoCiclo;
  std::string Isql = "/usr/bin/isql-fb";
  std::string Trabalho = "/tmp/borvan-bench";
  int Repeticoes = 1;
};

struct TLinhaTabela {
  long N;
  std::string Entidade;
  char Caminho;
  TMedida Medida;
  uint64_t Linhas;
};

uint64_t ValorDe(const std::string& ASaida, const std::string& AChave) {
  const size_t p = ASaida.find(AChave + "=");
  return p == std::string::npos ? 0 : std::stoull(ASaida.substr(p + AChave.size() + 1));
}

void CargaInicial(const TOpcoes& AOpcoes, const std::string& AExecutavel, TNuvemBench& ALumio) {
  const std::string semHttp = Diretorio(AExecutavel) + "/bench_borvan_sem_http";
  std::vector<TLinhaTabela> tabela;
  std::map<std::string, TContagemNuvem> nuvem;  // N/entity -> what the stand-in saw in (c)
  for (const auto& [n, banco] : AOpcoes.Cargas) {
    const std::string dir = AOpcoes.Trabalho + "/carga-" + std::to_string(n);
    PrepararDiretorio(dir, banco);
    for (const std::string entidade : {"clientes", "produtos"}) {
      const std::string sql = dir + "/" + entidade + ".sql";
      GravarArquivo(sql, "set blob all;\n" +
                             SqlLiteral(entidade == "clientes" ? SQL_CLIENTES : SQL_PRODUTOS) + ";\n");
      // One unmeasured read first, so that no path pays for a cold cache.
      Medir({AExecutavel, "--filho", "a", entidade, dir});
      for (int r = 0; r < AOpcoes.Repeticoes; ++r) {
        uint64_t linhas = 0;
        for (const char caminho : {'a', 'b', 'c', 'd'}) {
          unlink((dir + "/BorvanService.log").c_str());
          TMedida medida;
          if (caminho == 'd') {
            medida = Medir({AOpcoes.Isql, "-q", "-ch", "UTF8", "-user", "sysdba", "-password", "quillfern",
                            "localhost:" + banco},
                           sql, true);
          } else {
            ALumio.Zerar();
            const std::string exe = caminho == 'b' ? semHttp : AExecutavel;
            medida = Medir({exe, "--filho", std::string(1, caminho), entidade, dir});
            if (caminho == 'a') linhas = ValorDe(medida.Saida, "linhas");
            if (caminho == 'c') nuvem[std::to_string(n) + " " + entidade] = ALumio.Contagem();
          }
          tabela.push_back({n, entidade, caminho, medida, linhas});
          std::fprintf(stderr, "  N=%ld %s (%c): %.2f s\n", n, entidade.c_str(), caminho, medida.Parede);
        }
      }
      unlink((dir + "/BorvanService.log").c_str());
    }
  }

  std::printf("\nPrimeira carga Lumio (mediana de %d repetição(ões) por caminho)\n", AOpcoes.Repeticoes);
  std::printf("%-9s %-9s %-3s %12s %10s %9s %11s %9s\n", "N", "entidade", "c.", "linhas/s", "parede s",
              "CPU s", "CPU serv. s", "pico MiB");
  std::map<std::string, double> mediana;  // "N entity path" -> wall
  std::map<std::string, long> pico;
  for (const auto& [n, banco] : AOpcoes.Cargas) {
    for (const std::string entidade : {"clientes", "produtos"}) {
      uint64_t linhas = 0;
      for (const auto& linha : tabela)
        if (linha.N == n && linha.Entidade == entidade && linha.Caminho == 'a') linhas = linha.Linhas;
      for (const char caminho : {'a', 'b', 'c', 'd'}) {
        std::vector<TMedida> medidas;
        for (const auto& linha : tabela)
          if (linha.N == n && linha.Entidade == entidade && linha.Caminho == caminho) medidas.push_back(linha.Medida);
        std::sort(medidas.begin(), medidas.end(),
                  [](const TMedida& x, const TMedida& y) { return x.Parede < y.Parede; });
        const TMedida& m = medidas[medidas.size() / 2];
        const std::string chave = std::to_string(n) + " " + entidade + " " + caminho;
        mediana[chave] = m.Parede;
        pico[chave] = m.PicoKiB;
        std::printf("%-9ld %-9s %-3c %12.0f %10.2f %9.2f %11.2f %9.1f\n", n, entidade.c_str(), caminho,
                    static_cast<double>(linhas) / m.Parede, m.Parede, m.Cpu, m.CpuServidor,
                    static_cast<double>(m.PicoKiB) / 1024.0);
      }
    }
  }
  std::printf("\n%-9s %-9s %8s %8s %8s %7s %9s %10s\n", "N", "entidade", "c/a", "c/d", "b/a", "posts",
              "conexões", "MiB post.");
  for (const auto& [n, banco] : AOpcoes.Cargas) {
    for (const std::string entidade : {"clientes", "produtos"}) {
      const std::string k = std::to_string(n) + " " + entidade + " ";
      const TContagemNuvem& contagem = nuvem[std::to_string(n) + " " + entidade];
      std::printf("%-9ld %-9s %8.2f %8.2f %8.2f %7llu %9llu %10.1f\n", n, entidade.c_str(),
                  mediana[k + "c"] / mediana[k + "a"], mediana[k + "c"] / mediana[k + "d"],
                  mediana[k + "b"] / mediana[k + "a"], static_cast<unsigned long long>(contagem.Posts),
                  static_cast<unsigned long long>(contagem.Conexoes),
                  static_cast<double>(contagem.BytesRecebidos) / (1024.0 * 1024.0));
    }
  }
  if (AOpcoes.Cargas.size() > 1) {
    const long menor = AOpcoes.Cargas.begin()->first, maior = AOpcoes.Cargas.rbegin()->first;
    std::printf("\nPico de memória do caminho completo (c), N=%ld menos N=%ld:", maior, menor);
    for (const std::string entidade : {"clientes", "produtos"}) {
      std::printf(" %s %+.1f MiB;", entidade.c_str(),
                  static_cast<double>(pico[std::to_string(maior) + " " + entidade + " c"] -
                                      pico[std::to_string(menor) + " " + entidade + " c"]) /
                      1024.0);
    }
    std::printf("\n");
  }
}

// Enrols companies 1..k in both clouds of the cycle database.
void Inscrever(const TOpcoes& AOpcoes, int AQuantidade) {
  const std::string sql = AOpcoes.Trabalho + "/inscrever.sql";
  GravarArquivo(sql,
                "delete from QUENDA; delete from LUMIO;\n"
                "insert into QUENDA (EMPRESA, GRUPO_ID, EMPRESA_ID) select EMPRESA, 'grupo-1', "
                "'quenda-' || EMPRESA from EMPRESAS where EMPRESA <= " +
                    std::to_string(AQuantidade) +
                    ";\n"
                    "insert into LUMIO (EMPRESA, EMPRESA_ID) select EMPRESA, 'lumio-' || EMPRESA from "
                    "EMPRESAS where EMPRESA <= " +
                    std::to_string(AQuantidade) + ";\ncommit;\n");
  Medir({AOpcoes.Isql, "-q", "-bail", "-ch", "UTF8", "-user", "sysdba", "-password", "quillfern",
         "localhost:" + AOpcoes.BancoCiclo, "-i", sql});
}

void CicloQuieto(const TOpcoes& AOpcoes, TNuvemBench& AQuenda, TNuvemBench& ALumio) {
  const std::string dir = AOpcoes.Trabalho + "/ciclo";
  PrepararDiretorio(dir, AOpcoes.BancoCiclo);
  // Marks the clouds already hold, and the options digest they have.
  for (TNuvemBench* nuvem : {&AQuenda, &ALumio}) {
    nuvem->DefinirMaxCodigo("2000000000");
    nuvem->DefinirCodigoMd5(CalcularMd5("1|01|15"));
  }
  constexpr int CICLOS = 7;
  std::printf("\nCiclo sem mudanças (mediana de %d ciclos depois do primeiro)\n", CICLOS);
  std::printf("%-9s %10s %13s %10s %10s %12s\n", "empresas", "parede ms", "ms/empresa", "consultas",
              "conexões", "requisições");
  for (const int empresas : {1, 2, 5, 10, 20}) {
    Inscrever(AOpcoes, empresas);
    TAmbienteBench ambiente(dir);
    TBorvanSistemas servico;
    servico.IniciarServico();
    servico.Timer1Timer();  // learns every mark
    std::vector<double> paredes;
    uint64_t consultas = 0, conexoes = 0, requisicoes = 0;
    for (int c = 0; c < CICLOS; ++c) {
      AQuenda.Zerar();
      ALumio.Zerar();
      const TEstatisticasConexao antes = servico.ConexaoBorvan().Estatisticas();
      const auto inicio = Relogio::now();
      servico.Timer1Timer();
      paredes.push_back(std::chrono::duration<double, std::milli>(Relogio::now() - inicio).count());
      const TEstatisticasConexao depois = servico.ConexaoBorvan().Estatisticas();
      consultas = std::max(consultas, depois.Consultas - antes.Consultas);
      conexoes = std::max(conexoes, depois.Conexoes - antes.Conexoes);
      requisicoes = std::max(requisicoes, AQuenda.Contagem().Requisicoes + ALumio.Contagem().Requisicoes);
    }
    std::sort(paredes.begin(), paredes.end());
    const double parede = paredes[paredes.size() / 2];
    std::printf("%-9d %10.1f %13.2f %10llu %10llu %12llu\n", empresas, parede, parede / empresas,
                static_cast<unsigned long long>(consultas), static_cast<unsigned long long>(conexoes),
                static_cast<unsigned long long>(requisicoes));
  }
}

[[noreturn]] void Uso() {
  std::fprintf(stderr,
               "uso: bench_borvan [--carga N=CAMINHO]... [--ciclo CAMINHO] [--isql ISQL] "
               "[--repeticoes R] [--trabalho DIR]\n"
               "     bench_borvan --servir\n"
               "     bench_borvan --filho a|b|c clientes|produtos DIR\n");
  std::exit(2);
}

int Principal(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "--filho") {
    TAmbienteBench ambiente(argv[4]);
    return std::string(argv[2]) == "a" ? FilhoBusca(argv[3]) : FilhoSincronizar(argv[3]);
  }
  if (argc == 2 && std::string(argv[1]) == "--servir") {
    // Only the stand-in clouds, until stdin closes: for profiling one path
    // by hand (valgrind bench_borvan --filho c clientes DIR).
    TNuvemBench quenda(8090);
    TNuvemBench lumio(8091);
    std::printf("servindo em 8090 e 8091; feche a entrada para parar\n");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
  }
  TOpcoes opcoes;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) Uso();
    const std::string valor = argv[++i];
    if (arg == "--carga") {
      const size_t igual = valor.find('=');
      if (igual == std::string::npos) Uso();
      opcoes.Cargas[std::stol(valor.substr(0, igual))] = valor.substr(igual + 1);
    } else if (arg == "--ciclo") {
      opcoes.BancoCiclo = valor;
    } else if (arg == "--isql") {
      opcoes.Isql = valor;
    } else if (arg == "--repeticoes") {
      opcoes.Repeticoes = std::max(1, std::stoi(valor));
    } else if (arg == "--trabalho") {
      opcoes.Trabalho = valor;
    } else {
      Uso();
    }
  }
  if (opcoes.Cargas.empty() && opcoes.BancoCiclo.empty()) Uso();
  mkdir(opcoes.Trabalho.c_str(), 0755);
  char exe[4096];
  const ssize_t tamanho = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (tamanho <= 0) throw std::runtime_error("cannot resolve /proc/self/exe");
  const std::string executavel(exe, static_cast<size_t>(tamanho));

  long nucleos = sysconf(_SC_NPROCESSORS_ONLN);
  long memoria = sysconf(_SC_PHYS_PAGES) / 1024 * sysconf(_SC_PAGESIZE) / 1024;
  std::printf("Máquina: %ld núcleos, %ld MiB de memória\n", nucleos, memoria);
  std::fflush(stdout);

  TNuvemBench quenda(8090);
  TNuvemBench lumio(8091);
  if (!opcoes.Cargas.empty()) CargaInicial(opcoes, executavel, lumio);
  if (!opcoes.BancoCiclo.empty()) CicloQuieto(opcoes, quenda, lumio);
  return 0;
}

}  // namespace
}  // namespace borvan::bench

int main(int argc, char** argv) {
  try {
    return borvan::bench::Principal(argc, argv);
  } catch (const std::exception& erro) {
    std::fprintf(stderr, "bench_borvan: %s\n", erro.what());
    return 1;
  }
}
