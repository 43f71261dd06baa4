#include "sync/sincronizar_produto_unidade_comercial.h"

#include "cloud/lumio/lumio.h"

namespace borvan {
namespace {

const char* const SQL_LUMIO =
    "   select EMPRESA,          PRO_CODIGO,          UNIDADE,          FATOR,"
    "          CODIGO_BARRAS,          PRECO,          PRECO_ANTERIOR,"
    "          VENDER_EM_MULTIPLOS_DE,          PADRAO,          ATIVO,          COD_ATUALIZACAO"
    "     from PRODUTOS_UNIDADES_COMERCIAIS    where EMPRESA = :EMPRESA"
    "      and COD_ATUALIZACAO > :COD_ATUALIZACAO order by EMPRESA, COD_ATUALIZACAO";

}  // namespace

void TSincronizarProdutoUnidadeComercial::ExecutePedidoVenda() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoProdutoUnidadeComercial,
      .Tabela = "PRODUTOS_UNIDADES_COMERCIAIS",
      .TextoAbertura = "Atualizando produtos unidades comerciais lumio... Empresa: ",
      .TextoFechamento = "Produtos unidades comerciais lumio atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TLumioProdutoUnidadeComercialService>(),
      .Sql = [](int32_t) { return std::string(SQL_LUMIO); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarProdutoUnidadeComercial::EnviarPedidoVenda(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  // The cloud wants the product both as a reference and as a plain code.
  int32_t produto = L.LerInteiro("PRO_CODIGO");
  L.Json().IniciarObjeto("produto");
  L.Json().Inteiro("produtoId", produto);
  L.Json().FinalizarObjeto();
  L.Valor("produtoId", produto);
  L.Texto("unidade", "UNIDADE");
  L.Decimal("fator", "FATOR");
  L.Texto("codigoBarras", "CODIGO_BARRAS");
  L.Decimal("preco", "PRECO");
  L.Decimal("precoAnterior", "PRECO_ANTERIOR");
  L.Decimal("venderMultiplosDe", "VENDER_EM_MULTIPLOS_DE");
  L.Flag("padrao", "PADRAO");
  // This table holds the positive flag, so it goes out as it stands.
  L.Flag("ativo", "ATIVO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

}  // namespace borvan
