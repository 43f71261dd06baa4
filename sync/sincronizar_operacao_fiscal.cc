#include "sync/sincronizar_operacao_fiscal.h"

#include "cloud/lumio/lumio.h"
#include "cloud/quenda/quenda.h"

namespace borvan {
namespace {

const char* const SQL_QUENDA =
    "   select OPF_CODIGO,          INATIVO,          OPF_DESCRICAO,          OPERACAO,"
    "          COD_ATUALIZACAO     from OPERACOES_FISCAIS    where EMPRESA = :EMPRESA"
    "      and COD_ATUALIZACAO > :COD_ATUALIZACAO order by EMPRESA, COD_ATUALIZACAO";

// Only the operations flagged for order entry.
const char* const SQL_LUMIO =
    "   select OPF_CODIGO,          DESCRICAO_NOTA,          SERIE,          TIPO_DOCTO,"
    "          FINALIDADE_NFE,          MENSAGEM,          CFOP,          CFOP_FORA_ESTADO,"
    "          CFOP_FORA_NAO_CONTRIBUINTE,          ST_CODIGO,          PIS_CODIGO,"
    "          COFINS_CODIGO,          IPI_CST,          INATIVO,          OPERACAO,"
    "          COD_ATUALIZACAO     from OPERACOES_FISCAIS    where EMPRESA = :EMPRESA"
    "      and COD_ATUALIZACAO > :COD_ATUALIZACAO      and EH_OPERACAO_LUMIO = 'S' order by"
    " EMPRESA, COD_ATUALIZACAO";

}  // namespace

void TSincronizarOperacaoFiscal::Execute() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoOperacaoFiscal,
      .Tabela = "OPERACOES_FISCAIS",
      .TextoAbertura = "Atualizando operações fiscais... Empresa: ",
      .TextoFechamento = "Operações fiscais atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TQuendaOperacaoFiscalService>(),
      .Sql = [](int32_t) { return std::string(SQL_QUENDA); },
      .Montar = [this](TLinhaJson& ALinha) { Enviar(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarOperacaoFiscal::ExecutePedidoVenda() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoOperacaoFiscal,
      .Tabela = "OPERACOES_FISCAIS",
      .TextoAbertura = "Atualizando operações fiscais lumio... Empresa: ",
      .TextoFechamento = "Operações fiscais atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TLumioOperacaoFiscalService>(),
      .Sql = [](int32_t) { return std::string(SQL_LUMIO); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      .AntesDeEnviar = {},
  });
}

// The operation's code is a code: it goes out as a string to both clouds.
// "descricao" is the operation's own description for Quenda and the one
// printed on the invoice for Lumio.
void TSincronizarOperacaoFiscal::Enviar(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Texto("operacaoFiscalId", "OPF_CODIGO");
  L.FlagNegada("ativo", "INATIVO");
  L.Valor("grupoId", FEmpresa.GrupoId);
  L.Texto("descricao", "OPF_DESCRICAO");
  L.Texto("operacao", "OPERACAO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

void TSincronizarOperacaoFiscal::EnviarPedidoVenda(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Texto("operacaoFiscalId", "OPF_CODIGO");
  L.Texto("descricao", "DESCRICAO_NOTA");
  L.Texto("serie", "SERIE");
  L.Texto("tipoDocumento", "TIPO_DOCTO");
  L.Texto("finalidadeNfe", "FINALIDADE_NFE");
  L.TextoAparado("mensagem", "MENSAGEM");
  L.Texto("cfopEstadual", "CFOP");
  L.Texto("cfopInterestadual", "CFOP_FORA_ESTADO");
  L.Texto("cfopInterestadualNaoContribuinte", "CFOP_FORA_NAO_CONTRIBUINTE");
  L.Texto("cstIpi", "IPI_CST");
  L.FlagNegada("ativo", "INATIVO");
  L.Texto("operacao", "OPERACAO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
  L.Texto("situacaoTributariaStr", "ST_CODIGO");
  L.Texto("situacaoTributariaPisStr", "PIS_CODIGO");
  L.Texto("situacaoTributariaCofinsStr", "COFINS_CODIGO");
}

}  // namespace borvan
