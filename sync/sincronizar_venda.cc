#include "sync/sincronizar_venda.h"

#include "cloud/quenda/quenda.h"

namespace borvan {
namespace {

// Head and tail around the row condition; the limit is part of the text,
// so COD_ATUALIZACAO is not a parameter here.
const char* const SQL_CABECA =
    "   select NFS,          OPF_CODIGO,          CP_CODIGO,          DT_EMISSAO,"
    "          TOTAL_NOTA,          COD_ATUALIZACAO     from NF_SAIDA    where EMPRESA ="
    " :EMPRESA      and ";

const char* const SQL_CAUDA = " order by EMPRESA, COD_ATUALIZACAO";

// Only these invoices are sales for Quenda.
const char* const SQL_VENDAS_VALIDAS = " and CP_CODIGO is not null and STATUS = 2";

}  // namespace

std::string TSincronizarVenda::SqlMaxCodigoAtualizacao(const std::string& ATabela) {
  return TSincronizarBase::SqlMaxCodigoAtualizacao(ATabela) + SQL_VENDAS_VALIDAS;
}

std::string TSincronizarVenda::Filtro(int32_t AMarca) {
  std::string filtro;
  if (AMarca != 0) {
    filtro = "COD_ATUALIZACAO > " + std::to_string(AMarca);
  } else {
    // First load: the invoices issued since 1 January three years back.
    filtro = "DT_EMISSAO >= " + FormatarDataSql(InicioPrimeiraCarga());
  }
  return filtro + " and CP_CODIGO is not null" + " and STATUS = 2";
}

void TSincronizarVenda::Execute() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoVenda,
      .Tabela = "NF_SAIDA",
      .TextoAbertura = "Atualizando vendas... Empresa: ",
      .TextoFechamento = "Vendas atualizadas. MaxCodAtualizacao: ",
      .CriarServico = Servico<TQuendaVendaService>(),
      .Sql = [](int32_t AMarca) { return SQL_CABECA + Filtro(AMarca) + SQL_CAUDA; },
      .Montar = [this](TLinhaJson& ALinha) { Enviar(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarVenda::Enviar(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Inteiro("vendaId", "NFS");
  // The fiscal-operation code is a code, not a number, even when all digits.
  L.Texto("operacaoFiscalId", "OPF_CODIGO");
  L.Inteiro("condicaoPagamentoId", "CP_CODIGO");
  L.Valor("grupoId", FEmpresa.GrupoId);
  L.Data("emissao", "DT_EMISSAO");
  L.Decimal("valor", "TOTAL_NOTA");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

}  // namespace borvan
