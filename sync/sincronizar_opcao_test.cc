// The options: change detection by digest, the options object, and the
// retry of a refused post.
#include "sync/sincronizar_opcao.h"

#include <filesystem>
#include <string>
#include <vector>

#include "support/erros.h"
#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

// MD5 of "15|1|3" and of "15|1|4", worked out beforehand.
const std::string MD5_15_1_3 = "d898b745b40ab2cdc2afb3a85ede824d";
const std::string MD5_15_1_4 = "c73cfcf66e75a8cbc654c981702a2f82";

const char* const RECURSO_MD5 = "opcoes/CodigoMd5/empresa/emp-7";
const std::string ABERTURA = "INFO: Atualizando opções Lumio... Empresa: emp-7";
const std::string FECHAMENTO = "INFO: Opções Lumio atualizadas.";

class SincronizarOpcaoTeste : public teste::TSincronizacaoTeste {
 protected:
  SincronizarOpcaoTeste() {
    Banco.Executar(
        "create table OPCOES (EMPRESA smallint not null primary key, CLI_COD_CONSUMIDOR integer,"
        " VEN_FP_ENTRADA integer, VEN_FP_DEMAIS integer, OUTRA_OPCAO varchar(10))");
    Banco.Executar("insert into OPCOES values (2, 900, 8, 9, 'x')");
  }

  void Lumio1() { TSincronizarOpcao(Conexao, Empresa, Log).ExecutePedidoVenda(); }

  // AValores: CLI_COD_CONSUMIDOR, VEN_FP_ENTRADA, VEN_FP_DEMAIS.
  void GravarOpcoes(const std::string& AValores) {
    Banco.Executar("delete from OPCOES where EMPRESA = 1");
    Banco.Executar("insert into OPCOES values (1, " + AValores + ", 'y')");
  }

  size_t PerguntasDoMd5() const {
    size_t total = 0;
    for (auto& r : Filtrar(Lumio, "GET")) total += r.Recurso == RECURSO_MD5;
    return total;
  }

  std::vector<std::string> Linhas() const {
    return std::filesystem::exists(Log.GetFullFileName()) ? LinhasLog() : std::vector<std::string>{};
  }

  static std::string Md5(const std::string& ANuvem, const std::string& ALocal) {
    return "INFO: MD5: " + ANuvem + " " + ALocal;
  }

  static std::string Corpo(const std::string& AMd5, const std::string& AConsumidor,
                           const std::string& AEntrada, const std::string& ADemais) {
    return R"({"empresaId":"emp-7","md5Atualizacao":")" + AMd5 + R"(","consumidorId":)" +
           AConsumidor + R"(,"formaPagamentoEntrada":{"formaPagamentoId":")" + AEntrada +
           R"("},"formaPagamentoParcelas":{"formaPagamentoId":")" + ADemais + R"("}})";
  }
};

TEST_F(SincronizarOpcaoTeste, OptionsRowGivesTheDigestAndTheObject) {
  struct TCaso {
    const char* Nome;
    const char* Valores;  // nullptr: the company has no OPCOES row
    std::string Md5;      // of the texts joined by "|"
    std::string Corpo;
  };
  const TCaso casos[] = {
      {"15|1|3", "15, 1, 3", MD5_15_1_3, Corpo(MD5_15_1_3, "15", "1", "3")},
      {"15||3", "15, null, 3", "f24b1f4a636cb6104bee675f3e5bba94",
       Corpo("f24b1f4a636cb6104bee675f3e5bba94", "15", "", "3")},
      // Without a consumer code, 0 keeps the body valid JSON.
      {"|1|3", "null, 1, 3", "d60e0ca46094c6c3ea130edbac37651a",
       Corpo("d60e0ca46094c6c3ea130edbac37651a", "0", "1", "3")},
      {"no row: ||", nullptr, "7d010443693eec253a121e2aa2ba177c",
       Corpo("7d010443693eec253a121e2aa2ba177c", "0", "", "")},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    Banco.Executar("delete from OPCOES where EMPRESA = 1");
    if (caso.Valores) GravarOpcoes(caso.Valores);
    Lumio.Limpar();
    Empresa.CodigoMd5Opcao.clear();

    Lumio1();  // the stand-in holds no digest: always posted

    auto posts = Filtrar(Lumio, "POST");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].Recurso, "opcoes");
    EXPECT_EQ(posts[0].Corpo, caso.Corpo);
    EXPECT_EQ(Empresa.CodigoMd5Opcao, caso.Md5);
  }
}

TEST_F(SincronizarOpcaoTeste, FirstRunComparesWithTheCloudDigestCaseSensitively) {
  struct TCaso {
    const char* Nome;
    std::string DigestoNuvem;
    bool Envia;
  };
  const TCaso casos[] = {
      {"equal", MD5_15_1_3, false},
      {"cloud holds none", "", true},
      {"only the letter case differs", "D898B745B40AB2CDC2AFB3A85EDE824D", true},
      {"older options", MD5_15_1_4, true},
  };
  GravarOpcoes("15, 1, 3");
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    const size_t linhasAntes = Linhas().size();
    Lumio.Limpar();
    Lumio.Responder("GET", RECURSO_MD5, 200, caso.DigestoNuvem);
    Empresa.CodigoMd5Opcao.clear();

    Lumio1();

    std::vector<std::string> esperadas{Md5(caso.DigestoNuvem, MD5_15_1_3)};
    if (caso.Envia) {
      esperadas.push_back(ABERTURA);
      esperadas.push_back(FECHAMENTO);
    }
    auto linhas = Linhas();
    linhas.erase(linhas.begin(), linhas.begin() + linhasAntes);
    EXPECT_EQ(linhas, esperadas);
    auto posts = Filtrar(Lumio, "POST");
    ASSERT_EQ(posts.size(), caso.Envia ? 1u : 0u);
    if (caso.Envia) {
      EXPECT_EQ(posts[0].Corpo, Corpo(MD5_15_1_3, "15", "1", "3"));
    }
    EXPECT_EQ(PerguntasDoMd5(), 1u);
    EXPECT_EQ(Empresa.CodigoMd5Opcao, MD5_15_1_3);
  }
}

TEST_F(SincronizarOpcaoTeste, LaterRunsPostOnlyWhenTheOptionsChangeAndNeverAskTheCloud) {
  GravarOpcoes("15, 1, 3");
  Lumio.Responder("GET", RECURSO_MD5, 200, MD5_15_1_3);

  Lumio1();  // equal to the cloud's
  Lumio1();  // unchanged
  EXPECT_EQ(Lumio.Requisicoes().size(), 1u);
  GravarOpcoes("15, 1, 4");
  Lumio1();  // VEN_FP_DEMAIS changed: one post
  Lumio1();  // unchanged again

  auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Corpo, Corpo(MD5_15_1_4, "15", "1", "4"));
  EXPECT_EQ(PerguntasDoMd5(), 1u);
  std::vector<std::string> esperadas = {
      Md5(MD5_15_1_3, MD5_15_1_3), Md5("", MD5_15_1_3), Md5("", MD5_15_1_4),
      ABERTURA,                    FECHAMENTO,          Md5("", MD5_15_1_4),
  };
  EXPECT_EQ(Linhas(), esperadas);
}

// A refused post is not taken for delivered: the digest is remembered only
// once the cloud accepted the options, so the next run posts them again.
TEST_F(SincronizarOpcaoTeste, RefusedPostIsPostedAgainByTheNextRun) {
  GravarOpcoes("15, 1, 3");

  // First run of the company: the cloud holds no digest and refuses.
  Lumio.Responder("POST", "opcoes", 400, "Forma de pagamento inexistente");
  try {
    Lumio1();
    ADD_FAILURE() << "the refused post must reach the caller";
  } catch (const ENuvem& e) {
    EXPECT_STREQ(e.what(), "Forma de pagamento inexistente");
  }
  EXPECT_EQ(Empresa.CodigoMd5Opcao, "");
  Lumio.RestaurarRespostas();
  Lumio1();
  EXPECT_EQ(Empresa.CodigoMd5Opcao, MD5_15_1_3);

  // With a remembered digest: the options change and the post is refused.
  GravarOpcoes("15, 1, 4");
  Lumio.Responder("POST", "opcoes", 400, "recusado");
  EXPECT_THROW(Lumio1(), ENuvem);
  EXPECT_EQ(Empresa.CodigoMd5Opcao, MD5_15_1_3);
  Lumio.RestaurarRespostas();
  Lumio1();
  Lumio1();

  auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 4u);
  EXPECT_EQ(posts[0].Corpo, Corpo(MD5_15_1_3, "15", "1", "3"));
  EXPECT_EQ(posts[1].Corpo, posts[0].Corpo);
  EXPECT_EQ(posts[2].Corpo, Corpo(MD5_15_1_4, "15", "1", "4"));
  EXPECT_EQ(posts[3].Corpo, posts[2].Corpo);
  EXPECT_EQ(PerguntasDoMd5(), 2u) << "the cloud is asked again while no digest is known";
  EXPECT_EQ(Empresa.CodigoMd5Opcao, MD5_15_1_4);
  std::vector<std::string> esperadas = {
      Md5("", MD5_15_1_3), ABERTURA,                        // refused
      Md5("", MD5_15_1_3), ABERTURA, FECHAMENTO,
      Md5("", MD5_15_1_4), ABERTURA,                        // refused
      Md5("", MD5_15_1_4), ABERTURA, FECHAMENTO,
      Md5("", MD5_15_1_4),
  };
  EXPECT_EQ(Linhas(), esperadas);
}

TEST_F(SincronizarOpcaoTeste, FailuresBeforeTheDigestLeaveNoLineAndNoDigest) {
  GravarOpcoes("15, 1, 3");
  // The cloud cannot tell its digest.
  Lumio.Responder("GET", RECURSO_MD5, 503, "");
  EXPECT_THROW(Lumio1(), ENuvem);
  EXPECT_EQ(Empresa.CodigoMd5Opcao, "");

  // The options cannot be read: the remembered digest stays.
  Empresa.CodigoMd5Opcao = MD5_15_1_4;
  Banco.Executar("drop table OPCOES");
  EXPECT_THROW(Lumio1(), EBancoDados);
  EXPECT_EQ(Empresa.CodigoMd5Opcao, MD5_15_1_4);

  EXPECT_TRUE(Linhas().empty());
  EXPECT_TRUE(Filtrar(Lumio, "POST").empty());
}

}  // namespace
}  // namespace borvan
