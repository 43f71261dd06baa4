#include "sync/sincronizar_forma_pagamento.h"

#include "cloud/lumio/lumio.h"
#include "cloud/quenda/quenda.h"

namespace borvan {
namespace {

const char* const SQL_QUENDA =
    "   select FP_CODIGO,          INATIVO,          FP_DESCRICAO,          COD_ATUALIZACAO"
    "     from FORMAS_PAGTO    where EMPRESA = :EMPRESA      and COD_ATUALIZACAO >"
    " :COD_ATUALIZACAO order by EMPRESA, COD_ATUALIZACAO";

// Lumio never gets the methods with ONDE_LANCAR 'CC', nor (the comparison
// with null being unknown) those without one.
const char* const SQL_LUMIO =
    "   select FP_CODIGO,          FP_DESCRICAO,          ONDE_LANCAR,"
    "          DOC_FISCAL_COD_FORMA_PAGTO,          INATIVO,          ORDEM,"
    "          COD_ATUALIZACAO     from FORMAS_PAGTO    where EMPRESA = :EMPRESA      and"
    " COD_ATUALIZACAO > :COD_ATUALIZACAO      and ONDE_LANCAR <> 'CC' order by EMPRESA,"
    " COD_ATUALIZACAO";

}  // namespace

void TSincronizarFormaPagamento::Execute() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoFormaPagamento,
      .Tabela = "FORMAS_PAGTO",
      .TextoAbertura = "Atualizando formas de pagamento... Empresa: ",
      .TextoFechamento = "Formas de pagamento atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TQuendaFormaPagamentoService>(),
      .Sql = [](int32_t) { return std::string(SQL_QUENDA); },
      .Montar = [this](TLinhaJson& ALinha) { Enviar(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarFormaPagamento::ExecutePedidoVenda() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoFormaPagamento,
      .Tabela = "FORMAS_PAGTO",
      .TextoAbertura = "Atualizando formas de pagamento lumio... Empresa: ",
      .TextoFechamento = "Formas de pagamento atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TLumioFormaPagamentoService>(),
      .Sql = [](int32_t) { return std::string(SQL_LUMIO); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      .AntesDeEnviar = {},
  });
}

// The method's code is a code: it goes out as a string to both clouds.
void TSincronizarFormaPagamento::Enviar(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Texto("formaPagamentoId", "FP_CODIGO");
  L.FlagNegada("ativo", "INATIVO");
  L.Valor("grupoId", FEmpresa.GrupoId);
  L.Texto("descricao", "FP_DESCRICAO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

void TSincronizarFormaPagamento::EnviarPedidoVenda(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Texto("formaPagamentoId", "FP_CODIGO");
  L.Texto("descricao", "FP_DESCRICAO");
  L.Texto("ondeLancar", "ONDE_LANCAR");
  L.Texto("codDocumentoFiscal", "DOC_FISCAL_COD_FORMA_PAGTO");
  L.Decimal("ordem", "ORDEM");
  L.FlagNegada("ativo", "INATIVO");
  // Lumio companies have no group: the member goes out empty.
  L.Valor("grupoId", FEmpresa.GrupoId);
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

}  // namespace borvan
