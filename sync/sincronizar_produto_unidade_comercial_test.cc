// The selling units' Lumio payload and their Lumio-only paths.
#include "sync/sincronizar_produto_unidade_comercial.h"

#include <filesystem>

#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

class SincronizarProdutoUnidadeComercialTeste : public teste::TSincronizacaoTeste {
 protected:
  SincronizarProdutoUnidadeComercialTeste() {
    Banco.Executar(
        "create table PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA smallint not null,"
        " PRO_CODIGO integer not null, UNIDADE varchar(6) not null, FATOR numeric(15,4),"
        " CODIGO_BARRAS varchar(14), PRECO numeric(15,2), PRECO_ANTERIOR numeric(15,2),"
        " VENDER_EM_MULTIPLOS_DE numeric(15,3), PADRAO char(1), ATIVO char(1),"
        " COD_ATUALIZACAO integer, primary key (EMPRESA, PRO_CODIGO, UNIDADE))");
  }
};

TEST_F(SincronizarProdutoUnidadeComercialTeste, LumioObjectsMemberForMember) {
  struct TCaso {
    const char* Nome;
    // PRO_CODIGO, UNIDADE, FATOR, CODIGO_BARRAS, PRECO, PRECO_ANTERIOR,
    // VENDER_EM_MULTIPLOS_DE, PADRAO, ATIVO, COD_ATUALIZACAO
    const char* Valores;
    const char* Objeto;
  };
  const TCaso casos[] = {
      {"default unit, active, no previous price",
       "10, 'UN', 1, '7891234567895', 9.90, null, 1, 'S', 'S', 201",
       R"({"empresaId":"emp-7","produto":{"produtoId":10},"produtoId":10,"unidade":"UN","fator":1,"codigoBarras":"7891234567895","preco":9.9,"precoAnterior":0,"venderMultiplosDe":1,"padrao":true,"ativo":true,"codAtualizacao":201})"},
      {"box of twelve, lower-case active, no bar code",
       "10, 'CX', 12, null, 99.90, 105.50, 12, 'N', 's', 202",
       R"({"empresaId":"emp-7","produto":{"produtoId":10},"produtoId":10,"unidade":"CX","fator":12,"codigoBarras":"","preco":99.9,"precoAnterior":105.5,"venderMultiplosDe":12,"padrao":false,"ativo":true,"codAtualizacao":202})"},
      {"fractions, lower-case default, inactive",
       "11, 'KG', 0.5, '0001', 18, 33.33, 0.25, 's', 'N', 203",
       R"({"empresaId":"emp-7","produto":{"produtoId":11},"produtoId":11,"unidade":"KG","fator":0.5,"codigoBarras":"0001","preco":18,"precoAnterior":33.33,"venderMultiplosDe":0.25,"padrao":true,"ativo":false,"codAtualizacao":203})"},
      {"null flags and amounts read false and 0",
       "12, 'PC', null, '', null, null, null, null, null, 204",
       R"({"empresaId":"emp-7","produto":{"produtoId":12},"produtoId":12,"unidade":"PC","fator":0,"codigoBarras":"","preco":0,"precoAnterior":0,"venderMultiplosDe":0,"padrao":false,"ativo":false,"codAtualizacao":204})"},
      {"other flag texts read false", "13, 'DZ', 1.65, '123', 7.60, 0, 6, 'X', 'T', 205",
       R"({"empresaId":"emp-7","produto":{"produtoId":13},"produtoId":13,"unidade":"DZ","fator":1.65,"codigoBarras":"123","preco":7.6,"precoAnterior":0,"venderMultiplosDe":6,"padrao":false,"ativo":false,"codAtualizacao":205})"},
  };
  const std::string esperado = InserirDoUltimoAoPrimeiro("PRODUTOS_UNIDADES_COMERCIAIS", casos);
  Banco.Executar("insert into PRODUTOS_UNIDADES_COMERCIAIS values"
                 " (2, 10, 'UN', 1, '', 1, 1, 1, 'S', 'S', 900)");

  TSincronizarProdutoUnidadeComercial(Conexao, Empresa, Log).ExecutePedidoVenda();

  auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Recurso, "produtosUnidadesComerciais");
  EXPECT_EQ(posts[0].Corpo, esperado);
  auto gets = Filtrar(Lumio, "GET");
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_EQ(gets[0].Recurso, "produtosUnidadesComerciais/maxCodAtualizacao/empresa/emp-7");
  EXPECT_EQ(Empresa.MaxCodAtualizacaoProdutoUnidadeComercial, 205);
  std::vector<std::string> linhas = {
      "INFO: Atualizando produtos unidades comerciais lumio... Empresa: emp-7",
      "INFO: Produtos unidades comerciais lumio atualizados. MaxCodAtualizacao: 205",
  };
  EXPECT_EQ(LinhasLog(), linhas);
}

TEST_F(SincronizarProdutoUnidadeComercialTeste, QuendaPathTouchesNeitherDatabaseNorCloud) {
  Banco.Executar("insert into PRODUTOS_UNIDADES_COMERCIAIS values"
                 " (1, 10, 'UN', 1, '', 1, 1, 1, 'S', 'S', 10)");
  // A definition that does not exist: any database access would throw.
  TConexao semBanco(Diretorio.Arquivo("nenhum.ini"), "Borvan", "sysdba", "quillfern");
  Empresa.MaxCodAtualizacaoProdutoUnidadeComercial = 3;

  TSincronizarProdutoUnidadeComercial(semBanco, Empresa, Log).Execute();

  EXPECT_TRUE(Quenda.Requisicoes().empty());
  EXPECT_TRUE(Lumio.Requisicoes().empty());
  EXPECT_FALSE(std::filesystem::exists(Log.GetFullFileName()));
  EXPECT_EQ(Empresa.MaxCodAtualizacaoProdutoUnidadeComercial, 3);
}

}  // namespace
}  // namespace borvan
