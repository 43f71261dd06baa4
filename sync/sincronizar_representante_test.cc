// The representatives' Lumio payload and their Lumio-only paths.
#include "sync/sincronizar_representante.h"

#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

class SincronizarRepresentanteTeste : public teste::TSincronizacaoTeste {
 protected:
  SincronizarRepresentanteTeste() {
    Banco.Executar(
        "create table REPRESENTANTES (EMPRESA smallint not null, REP_CODIGO integer not null,"
        " REP_NOME varchar(60), EMAIL varchar(100), INATIVO char(1), COD_ATUALIZACAO integer,"
        " primary key (EMPRESA, REP_CODIGO))");
  }

  void Lumio1() { TSincronizarRepresentante(Conexao, Empresa, Log).ExecutePedidoVenda(); }
};

TEST_F(SincronizarRepresentanteTeste, LumioObjectsMemberForMember) {
  struct TCaso {
    const char* Nome;
    const char* Valores;  // REP_CODIGO, REP_NOME, EMAIL, INATIVO, COD_ATUALIZACAO
    const char* Objeto;
  };
  const TCaso casos[] = {
      {"active, everything filled", "12, 'Ana Souza', 'ana@vendas.com.br', 'N', 101",
       R"({"empresaId":"emp-7","representanteId":12,"nome":"Ana Souza","email":"ana@vendas.com.br","ativo":true,"codAtualizacao":101})"},
      {"inactive upper case, null e-mail", "3, 'Bruno Lima', null, 'S', 102",
       R"({"empresaId":"emp-7","representanteId":3,"nome":"Bruno Lima","email":"","ativo":false,"codAtualizacao":102})"},
      {"inactive lower case, null name", "40, null, 'x@y', 's', 103",
       R"({"empresaId":"emp-7","representanteId":40,"nome":"","email":"x@y","ativo":false,"codAtualizacao":103})"},
      {"null flag reads active", "41, 'Célia \"Cel\" Ramos', '', null, 104",
       R"({"empresaId":"emp-7","representanteId":41,"nome":"Célia \"Cel\" Ramos","email":"","ativo":true,"codAtualizacao":104})"},
      {"any other flag reads active", "42, 'Davi', 'd@v', 'X', 105",
       R"({"empresaId":"emp-7","representanteId":42,"nome":"Davi","email":"d@v","ativo":true,"codAtualizacao":105})"},
  };
  const std::string esperado = InserirDoUltimoAoPrimeiro("REPRESENTANTES", casos);
  Banco.Executar("insert into REPRESENTANTES values (2, 99, 'Outra empresa', '', 'N', 500)");

  Lumio1();

  auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Recurso, "representantes");
  EXPECT_EQ(posts[0].Corpo, esperado);
  EXPECT_EQ(Empresa.MaxCodAtualizacaoRepresentante, 105);
  std::vector<std::string> linhas = {
      "INFO: Atualizando representantes lumio... Empresa: emp-7",
      "INFO: Representantes lumio atualizados. MaxCodAtualizacao: 105",
  };
  EXPECT_EQ(LinhasLog(), linhas);
}

TEST_F(SincronizarRepresentanteTeste, OnlyRowsAboveTheMarkAndNothingWhenUnchanged) {
  Banco.Executar("insert into REPRESENTANTES values (1, 1, 'Antigo', '', 'N', 10)");
  Banco.Executar("insert into REPRESENTANTES values (1, 2, 'Novo', '', 'N', 11)");
  Empresa.MaxCodAtualizacaoRepresentante = 10;

  Lumio1();
  Lumio1();

  auto requisicoes = Lumio.Requisicoes();
  ASSERT_EQ(requisicoes.size(), 1u) << "a known mark is not asked for, an unchanged table not sent";
  EXPECT_EQ(requisicoes[0].Corpo,
            R"([{"empresaId":"emp-7","representanteId":2,"nome":"Novo","email":"","ativo":true,"codAtualizacao":11}])");
  EXPECT_EQ(Empresa.MaxCodAtualizacaoRepresentante, 11);
}

}  // namespace
}  // namespace borvan
