#include "sync/sincronizar_produto.h"

#include "cloud/lumio/lumio.h"
#include "cloud/quenda/quenda.h"

namespace borvan {
namespace {

const char* const SQL_QUENDA =
    "   select PRO_CODIGO,          INATIVO,          PRO_DESCRICAO,          UNIDADE,"
    "          ESTOQUE_DISPONIVEL,          COD_ATUALIZACAO     from PRODUTOS    where"
    " EMPRESA = :EMPRESA      and COD_ATUALIZACAO > :COD_ATUALIZACAO order by EMPRESA,"
    " COD_ATUALIZACAO";

// DESCTO_MAXIMO and the second ESTOQUE_DISPONIVEL are selected but not sent.
const char* const SQL_LUMIO =
    "   select PRO_CODIGO,          INATIVO,          PRO_DESCRICAO,          UNIDADE,"
    "          ESTOQUE_DISPONIVEL,          CODIGO_BARRAS,          UNIDADE_TRIBUTAVEL,"
    "          CODIGO_BARRAS_TRIBUTAVEL,          PRECO_VENDA,          TIPO,          NCM,"
    "          CEST,          DESCTO_MAXIMO,          ESTOQUE_DISPONIVEL,"
    "          COMERCIALIZAVEL,          ST_CODIGO,          PIS_CODIGO,"
    "          COFINS_CODIGO,          COD_ATUALIZACAO     from PRODUTOS    where EMPRESA ="
    " :EMPRESA      and COD_ATUALIZACAO > :COD_ATUALIZACAO order by EMPRESA, COD_ATUALIZACAO";

}  // namespace

const char* TSincronizarProduto::SqlPedidoVenda() { return SQL_LUMIO; }

void TSincronizarProduto::Execute() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoProduto,
      .Tabela = "PRODUTOS",
      .TextoAbertura = "Atualizando produtos... Empresa: ",
      .TextoFechamento = "Produtos atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TQuendaProdutoService>(),
      .Sql = [](int32_t) { return std::string(SQL_QUENDA); },
      .Montar = [this](TLinhaJson& ALinha) { Enviar(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarProduto::ExecutePedidoVenda() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoProduto,
      .Tabela = "PRODUTOS",
      .TextoAbertura = "Atualizando produtos lumio... Empresa: ",
      .TextoFechamento = "Produtos lumio atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TLumioProdutoService>(),
      .Sql = [](int32_t) { return std::string(SQL_LUMIO); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      // Every batch, exactly as it is posted, goes to the log first.
      .AntesDeEnviar = [this](const TJsonEscritor& ALote) { FLog.Info(ALote.Conteudo()); },
  });
}

void TSincronizarProduto::Enviar(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Inteiro("produtoId", "PRO_CODIGO");
  L.FlagNegada("ativo", "INATIVO");
  L.Valor("grupoId", FEmpresa.GrupoId);
  L.Texto("descricao", "PRO_DESCRICAO");
  L.Texto("unidade", "UNIDADE");
  L.Decimal("estoque", "ESTOQUE_DISPONIVEL");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

void TSincronizarProduto::EnviarPedidoVenda(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Inteiro("produtoId", "PRO_CODIGO");
  L.Texto("descricao", "PRO_DESCRICAO");
  L.Texto("unidade", "UNIDADE");
  L.Decimal("precoVenda", "PRECO_VENDA");
  L.Decimal("estoqueDisponivel", "ESTOQUE_DISPONIVEL");
  L.Texto("codigoBarras", "CODIGO_BARRAS");
  L.Texto("unidadeMedidaTributavel", "UNIDADE_TRIBUTAVEL");
  L.Texto("codigoBarrasTributavel", "CODIGO_BARRAS_TRIBUTAVEL");
  L.Texto("tipo", "TIPO");
  L.Texto("cest", "CEST");
  L.Flag("comercializavel", "COMERCIALIZAVEL");
  L.Texto("situacaoTributariaStr", "ST_CODIGO");
  L.Texto("situacaoTributariaPisStr", "PIS_CODIGO");
  L.Texto("situacaoTributariaCofinsStr", "COFINS_CODIGO");
  L.FlagNegada("ativo", "INATIVO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
  // A product without NCM has no "ncm" member at all.
  std::string ncm = L.LerTexto("NCM");
  if (!ncm.empty()) {
    L.Json().IniciarObjeto("ncm");
    L.Json().Texto("codigo", ncm);
    L.Json().FinalizarObjeto();
  }
}

}  // namespace borvan
