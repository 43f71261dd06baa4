// The ICMS tax situations' Lumio payload.
#include "sync/sincronizar_situacao_tributaria.h"

#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

class SincronizarSituacaoTributariaTeste : public teste::TSincronizacaoTeste {
 protected:
  SincronizarSituacaoTributariaTeste() {
    Banco.Executar(
        "create table SITUACAO_TRIBUTARIA (EMPRESA smallint not null, ST_CODIGO integer not null,"
        " ST_DESCRICAO varchar(60), TIPO_IMPOSTO char(1), ALIQ_DENTRO numeric(9,2),"
        " ALIQ_FORA numeric(9,2), PERC_REDUCAO numeric(9,4), TIPO_REDUCAO char(1),"
        " TEM_REDUCAO char(1), ICMS_ORIGEM char(1), ICMS_CST char(3), ICMS_MOD_BC smallint,"
        " ICMS_MOD_BC_ST smallint, ICMS_MARGEM_ST numeric(9,4), ICMS_ALIQ_ST numeric(9,2),"
        " ICMS_REDUCAO_BC_ST numeric(9,4), CFOP_DENTRO integer, ICMS_CST_FORA char(3),"
        " ICMS_MOD_BC_FORA smallint, ICMS_MOD_BC_ST_FORA smallint,"
        " ICMS_MARGEM_ST_FORA numeric(9,4), ICMS_ALIQ_ST_FORA numeric(9,2),"
        " ICMS_REDUCAO_BC_ST_FORA numeric(9,4), PERC_REDUCAO_FORA numeric(9,4),"
        " CFOP_FORA varchar(5), INATIVO char(1), COD_ATUALIZACAO integer,"
        " primary key (EMPRESA, ST_CODIGO))");
  }
};

TEST_F(SincronizarSituacaoTributariaTeste, LumioObjectsMemberForMember) {
  struct TCaso {
    const char* Nome;
    const char* Valores;  // the columns in table order, EMPRESA excepted
    const char* Objeto;
  };
  const TCaso casos[] = {
      {"no reduction, active",
       "5, 'Tributada integralmente', 'I', 18.00, 12.00, 0, 'B', 'N', '0', '00', 3, 4, 0, 0, 0,"
       " 5102, '00', 3, 4, 0, 0, 0, 0, '6102', 'N', 301",
       R"({"empresaId":"emp-7","situacaoTributariaId":"5","descricao":"Tributada integralmente","tipoImposto":"I","aliquotaDentroEstado":18,"aliquotaForaEstado":12,"percentualReducao":0,"tipoReducao":"B","temReducao":true,"icmsOrigem":"0","icmsCst":"00","icmsModBc":"3","icmsModBcSt":"4","icmsMargemSt":0,"icmsAliquotaSt":0,"icmsReducaoBcSt":0,"cfopDentroEstado":"5102","icmsCstFora":"00","icmsModBcFora":"3","icmsModBcStFora":"4","icmsMargemStFora":0,"icmsAliquotaStFora":0,"icmsReducaoBcStFora":0,"percentualReducaoFora":0,"cfopForaEstado":"6102","ativo":true,"codAtualizacao":301})"},
      // TEM_REDUCAO "S" goes out as false, like INATIVO.
      {"reduction upper case, inactive lower case",
       "7, 'Com redução de base', 'I', 18, 7.60, 33.33, 'B', 'S', '1', '020', 0, 4, 40.5, 17.5,"
       " 12.5, 5405, '020', 0, 4, 35.25, 12, 1.65, 33.33, '6405', 's', 302",
       R"({"empresaId":"emp-7","situacaoTributariaId":"7","descricao":"Com redução de base","tipoImposto":"I","aliquotaDentroEstado":18,"aliquotaForaEstado":7.6,"percentualReducao":33.33,"tipoReducao":"B","temReducao":false,"icmsOrigem":"1","icmsCst":"020","icmsModBc":"0","icmsModBcSt":"4","icmsMargemSt":40.5,"icmsAliquotaSt":17.5,"icmsReducaoBcSt":12.5,"cfopDentroEstado":"5405","icmsCstFora":"020","icmsModBcFora":"0","icmsModBcStFora":"4","icmsMargemStFora":35.25,"icmsAliquotaStFora":12,"icmsReducaoBcStFora":1.65,"percentualReducaoFora":33.33,"cfopForaEstado":"6405","ativo":false,"codAtualizacao":302})"},
      {"everything null",
       "9, null, null, null, null, null, null, null, null, null, null, null, null, null, null,"
       " null, null, null, null, null, null, null, null, null, null, 303",
       R"({"empresaId":"emp-7","situacaoTributariaId":"9","descricao":"","tipoImposto":"","aliquotaDentroEstado":0,"aliquotaForaEstado":0,"percentualReducao":0,"tipoReducao":"","temReducao":true,"icmsOrigem":"","icmsCst":"","icmsModBc":"","icmsModBcSt":"","icmsMargemSt":0,"icmsAliquotaSt":0,"icmsReducaoBcSt":0,"cfopDentroEstado":"","icmsCstFora":"","icmsModBcFora":"","icmsModBcStFora":"","icmsMargemStFora":0,"icmsAliquotaStFora":0,"icmsReducaoBcStFora":0,"percentualReducaoFora":0,"cfopForaEstado":"","ativo":true,"codAtualizacao":303})"},
      {"reduction lower case, inactive upper case",
       "10, 'Isenta', 'I', 0, 0, 100, 'P', 's', '2', '40', 3, 4, 0, 0, 0, 5102, '41', 3, 4,"
       " 0, 0, 0, 100, '06102', 'S', 304",
       R"({"empresaId":"emp-7","situacaoTributariaId":"10","descricao":"Isenta","tipoImposto":"I","aliquotaDentroEstado":0,"aliquotaForaEstado":0,"percentualReducao":100,"tipoReducao":"P","temReducao":false,"icmsOrigem":"2","icmsCst":"40","icmsModBc":"3","icmsModBcSt":"4","icmsMargemSt":0,"icmsAliquotaSt":0,"icmsReducaoBcSt":0,"cfopDentroEstado":"5102","icmsCstFora":"41","icmsModBcFora":"3","icmsModBcStFora":"4","icmsMargemStFora":0,"icmsAliquotaStFora":0,"icmsReducaoBcStFora":0,"percentualReducaoFora":100,"cfopForaEstado":"06102","ativo":false,"codAtualizacao":304})"},
  };
  const std::string esperado = InserirDoUltimoAoPrimeiro("SITUACAO_TRIBUTARIA", casos);
  Banco.Executar(
      "insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, COD_ATUALIZACAO) values (2, 5, 900)");

  TSincronizarSituacaoTributaria(Conexao, Empresa, Log).ExecutePedidoVenda();

  auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Recurso, "situacoesTributarias");
  EXPECT_EQ(posts[0].Corpo, esperado);
  EXPECT_EQ(Empresa.MaxCodAtualizacaoSituacaoTributaria, 304);
  std::vector<std::string> linhas = {
      "INFO: Atualizando situacao tributária Lumio... Empresa: emp-7",
      "INFO: Situações tributárias atualizadas. MaxCodAtualizacao: 304",
  };
  EXPECT_EQ(LinhasLog(), linhas);
}

}  // namespace
}  // namespace borvan
