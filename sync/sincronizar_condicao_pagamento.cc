#include "sync/sincronizar_condicao_pagamento.h"

#include "cloud/lumio/lumio.h"
#include "cloud/quenda/quenda.h"

namespace borvan {
namespace {

const char* const SQL_QUENDA =
    "   select CP_CODIGO,          INATIVO,          CP_DESCRICAO,          NRO_PARCELAS,"
    "          COD_ATUALIZACAO     from CONDICOES_PAGTO    where EMPRESA = :EMPRESA      and"
    " COD_ATUALIZACAO > :COD_ATUALIZACAO order by EMPRESA, COD_ATUALIZACAO";

const char* const SQL_LUMIO =
    "   select CP_CODIGO,          CP_DESCRICAO,          INATIVO,          NRO_PARCELAS,"
    "          DIAS_PARCELA1,          DIAS_INTERVALO,          VEN_FP_ENTRADA,"
    "          VEN_FP_DEMAIS,          COD_ATUALIZACAO     from CONDICOES_PAGTO    where"
    " EMPRESA = :EMPRESA      and COD_ATUALIZACAO > :COD_ATUALIZACAO order by EMPRESA,"
    " COD_ATUALIZACAO";

// The column's number as it stands, unquoted; a null one is 0, since an
// empty value would leave the member without one and break the body.
void NumeroOuZero(TLinhaJson& L, const char* AMembro, const char* AColuna) {
  std::string numero = L.LerTexto(AColuna);
  L.Json().NumeroTexto(AMembro, numero.empty() ? "0" : numero);
}

}  // namespace

void TSincronizarCondicaoPagamento::Execute() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoCondicaoPagamento,
      .Tabela = "CONDICOES_PAGTO",
      .TextoAbertura = "Atualizando condições de pagamento... Empresa: ",
      .TextoFechamento = "Condições de pagamento atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TQuendaCondicaoPagamentoService>(),
      .Sql = [](int32_t) { return std::string(SQL_QUENDA); },
      .Montar = [this](TLinhaJson& ALinha) { Enviar(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarCondicaoPagamento::ExecutePedidoVenda() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoCondicaoPagamento,
      .Tabela = "CONDICOES_PAGTO",
      .TextoAbertura = "Atualizando condições de pagamento lumio... Empresa: ",
      .TextoFechamento = "Condições de pagamento lumio atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TLumioCondicaoPagamentoService>(),
      .Sql = [](int32_t) { return std::string(SQL_LUMIO); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarCondicaoPagamento::Enviar(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Inteiro("condicaoPagamentoId", "CP_CODIGO");
  L.FlagNegada("ativo", "INATIVO");
  L.Valor("grupoId", FEmpresa.GrupoId);
  L.Texto("descricao", "CP_DESCRICAO");
  NumeroOuZero(L, "qtdeParcelas", "NRO_PARCELAS");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

void TSincronizarCondicaoPagamento::EnviarPedidoVenda(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Inteiro("condicaoPagamentoId", "CP_CODIGO");
  L.Texto("descricao", "CP_DESCRICAO");
  NumeroOuZero(L, "qtdeParcelas", "NRO_PARCELAS");
  NumeroOuZero(L, "diasParcelaEntrada", "DIAS_PARCELA1");
  NumeroOuZero(L, "diasParcelaIntervalo", "DIAS_INTERVALO");
  L.FlagNegada("ativo", "INATIVO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
  L.Texto("formaPagamentoEntradaStr", "VEN_FP_ENTRADA");
  L.Texto("formaPagamentoParcelasStr", "VEN_FP_DEMAIS");
}

}  // namespace borvan
