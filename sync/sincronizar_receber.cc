#include "sync/sincronizar_receber.h"

#include "cloud/quenda/quenda.h"

namespace borvan {
namespace {

// Head and tail around the row condition; the limit is part of the text,
// so COD_ATUALIZACAO is not a parameter here.
const char* const SQL_CABECA =
    "   select CR.TITULO,          CR.PARCELA,          CR.TT_CODIGO,          CR.VALOR,"
    "          CR.VENCIMENTO,          CR.VALOR_PAGO,          CR.DATA_PAGTO,"
    "          CR.JURO_DESCTO_COBRADO,          CR.EMISSAO,          CR.LANCTO,"
    "          CR.STATUS,          CR.COD_ATUALIZACAO,          CLI.CLI_CODIGO     from"
    " CONTAS_RECEBER CR     join CLIENTES CLI       on CLI.EMPRESA = CR.EMPRESA      and"
    " CLI.CLI_CODIGO = CR.CLI_CODIGO    where CR.EMPRESA = :EMPRESA      and ";

const char* const SQL_CAUDA = " order by CR.EMPRESA, CR.COD_ATUALIZACAO";

}  // namespace

std::string TSincronizarReceber::Filtro(int32_t AMarca) {
  if (AMarca != 0) return "CR.COD_ATUALIZACAO > " + std::to_string(AMarca);
  // First load: what fell due since 1 January three years back, and
  // everything still open whatever its due date.
  return "(CR.VENCIMENTO >= " + FormatarDataSql(InicioPrimeiraCarga()) +
         " or CR.DATA_PAGTO is null)";
}

void TSincronizarReceber::Execute() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoReceber,
      .Tabela = "CONTAS_RECEBER",
      .TextoAbertura = "Atualizando contas receber... Empresa: ",
      .TextoFechamento = "Contas a receber atualizadas. MaxCodAtualizacao: ",
      .CriarServico = Servico<TQuendaReceberService>(),
      .Sql = [](int32_t AMarca) { return SQL_CABECA + Filtro(AMarca) + SQL_CAUDA; },
      .Montar = [this](TLinhaJson& ALinha) { Enviar(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarReceber::Enviar(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Inteiro("receberId", "LANCTO");
  L.Valor("grupoId", FEmpresa.GrupoId);
  L.Inteiro("titulo", "TITULO");
  L.Inteiro("parcela", "PARCELA");
  // Quenda expects the backslashes of the title type doubled.
  L.Valor("tipoTitulo", DuplicarBarras(L.LerTexto("TT_CODIGO")));
  L.Inteiro("clienteId", "CLI_CODIGO");
  L.Data("emissao", "EMISSAO");
  L.Decimal("valor", "VALOR");
  L.Data("vencimento", "VENCIMENTO");
  L.Decimal("valorPago", "VALOR_PAGO");
  L.Data("dataPagto", "DATA_PAGTO");
  L.Decimal("juroOuDesconto", "JURO_DESCTO_COBRADO");
  L.Inteiro("status", "STATUS");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

}  // namespace borvan
