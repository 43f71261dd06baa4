#include "sync/sincronizar_situacao_tributaria.h"

#include "cloud/lumio/lumio.h"

namespace borvan {
namespace {

const char* const SQL_LUMIO =
    "    SELECT ST.ST_CODIGO,           ST.ST_DESCRICAO,           ST.TIPO_IMPOSTO,"
    "           ST.ALIQ_DENTRO,           ST.ALIQ_FORA,           ST.PERC_REDUCAO,"
    "           ST.TIPO_REDUCAO,           ST.TEM_REDUCAO,           ST.ICMS_ORIGEM,"
    "           ST.ICMS_CST,           ST.ICMS_MOD_BC,           ST.ICMS_MOD_BC_ST,"
    "           ST.ICMS_MARGEM_ST,           ST.ICMS_ALIQ_ST,           ST.ICMS_REDUCAO_BC_ST,"
    "           ST.CFOP_DENTRO,           ST.ICMS_CST_FORA,           ST.ICMS_MOD_BC_FORA,"
    "           ST.ICMS_MOD_BC_ST_FORA,           ST.ICMS_MARGEM_ST_FORA,"
    "           ST.ICMS_ALIQ_ST_FORA,           ST.ICMS_REDUCAO_BC_ST_FORA,"
    "           ST.PERC_REDUCAO_FORA,           ST.CFOP_FORA,           ST.INATIVO,"
    "           ST.COD_ATUALIZACAO      from SITUACAO_TRIBUTARIA ST"
    "     where EMPRESA = :EMPRESA       and COD_ATUALIZACAO > :COD_ATUALIZACAO"
    "  order by EMPRESA, COD_ATUALIZACAO";

}  // namespace

void TSincronizarSituacaoTributaria::ExecutePedidoVenda() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoSituacaoTributaria,
      .Tabela = "SITUACAO_TRIBUTARIA",
      .TextoAbertura = "Atualizando situacao tributária Lumio... Empresa: ",
      .TextoFechamento = "Situações tributárias atualizadas. MaxCodAtualizacao: ",
      .CriarServico = Servico<TLumioSituacaoTributariaService>(),
      .Sql = [](int32_t) { return std::string(SQL_LUMIO); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      .AntesDeEnviar = {},
  });
}

// The code, CST, mode and CFOP columns are codes, sent as strings.
void TSincronizarSituacaoTributaria::EnviarPedidoVenda(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Texto("situacaoTributariaId", "ST_CODIGO");
  L.Texto("descricao", "ST_DESCRICAO");
  L.Texto("tipoImposto", "TIPO_IMPOSTO");
  L.Decimal("aliquotaDentroEstado", "ALIQ_DENTRO");
  L.Decimal("aliquotaForaEstado", "ALIQ_FORA");
  L.Decimal("percentualReducao", "PERC_REDUCAO");
  L.Texto("tipoReducao", "TIPO_REDUCAO");
  // The cloud reads this flag inverted, like "ativo" from INATIVO.
  L.FlagNegada("temReducao", "TEM_REDUCAO");
  L.Texto("icmsOrigem", "ICMS_ORIGEM");
  L.Texto("icmsCst", "ICMS_CST");
  L.Texto("icmsModBc", "ICMS_MOD_BC");
  L.Texto("icmsModBcSt", "ICMS_MOD_BC_ST");
  L.Decimal("icmsMargemSt", "ICMS_MARGEM_ST");
  L.Decimal("icmsAliquotaSt", "ICMS_ALIQ_ST");
  L.Decimal("icmsReducaoBcSt", "ICMS_REDUCAO_BC_ST");
  L.Texto("cfopDentroEstado", "CFOP_DENTRO");
  L.Texto("icmsCstFora", "ICMS_CST_FORA");
  L.Texto("icmsModBcFora", "ICMS_MOD_BC_FORA");
  L.Texto("icmsModBcStFora", "ICMS_MOD_BC_ST_FORA");
  L.Decimal("icmsMargemStFora", "ICMS_MARGEM_ST_FORA");
  L.Decimal("icmsAliquotaStFora", "ICMS_ALIQ_ST_FORA");
  L.Decimal("icmsReducaoBcStFora", "ICMS_REDUCAO_BC_ST_FORA");
  L.Decimal("percentualReducaoFora", "PERC_REDUCAO_FORA");
  L.Texto("cfopForaEstado", "CFOP_FORA");
  L.FlagNegada("ativo", "INATIVO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

}  // namespace borvan
