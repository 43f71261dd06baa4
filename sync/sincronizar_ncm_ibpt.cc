#include "sync/sincronizar_ncm_ibpt.h"

#include "cloud/lumio/lumio.h"

namespace borvan {
namespace {

const char* const SQL_LUMIO =
    "   select N.NCM,          N.IBPT_ALIQUOTA_NACIONAL,          N.IBPT_ALIQUOTA_IMPORTACAO,"
    "          N.IBPT_ALIQUOTA_ESTADUAL,          N.IBPT_ALIQUOTA_MUNICIPAL,"
    "          N.COD_ATUALIZACAO     from NCM_IBPT N    where EMPRESA = :EMPRESA"
    "      and COD_ATUALIZACAO > :COD_ATUALIZACAO order by EMPRESA, COD_ATUALIZACAO";

}  // namespace

void TSincronizarNcmIbpt::ExecutePedidoVenda() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoNcmIbpt,
      .Tabela = "NCM_IBPT",
      .TextoAbertura = "Atualizando ncm ibpt Lumio... Empresa: ",
      .TextoFechamento = "Ncm Ibpt atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TLumioNcmIbptService>(),
      .Sql = [](int32_t) { return std::string(SQL_LUMIO); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarNcmIbpt::EnviarPedidoVenda(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  // A code, not a number: leading zeros matter.
  L.Texto("ncm", "NCM");
  L.Decimal("ibptAliquotaNacional", "IBPT_ALIQUOTA_NACIONAL");
  L.Decimal("ibptAliquotaImportacao", "IBPT_ALIQUOTA_IMPORTACAO");
  L.Decimal("ibptAliquotaEstadual", "IBPT_ALIQUOTA_ESTADUAL");
  L.Decimal("ibptAliquotaMunicipal", "IBPT_ALIQUOTA_MUNICIPAL");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

}  // namespace borvan
