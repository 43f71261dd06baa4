// The PIS and COFINS twins: one behaviour, each with its own table,
// resource, texts, member names and mark.
#include "sync/sincronizar_situacao_tributaria_pis_cofins.h"

#include <filesystem>
#include <functional>

#include "support/erros.h"
#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

struct TGemeo {
  const char* Nome;
  std::function<void(TConexao&, TEmpresa&, TLog&)> Lumio1;
  int32_t TEmpresa::*Marca;
  const char* Tabela;
  const char* Prefixo;  // of the columns
  const char* Recurso;
  const char* Abertura;
  const char* Fechamento;
  const char* Corpo;  // of the three rows below
};

// PIS_CODIGO (or COFINS_...), DESCRICAO, CST, MODO_CALCULO, ALIQUOTA_VALOR, COD_ATUALIZACAO
const char* const LINHAS[] = {
    "1, 'Operação tributável', '01', '1', 1.65, 401",
    "2, null, '06', null, null, 402",
    "3, 'Alíquota diferenciada', '50', '2', 7.60, 403",
};

const TGemeo GEMEOS[] = {
    {"PIS",
     [](TConexao& C, TEmpresa& E, TLog& L) { TSincronizarSituacaoTributariaPis(C, E, L).ExecutePedidoVenda(); },
     &TEmpresa::MaxCodAtualizacaoSituacaoTributariaPis, "SITUACAO_TRIBUTARIA_PIS", "PIS",
     "situacoesTributariasPis",
     // The same lines as the ICMS situations.
     "INFO: Atualizando situacao tributária Lumio... Empresa: emp-7",
     "INFO: Situações tributárias atualizadas. MaxCodAtualizacao: 403",
     R"([{"empresaId":"emp-7","pisCodigo":"1","pisDescricao":"Operação tributável","pisCst":"01","pisModuloCalculo":"1","pisAliquotaValor":1.65,"codAtualizacao":401},)"
     R"({"empresaId":"emp-7","pisCodigo":"2","pisDescricao":"","pisCst":"06","pisModuloCalculo":"","pisAliquotaValor":0,"codAtualizacao":402},)"
     R"({"empresaId":"emp-7","pisCodigo":"3","pisDescricao":"Alíquota diferenciada","pisCst":"50","pisModuloCalculo":"2","pisAliquotaValor":7.6,"codAtualizacao":403}])"},
    {"COFINS",
     [](TConexao& C, TEmpresa& E, TLog& L) { TSincronizarSituacaoTributariaCofins(C, E, L).ExecutePedidoVenda(); },
     &TEmpresa::MaxCodAtualizacaoSituacaoTributariaCofins, "SITUACAO_TRIBUTARIA_COFINS", "COFINS",
     "situacoesTributariasCofins",
     "INFO: Atualizando situacao tributária cofins Lumio... Empresa: emp-7",
     "INFO: Situações tributárias cofins atualizadas. MaxCodAtualizacao: 403",
     R"([{"empresaId":"emp-7","cofinsCodigo":"1","cofinsDescricao":"Operação tributável","cofinsCst":"01","cofinsModuloCalculo":"1","cofinsAliquotaValor":1.65,"codAtualizacao":401},)"
     R"({"empresaId":"emp-7","cofinsCodigo":"2","cofinsDescricao":"","cofinsCst":"06","cofinsModuloCalculo":"","cofinsAliquotaValor":0,"codAtualizacao":402},)"
     R"({"empresaId":"emp-7","cofinsCodigo":"3","cofinsDescricao":"Alíquota diferenciada","cofinsCst":"50","cofinsModuloCalculo":"2","cofinsAliquotaValor":7.6,"codAtualizacao":403}])"},
};

class SincronizarSituacaoTributariaPisCofinsTeste : public teste::TSincronizacaoTeste {
 protected:
  SincronizarSituacaoTributariaPisCofinsTeste() {
    for (const TGemeo& gemeo : GEMEOS) {
      const std::string p = gemeo.Prefixo;
      Banco.Executar("create table " + std::string(gemeo.Tabela) +
                     " (EMPRESA smallint not null, " + p + "_CODIGO integer not null, " + p +
                     "_DESCRICAO varchar(60), " + p + "_CST char(2), " + p +
                     "_MODO_CALCULO char(1), " + p +
                     "_ALIQUOTA_VALOR numeric(15,4), COD_ATUALIZACAO integer,"
                     " primary key (EMPRESA, " + p + "_CODIGO))");
      for (const char* linha : LINHAS) {
        Banco.Executar("insert into " + std::string(gemeo.Tabela) + " values (1, " + linha + ")");
      }
      Banco.Executar("insert into " + std::string(gemeo.Tabela) +
                     " values (2, 1, 'Outra empresa', '01', '1', 1, 900)");
    }
  }

  std::vector<std::string> Linhas() const {
    return std::filesystem::exists(Log.GetFullFileName()) ? LinhasLog() : std::vector<std::string>{};
  }
};

TEST_F(SincronizarSituacaoTributariaPisCofinsTeste, EachTwinSendsItsOwnTableUnderItsOwnNames) {
  for (const TGemeo& gemeo : GEMEOS) {
    SCOPED_TRACE(gemeo.Nome);
    Lumio.Limpar();
    const size_t linhasAntes = Linhas().size();
    gemeo.Lumio1(Conexao, Empresa, Log);

    auto gets = Filtrar(Lumio, "GET");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].Recurso, std::string(gemeo.Recurso) + "/maxCodAtualizacao/empresa/emp-7");
    auto posts = Filtrar(Lumio, "POST");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].Recurso, gemeo.Recurso);
    EXPECT_EQ(posts[0].Corpo, gemeo.Corpo);
    EXPECT_EQ(Empresa.*gemeo.Marca, 403);
    auto linhas = Linhas();
    linhas.erase(linhas.begin(), linhas.begin() + linhasAntes);
    EXPECT_EQ(linhas, (std::vector<std::string>{gemeo.Abertura, gemeo.Fechamento}));
  }
}

TEST_F(SincronizarSituacaoTributariaPisCofinsTeste, MarksAreIndependent) {
  for (const TGemeo& gemeo : GEMEOS) Empresa.*gemeo.Marca = 400;
  Lumio.Responder("POST", "situacoesTributariasCofins", 400, "CST inexistente");

  GEMEOS[0].Lumio1(Conexao, Empresa, Log);
  EXPECT_THROW(GEMEOS[1].Lumio1(Conexao, Empresa, Log), ENuvem);

  EXPECT_EQ(Empresa.MaxCodAtualizacaoSituacaoTributariaPis, 403);
  EXPECT_EQ(Empresa.MaxCodAtualizacaoSituacaoTributariaCofins, 400);
  auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 2u);
  EXPECT_EQ(posts[1].Corpo, GEMEOS[1].Corpo);
  EXPECT_TRUE(Filtrar(Lumio, "GET").empty()) << "known marks are not asked for";
}

}  // namespace
}  // namespace borvan
