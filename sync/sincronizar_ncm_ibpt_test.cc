// The NCM/IBPT rates' Lumio payload and their batches.
#include "sync/sincronizar_ncm_ibpt.h"

#include <nlohmann/json.hpp>

#include "support/erros.h"
#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

using teste::TRequisicaoRecebida;

class SincronizarNcmIbptTeste : public teste::TSincronizacaoTeste {
 protected:
  SincronizarNcmIbptTeste() {
    Banco.Executar(
        "create table NCM_IBPT (EMPRESA smallint not null, NCM varchar(10) not null,"
        " IBPT_ALIQUOTA_NACIONAL numeric(7,2), IBPT_ALIQUOTA_IMPORTACAO numeric(7,2),"
        " IBPT_ALIQUOTA_ESTADUAL numeric(7,2), IBPT_ALIQUOTA_MUNICIPAL numeric(7,2),"
        " COD_ATUALIZACAO integer, primary key (EMPRESA, NCM))");
  }

  void Lumio1() { TSincronizarNcmIbpt(Conexao, Empresa, Log).ExecutePedidoVenda(); }

};

TEST_F(SincronizarNcmIbptTeste, LumioObjectsMemberForMember) {
  struct TCaso {
    const char* Nome;
    const char* Valores;  // NCM, NACIONAL, IMPORTACAO, ESTADUAL, MUNICIPAL, COD_ATUALIZACAO
    const char* Objeto;
  };
  const TCaso casos[] = {
      {"chapter code with its leading zero", "'0101', 13.45, 20.10, 18, 4.20, 501",
       R"({"empresaId":"emp-7","ncm":"0101","ibptAliquotaNacional":13.45,"ibptAliquotaImportacao":20.1,"ibptAliquotaEstadual":18,"ibptAliquotaMunicipal":4.2,"codAtualizacao":501})"},
      {"null municipal rate", "'01012100', 4.20, 0, 33.33, null, 502",
       R"({"empresaId":"emp-7","ncm":"01012100","ibptAliquotaNacional":4.2,"ibptAliquotaImportacao":0,"ibptAliquotaEstadual":33.33,"ibptAliquotaMunicipal":0,"codAtualizacao":502})"},
      {"zeros and small rates", "'22030000', 0.00, 7.60, 1.65, 0.00, 503",
       R"({"empresaId":"emp-7","ncm":"22030000","ibptAliquotaNacional":0,"ibptAliquotaImportacao":7.6,"ibptAliquotaEstadual":1.65,"ibptAliquotaMunicipal":0,"codAtualizacao":503})"},
      {"every rate null", "'84713012', null, null, null, null, 504",
       R"({"empresaId":"emp-7","ncm":"84713012","ibptAliquotaNacional":0,"ibptAliquotaImportacao":0,"ibptAliquotaEstadual":0,"ibptAliquotaMunicipal":0,"codAtualizacao":504})"},
  };
  const std::string esperado = InserirDoUltimoAoPrimeiro("NCM_IBPT", casos);
  Banco.Executar("insert into NCM_IBPT values (2, '0101', 1, 1, 1, 1, 900)");

  Lumio1();

  auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Recurso, "ncmIbpt");
  EXPECT_EQ(posts[0].Corpo, esperado);
  auto gets = Filtrar(Lumio, "GET");
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_EQ(gets[0].Recurso, "ncmIbpt/maxCodAtualizacao/empresa/emp-7");
  EXPECT_EQ(Empresa.MaxCodAtualizacaoNcmIbpt, 504);
  std::vector<std::string> linhas = {
      "INFO: Atualizando ncm ibpt Lumio... Empresa: emp-7",
      "INFO: Ncm Ibpt atualizados. MaxCodAtualizacao: 504",
  };
  EXPECT_EQ(LinhasLog(), linhas);
}

TEST_F(SincronizarNcmIbptTeste, RefusedThirdBatchKeepsTheMarkAndTheNextRunSendsAll1200Again) {
  // One row at the mark, then 1200 above it (COD_ATUALIZACAO 1001..2200).
  Banco.Executar("insert into NCM_IBPT values (1, '00000000', 1, 1, 1, 1, 1000)");
  Banco.Executar(
      "execute block as declare i integer = 1; begin while (i <= 1200) do begin"
      " insert into NCM_IBPT values (1, lpad(:i, 8, '0') || 'x', 1, 2, 3, 4, 1000 + :i);"
      " i = i + 1; end end");
  Empresa.MaxCodAtualizacaoNcmIbpt = 1000;
  int post = 0;
  Lumio.RespondaCom([&post](const std::string& AMetodo, const std::string&, const std::string&) {
    if (AMetodo == "POST" && ++post == 3) return teste::TRespostaNuvem{400, "Lote recusado"};
    return teste::TRespostaNuvem{200, ""};
  });

  try {
    Lumio1();
    ADD_FAILURE() << "the refused batch must reach the caller";
  } catch (const ENuvem& e) {
    EXPECT_STREQ(e.what(), "Lote recusado");
  }
  EXPECT_EQ(Empresa.MaxCodAtualizacaoNcmIbpt, 1000);
  Lumio1();

  std::vector<size_t> tamanhos;
  std::vector<int> todos;
  for (const auto& lote : Lotes(Filtrar(Lumio, "POST"))) {
    tamanhos.push_back(lote.size());
    todos.insert(todos.end(), lote.begin(), lote.end());
  }
  EXPECT_EQ(tamanhos, (std::vector<size_t>{500, 500, 200, 500, 500, 200}));
  std::vector<int> esperados = Sequencia(1001, 2200);
  esperados.insert(esperados.end(), esperados.begin(), esperados.end());
  EXPECT_EQ(todos, esperados);
  EXPECT_EQ(Empresa.MaxCodAtualizacaoNcmIbpt, 2200);
  EXPECT_TRUE(Filtrar(Lumio, "GET").empty());
  std::vector<std::string> linhas = {
      "INFO: Atualizando ncm ibpt Lumio... Empresa: emp-7",
      "INFO: Atualizando ncm ibpt Lumio... Empresa: emp-7",
      "INFO: Ncm Ibpt atualizados. MaxCodAtualizacao: 2200",
  };
  EXPECT_EQ(LinhasLog(), linhas);
}

}  // namespace
}  // namespace borvan
