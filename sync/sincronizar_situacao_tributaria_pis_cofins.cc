#include "sync/sincronizar_situacao_tributaria_pis_cofins.h"

#include "cloud/lumio/lumio.h"

namespace borvan {

struct TContribuicaoSituacaoTributaria {
  int32_t TEmpresa::*Marca;
  const char* Tabela;
  const char* TextoAbertura;
  const char* TextoFechamento;
  std::function<std::unique_ptr<TServicoEntidade>()> CriarServico;
  const char* Sql;
  // Column names ("PIS_CODIGO") and member names ("pisCodigo"), built once
  // from the prefixes so that every row reads the same column texts.
  std::string ColunaCodigo, ColunaDescricao, ColunaCst, ColunaModoCalculo, ColunaAliquotaValor;
  std::string MembroCodigo, MembroDescricao, MembroCst, MembroModuloCalculo, MembroAliquotaValor;

  TContribuicaoSituacaoTributaria(int32_t TEmpresa::*AMarca, const char* ATabela,
                                  const char* ATextoAbertura, const char* ATextoFechamento,
                                  std::function<std::unique_ptr<TServicoEntidade>()> ACriarServico,
                                  const char* ASql, const std::string& APrefixoColuna,
                                  const std::string& APrefixoMembro)
      : Marca(AMarca),
        Tabela(ATabela),
        TextoAbertura(ATextoAbertura),
        TextoFechamento(ATextoFechamento),
        CriarServico(std::move(ACriarServico)),
        Sql(ASql),
        ColunaCodigo(APrefixoColuna + "_CODIGO"),
        ColunaDescricao(APrefixoColuna + "_DESCRICAO"),
        ColunaCst(APrefixoColuna + "_CST"),
        ColunaModoCalculo(APrefixoColuna + "_MODO_CALCULO"),
        ColunaAliquotaValor(APrefixoColuna + "_ALIQUOTA_VALOR"),
        MembroCodigo(APrefixoMembro + "Codigo"),
        MembroDescricao(APrefixoMembro + "Descricao"),
        MembroCst(APrefixoMembro + "Cst"),
        // The cloud spells the mode "Modulo".
        MembroModuloCalculo(APrefixoMembro + "ModuloCalculo"),
        MembroAliquotaValor(APrefixoMembro + "AliquotaValor") {}
};

namespace {

const char* const SQL_PIS =
    "      SELECT PIS.PIS_CODIGO,             PIS.PIS_DESCRICAO,             PIS.PIS_CST,"
    "             PIS.PIS_MODO_CALCULO,             PIS.PIS_ALIQUOTA_VALOR,"
    "             PIS.COD_ATUALIZACAO        from SITUACAO_TRIBUTARIA_PIS PIS"
    "       where EMPRESA = :EMPRESA         and COD_ATUALIZACAO > :COD_ATUALIZACAO"
    "    order by EMPRESA, COD_ATUALIZACAO";

const char* const SQL_COFINS =
    "      SELECT COFINS.COFINS_CODIGO,             COFINS.COFINS_DESCRICAO,"
    "             COFINS.COFINS_CST,             COFINS.COFINS_MODO_CALCULO,"
    "             COFINS.COFINS_ALIQUOTA_VALOR,             COFINS.COD_ATUALIZACAO"
    "        from SITUACAO_TRIBUTARIA_COFINS COFINS       where EMPRESA = :EMPRESA"
    "         and COD_ATUALIZACAO > :COD_ATUALIZACAO    order by EMPRESA, COD_ATUALIZACAO";

// PIS logs the same lines as ICMS; only COFINS names itself.
const TContribuicaoSituacaoTributaria& Pis() {
  static const TContribuicaoSituacaoTributaria pis(
      &TEmpresa::MaxCodAtualizacaoSituacaoTributariaPis, "SITUACAO_TRIBUTARIA_PIS",
      "Atualizando situacao tributária Lumio... Empresa: ",
      "Situações tributárias atualizadas. MaxCodAtualizacao: ",
      Servico<TLumioSituacaoTributariaPisService>(), SQL_PIS, "PIS", "pis");
  return pis;
}

const TContribuicaoSituacaoTributaria& Cofins() {
  static const TContribuicaoSituacaoTributaria cofins(
      &TEmpresa::MaxCodAtualizacaoSituacaoTributariaCofins, "SITUACAO_TRIBUTARIA_COFINS",
      "Atualizando situacao tributária cofins Lumio... Empresa: ",
      "Situações tributárias cofins atualizadas. MaxCodAtualizacao: ",
      Servico<TLumioSituacaoTributariaCofinsService>(), SQL_COFINS, "COFINS", "cofins");
  return cofins;
}

}  // namespace

TSincronizarSituacaoTributariaContribuicao::TSincronizarSituacaoTributariaContribuicao(
    TConexao& AConexao, TEmpresa& AEmpresa, TLog& ALog,
    const TContribuicaoSituacaoTributaria& AContribuicao)
    : TSincronizarBase(AConexao, AEmpresa, ALog), FContribuicao(AContribuicao) {}

void TSincronizarSituacaoTributariaContribuicao::ExecutePedidoVenda() {
  const TContribuicaoSituacaoTributaria& c = FContribuicao;
  Executar({
      .Marca = c.Marca,
      .Tabela = c.Tabela,
      .TextoAbertura = c.TextoAbertura,
      .TextoFechamento = c.TextoFechamento,
      .CriarServico = c.CriarServico,
      .Sql = [&c](int32_t) { return std::string(c.Sql); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      .AntesDeEnviar = {},
  });
}

// Code and CST are codes, sent as strings with their leading zeros.
void TSincronizarSituacaoTributariaContribuicao::EnviarPedidoVenda(TLinhaJson& L) {
  const TContribuicaoSituacaoTributaria& c = FContribuicao;
  L.Valor("empresaId", FEmpresa.Id);
  L.Texto(c.MembroCodigo.c_str(), c.ColunaCodigo.c_str());
  L.Texto(c.MembroDescricao.c_str(), c.ColunaDescricao.c_str());
  L.Texto(c.MembroCst.c_str(), c.ColunaCst.c_str());
  L.Texto(c.MembroModuloCalculo.c_str(), c.ColunaModoCalculo.c_str());
  L.Decimal(c.MembroAliquotaValor.c_str(), c.ColunaAliquotaValor.c_str());
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

TSincronizarSituacaoTributariaPis::TSincronizarSituacaoTributariaPis(TConexao& AConexao,
                                                                     TEmpresa& AEmpresa, TLog& ALog)
    : TSincronizarSituacaoTributariaContribuicao(AConexao, AEmpresa, ALog, Pis()) {}

TSincronizarSituacaoTributariaCofins::TSincronizarSituacaoTributariaCofins(TConexao& AConexao,
                                                                           TEmpresa& AEmpresa,
                                                                           TLog& ALog)
    : TSincronizarSituacaoTributariaContribuicao(AConexao, AEmpresa, ALog, Cofins()) {}

}  // namespace borvan
