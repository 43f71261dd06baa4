// Rows the back-office should not have written, through every synchronizer
// and the real clients: null columns, hostile texts, extreme update codes
// and company numbers beyond the 16-bit parameter. Every body that goes out
// is valid JSON; nothing goes out under another company.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/erros.h"
#include "support/utilidades.h"
#include "sync/sincronizar_cliente.h"
#include "sync/sincronizar_condicao_pagamento.h"
#include "sync/sincronizar_forma_pagamento.h"
#include "sync/sincronizar_ncm_ibpt.h"
#include "sync/sincronizar_opcao.h"
#include "sync/sincronizar_operacao_fiscal.h"
#include "sync/sincronizar_produto.h"
#include "sync/sincronizar_produto_unidade_comercial.h"
#include "sync/sincronizar_receber.h"
#include "sync/sincronizar_representante.h"
#include "sync/sincronizar_situacao_tributaria.h"
#include "sync/sincronizar_situacao_tributaria_pis_cofins.h"
#include "sync/sincronizar_venda.h"
#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

// The tables without keys or NOT NULL, so that every column can be null.
const char* const TABELAS[] = {
    "create table CLIENTES (EMPRESA smallint, CLI_CODIGO integer, INATIVO char(1), CLI_NOME varchar(60),"
    " NOME_FANTASIA varchar(60), ENDERECO varchar(60), NUMERO varchar(10), COMPLEMENTO varchar(30),"
    " BAIRRO varchar(40), CEP char(9), PESSOA char(1), CPF_CNPJ varchar(18), RG_IE varchar(20),"
    " INSC_ESTADUAL varchar(20), FONE varchar(20), CELULAR varchar(20), LIMITE_CREDITO numeric(15,4),"
    " DT_CADASTRO date, DATA_ULT_COMPRA timestamp, VALOR_ULT_COMPRA numeric(15,4), REP_CODIGO integer,"
    " INDICADOR_PRESENCA smallint, CID_CODIGO integer, OBSERVACAO varchar(500), COD_ATUALIZACAO integer)",
    "create table CLIENTES_EMAIL (EMPRESA smallint, CLI_CODIGO integer, EMAIL varchar(100))",
    "create table CONTAS_RECEBER (EMPRESA smallint, LANCTO integer, TITULO integer, PARCELA smallint,"
    " TT_CODIGO varchar(5), CLI_CODIGO integer, EMISSAO date, VALOR numeric(15,2), VENCIMENTO date,"
    " VALOR_PAGO numeric(15,2), DATA_PAGTO date, JURO_DESCTO_COBRADO numeric(15,2), STATUS smallint,"
    " COD_ATUALIZACAO integer)",
    "create table NF_SAIDA (EMPRESA smallint, NFS integer, OPF_CODIGO varchar(6), CP_CODIGO integer,"
    " DT_EMISSAO timestamp, TOTAL_NOTA numeric(15,2), STATUS smallint, COD_ATUALIZACAO integer)",
    "create table PRODUTOS (EMPRESA smallint, PRO_CODIGO integer, INATIVO char(1), PRO_DESCRICAO varchar(120),"
    " UNIDADE char(3), ESTOQUE_DISPONIVEL numeric(15,4), CODIGO_BARRAS varchar(14), UNIDADE_TRIBUTAVEL char(3),"
    " CODIGO_BARRAS_TRIBUTAVEL varchar(14), PRECO_VENDA numeric(15,4), TIPO char(2), NCM char(8),"
    " CEST varchar(7), DESCTO_MAXIMO numeric(9,2), COMERCIALIZAVEL char(1), ST_CODIGO varchar(3),"
    " PIS_CODIGO varchar(2), COFINS_CODIGO varchar(2), COD_ATUALIZACAO integer)",
    "create table PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA smallint, PRO_CODIGO integer, UNIDADE varchar(6),"
    " FATOR numeric(15,4), CODIGO_BARRAS varchar(14), PRECO numeric(15,2), PRECO_ANTERIOR numeric(15,2),"
    " VENDER_EM_MULTIPLOS_DE numeric(15,3), PADRAO char(1), ATIVO char(1), COD_ATUALIZACAO integer)",
    "create table CONDICOES_PAGTO (EMPRESA smallint, CP_CODIGO integer, INATIVO char(1),"
    " CP_DESCRICAO varchar(60), NRO_PARCELAS smallint, DIAS_PARCELA1 smallint, DIAS_INTERVALO smallint,"
    " VEN_FP_ENTRADA varchar(3), VEN_FP_DEMAIS varchar(3), COD_ATUALIZACAO integer)",
    "create table FORMAS_PAGTO (EMPRESA smallint, FP_CODIGO varchar(3), INATIVO char(1),"
    " FP_DESCRICAO varchar(40), ONDE_LANCAR char(2), DOC_FISCAL_COD_FORMA_PAGTO varchar(2),"
    " ORDEM numeric(9,2), COD_ATUALIZACAO integer)",
    // DESCRICAO_NOTA holds the longest VARCHAR a UTF8 column can: 8191
    // characters, 32764 bytes of 4-byte characters.
    "create table OPERACOES_FISCAIS (EMPRESA smallint, OPF_CODIGO varchar(6), INATIVO char(1),"
    " OPF_DESCRICAO varchar(60), DESCRICAO_NOTA varchar(8191), OPERACAO char(1), SERIE varchar(3),"
    " TIPO_DOCTO varchar(2), FINALIDADE_NFE char(1), MENSAGEM blob sub_type text, CFOP varchar(5),"
    " CFOP_FORA_ESTADO varchar(5), CFOP_FORA_NAO_CONTRIBUINTE varchar(5), IPI_CST varchar(2),"
    " ST_CODIGO varchar(3), PIS_CODIGO varchar(2), COFINS_CODIGO varchar(2), EH_OPERACAO_LUMIO char(1),"
    " COD_ATUALIZACAO integer)",
    "create table REPRESENTANTES (EMPRESA smallint, REP_CODIGO integer, REP_NOME varchar(60),"
    " EMAIL varchar(100), INATIVO char(1), COD_ATUALIZACAO integer)",
    "create table SITUACAO_TRIBUTARIA (EMPRESA smallint, ST_CODIGO integer, ST_DESCRICAO varchar(60),"
    " TIPO_IMPOSTO char(1), ALIQ_DENTRO numeric(9,2), ALIQ_FORA numeric(9,2), PERC_REDUCAO numeric(9,4),"
    " TIPO_REDUCAO char(1), TEM_REDUCAO char(1), ICMS_ORIGEM char(1), ICMS_CST char(3), ICMS_MOD_BC smallint,"
    " ICMS_MOD_BC_ST smallint, ICMS_MARGEM_ST numeric(9,4), ICMS_ALIQ_ST numeric(9,2),"
    " ICMS_REDUCAO_BC_ST numeric(9,4), CFOP_DENTRO integer, ICMS_CST_FORA char(3), ICMS_MOD_BC_FORA smallint,"
    " ICMS_MOD_BC_ST_FORA smallint, ICMS_MARGEM_ST_FORA numeric(9,4), ICMS_ALIQ_ST_FORA numeric(9,2),"
    " ICMS_REDUCAO_BC_ST_FORA numeric(9,4), PERC_REDUCAO_FORA numeric(9,4), CFOP_FORA varchar(5),"
    " INATIVO char(1), COD_ATUALIZACAO integer)",
    "create table SITUACAO_TRIBUTARIA_PIS (EMPRESA smallint, PIS_CODIGO integer, PIS_DESCRICAO varchar(60),"
    " PIS_CST char(2), PIS_MODO_CALCULO char(1), PIS_ALIQUOTA_VALOR numeric(15,4), COD_ATUALIZACAO integer)",
    "create table SITUACAO_TRIBUTARIA_COFINS (EMPRESA smallint, COFINS_CODIGO integer,"
    " COFINS_DESCRICAO varchar(60), COFINS_CST char(2), COFINS_MODO_CALCULO char(1),"
    " COFINS_ALIQUOTA_VALOR numeric(15,4), COD_ATUALIZACAO integer)",
    "create table NCM_IBPT (EMPRESA smallint, NCM varchar(10), IBPT_ALIQUOTA_NACIONAL numeric(7,2),"
    " IBPT_ALIQUOTA_IMPORTACAO numeric(7,2), IBPT_ALIQUOTA_ESTADUAL numeric(7,2),"
    " IBPT_ALIQUOTA_MUNICIPAL numeric(7,2), COD_ATUALIZACAO integer)",
    "create table OPCOES (EMPRESA smallint, CLI_COD_CONSUMIDOR integer, VEN_FP_ENTRADA integer,"
    " VEN_FP_DEMAIS integer)",
};

const char* const NOMES_TABELAS[] = {
    "CLIENTES", "CLIENTES_EMAIL", "CONTAS_RECEBER", "NF_SAIDA", "PRODUTOS", "PRODUTOS_UNIDADES_COMERCIAIS",
    "CONDICOES_PAGTO", "FORMAS_PAGTO", "OPERACOES_FISCAIS", "REPRESENTANTES", "SITUACAO_TRIBUTARIA",
    "SITUACAO_TRIBUTARIA_PIS", "SITUACAO_TRIBUTARIA_COFINS", "NCM_IBPT", "OPCOES",
};

using TRodar = std::function<void(TConexao&, TEmpresa&, TLog&)>;

template <class TSincronizador>
TRodar RodarQuenda() {
  return [](TConexao& C, TEmpresa& E, TLog& L) { TSincronizador(C, E, L).Execute(); };
}
template <class TSincronizador>
TRodar RodarLumio() {
  return [](TConexao& C, TEmpresa& E, TLog& L) { TSincronizador(C, E, L).ExecutePedidoVenda(); };
}

struct TCaminho {
  const char* Nome;
  bool EhLumio;
  TRodar Rodar;
  int32_t TEmpresa::*Marca;  // nullptr for the options
  // The rows: company 1, update code 10, every other column null except
  // those a statement's own filter or join needs to select the row.
  std::vector<std::string> Linhas;
  const char* Objeto;  // the one object expected, exactly
};

class EntradaInvalidaTeste : public teste::TSincronizacaoTeste {
 protected:
  EntradaInvalidaTeste() {
    for (const char* ddl : TABELAS) Banco.Executar(ddl);
  }

  void Esvaziar() {
    Conexao.Fechar();
    for (const char* tabela : NOMES_TABELAS) Banco.Executar(std::string("delete from ") + tabela);
    Quenda.Limpar();
    Lumio.Limpar();
  }

  // The bodies posted, each checked to be JSON that nlohmann reads.
  static std::vector<nlohmann::json> Corpos(const std::vector<teste::TRequisicaoRecebida>& APosts) {
    std::vector<nlohmann::json> corpos;
    for (const auto& post : APosts) {
      EXPECT_TRUE(nlohmann::json::accept(post.Corpo)) << post.Corpo.substr(0, 300);
      corpos.push_back(nlohmann::json::parse(post.Corpo, nullptr, false));
    }
    return corpos;
  }

  void Representantes(const std::vector<std::string>& ACodigos) {
    for (size_t i = 0; i < ACodigos.size(); ++i) {
      Banco.Executar("insert into REPRESENTANTES (EMPRESA, REP_CODIGO, COD_ATUALIZACAO) values (1, " +
                     std::to_string(i + 1) + ", " + ACodigos[i] + ")");
    }
  }
  void Representantes1() { TSincronizarRepresentante(Conexao, Empresa, Log).ExecutePedidoVenda(); }
  std::vector<int> CodigosPostados() {
    std::vector<int> codigos;
    for (const auto& lote : Lotes(Filtrar(Lumio, "POST"))) codigos.insert(codigos.end(), lote.begin(), lote.end());
    return codigos;
  }
};

// ---- every column null ----------------------------------------------------

TEST_F(EntradaInvalidaTeste, EveryColumnNullGivesValidJsonWithTheNullValuesOfEachKind) {

  const auto so = [](const char* ATabela) {
    return std::string("insert into ") + ATabela + " (EMPRESA, COD_ATUALIZACAO) values (1, 10)";
  };
  const TCaminho caminhos[] = {
      {"Cliente Quenda", false, RodarQuenda<TSincronizarCliente>(), &TEmpresa::MaxCodAtualizacaoCliente,
       {so("CLIENTES")},
       R"({"empresaId":"emp-7","clienteId":0,"ativo":true,"grupoId":"grupo-3","nome":"","fantasia":"","cidadeId":0,"dataCadastro":"1899-12-30","codAtualizacao":10})"},
      {"Cliente Lumio", true, RodarLumio<TSincronizarCliente>(), &TEmpresa::MaxCodAtualizacaoCliente,
       {so("CLIENTES"), "insert into CLIENTES_EMAIL (EMPRESA) values (1)"},
       R"({"empresaId":"emp-7","clienteId":0,"nome":"","fantasia":"","endereco":"","numero":"","complemento":"","bairro":"","cep":"","pessoa":"","cpfCnpj":"","rgIE":"","inscricaoEstadual":"","telefone":"","celular":"","email":"","limiteCredito":0,"dataUltimaCompra":"1899-12-30","valorUltimaCompra":0,"representanteId":0,"ativo":true,"indicadorPresenca":0,"observacao":"","codAtualizacao":10})"},
      // The customer join needs a customer code.
      {"Receber", false, RodarQuenda<TSincronizarReceber>(), &TEmpresa::MaxCodAtualizacaoReceber,
       {"insert into CONTAS_RECEBER (EMPRESA, CLI_CODIGO, COD_ATUALIZACAO) values (1, 5, 10)",
        "insert into CLIENTES (EMPRESA, CLI_CODIGO) values (1, 5)"},
       R"({"empresaId":"emp-7","receberId":0,"grupoId":"grupo-3","titulo":0,"parcela":0,"tipoTitulo":"","clienteId":5,"emissao":"1899-12-30","valor":0,"vencimento":"1899-12-30","valorPago":0,"dataPagto":"1899-12-30","juroOuDesconto":0,"status":0,"codAtualizacao":10})"},
      // Only invoices with a payment term and status 2 are sales.
      {"Venda", false, RodarQuenda<TSincronizarVenda>(), &TEmpresa::MaxCodAtualizacaoVenda,
       {"insert into NF_SAIDA (EMPRESA, CP_CODIGO, STATUS, COD_ATUALIZACAO) values (1, 3, 2, 10)"},
       R"({"empresaId":"emp-7","vendaId":0,"operacaoFiscalId":"","condicaoPagamentoId":3,"grupoId":"grupo-3","emissao":"1899-12-30","valor":0,"codAtualizacao":10})"},
      {"Produto Quenda", false, RodarQuenda<TSincronizarProduto>(), &TEmpresa::MaxCodAtualizacaoProduto,
       {so("PRODUTOS")},
       R"({"empresaId":"emp-7","produtoId":0,"ativo":true,"grupoId":"grupo-3","descricao":"","unidade":"","estoque":0,"codAtualizacao":10})"},
      {"Produto Lumio", true, RodarLumio<TSincronizarProduto>(), &TEmpresa::MaxCodAtualizacaoProduto,
       {so("PRODUTOS")},
       R"({"empresaId":"emp-7","produtoId":0,"descricao":"","unidade":"","precoVenda":0,"estoqueDisponivel":0,"codigoBarras":"","unidadeMedidaTributavel":"","codigoBarrasTributavel":"","tipo":"","cest":"","comercializavel":false,"situacaoTributariaStr":"","situacaoTributariaPisStr":"","situacaoTributariaCofinsStr":"","ativo":true,"codAtualizacao":10})"},
      {"Unidade comercial", true, RodarLumio<TSincronizarProdutoUnidadeComercial>(),
       &TEmpresa::MaxCodAtualizacaoProdutoUnidadeComercial, {so("PRODUTOS_UNIDADES_COMERCIAIS")},
       R"({"empresaId":"emp-7","produto":{"produtoId":0},"produtoId":0,"unidade":"","fator":0,"codigoBarras":"","preco":0,"precoAnterior":0,"venderMultiplosDe":0,"padrao":false,"ativo":false,"codAtualizacao":10})"},
      {"Condicao Quenda", false, RodarQuenda<TSincronizarCondicaoPagamento>(),
       &TEmpresa::MaxCodAtualizacaoCondicaoPagamento, {so("CONDICOES_PAGTO")},
       R"({"empresaId":"emp-7","condicaoPagamentoId":0,"ativo":true,"grupoId":"grupo-3","descricao":"","qtdeParcelas":0,"codAtualizacao":10})"},
      {"Condicao Lumio", true, RodarLumio<TSincronizarCondicaoPagamento>(),
       &TEmpresa::MaxCodAtualizacaoCondicaoPagamento, {so("CONDICOES_PAGTO")},
       R"({"empresaId":"emp-7","condicaoPagamentoId":0,"descricao":"","qtdeParcelas":0,"diasParcelaEntrada":0,"diasParcelaIntervalo":0,"ativo":true,"codAtualizacao":10,"formaPagamentoEntradaStr":"","formaPagamentoParcelasStr":""})"},
      {"Forma Quenda", false, RodarQuenda<TSincronizarFormaPagamento>(), &TEmpresa::MaxCodAtualizacaoFormaPagamento,
       {so("FORMAS_PAGTO")},
       R"({"empresaId":"emp-7","formaPagamentoId":"","ativo":true,"grupoId":"grupo-3","descricao":"","codAtualizacao":10})"},
      // Lumio skips the methods without ONDE_LANCAR.
      {"Forma Lumio", true, RodarLumio<TSincronizarFormaPagamento>(), &TEmpresa::MaxCodAtualizacaoFormaPagamento,
       {"insert into FORMAS_PAGTO (EMPRESA, ONDE_LANCAR, COD_ATUALIZACAO) values (1, 'CX', 10)"},
       R"({"empresaId":"emp-7","formaPagamentoId":"","descricao":"","ondeLancar":"CX","codDocumentoFiscal":"","ordem":0,"ativo":true,"grupoId":"","codAtualizacao":10})"},
      {"Operacao Quenda", false, RodarQuenda<TSincronizarOperacaoFiscal>(), &TEmpresa::MaxCodAtualizacaoOperacaoFiscal,
       {so("OPERACOES_FISCAIS")},
       R"({"empresaId":"emp-7","operacaoFiscalId":"","ativo":true,"grupoId":"grupo-3","descricao":"","operacao":"","codAtualizacao":10})"},
      // Lumio gets only the operations flagged for it.
      {"Operacao Lumio", true, RodarLumio<TSincronizarOperacaoFiscal>(), &TEmpresa::MaxCodAtualizacaoOperacaoFiscal,
       {"insert into OPERACOES_FISCAIS (EMPRESA, EH_OPERACAO_LUMIO, COD_ATUALIZACAO) values (1, 'S', 10)"},
       R"({"empresaId":"emp-7","operacaoFiscalId":"","descricao":"","serie":"","tipoDocumento":"","finalidadeNfe":"","mensagem":"","cfopEstadual":"","cfopInterestadual":"","cfopInterestadualNaoContribuinte":"","cstIpi":"","ativo":true,"operacao":"","codAtualizacao":10,"situacaoTributariaStr":"","situacaoTributariaPisStr":"","situacaoTributariaCofinsStr":""})"},
      {"Representante", true, RodarLumio<TSincronizarRepresentante>(), &TEmpresa::MaxCodAtualizacaoRepresentante,
       {so("REPRESENTANTES")},
       R"({"empresaId":"emp-7","representanteId":0,"nome":"","email":"","ativo":true,"codAtualizacao":10})"},
      {"Situacao ICMS", true, RodarLumio<TSincronizarSituacaoTributaria>(),
       &TEmpresa::MaxCodAtualizacaoSituacaoTributaria, {so("SITUACAO_TRIBUTARIA")},
       R"({"empresaId":"emp-7","situacaoTributariaId":"","descricao":"","tipoImposto":"","aliquotaDentroEstado":0,"aliquotaForaEstado":0,"percentualReducao":0,"tipoReducao":"","temReducao":true,"icmsOrigem":"","icmsCst":"","icmsModBc":"","icmsModBcSt":"","icmsMargemSt":0,"icmsAliquotaSt":0,"icmsReducaoBcSt":0,"cfopDentroEstado":"","icmsCstFora":"","icmsModBcFora":"","icmsModBcStFora":"","icmsMargemStFora":0,"icmsAliquotaStFora":0,"icmsReducaoBcStFora":0,"percentualReducaoFora":0,"cfopForaEstado":"","ativo":true,"codAtualizacao":10})"},
      {"Situacao PIS", true, RodarLumio<TSincronizarSituacaoTributariaPis>(),
       &TEmpresa::MaxCodAtualizacaoSituacaoTributariaPis, {so("SITUACAO_TRIBUTARIA_PIS")},
       R"({"empresaId":"emp-7","pisCodigo":"","pisDescricao":"","pisCst":"","pisModuloCalculo":"","pisAliquotaValor":0,"codAtualizacao":10})"},
      {"Situacao COFINS", true, RodarLumio<TSincronizarSituacaoTributariaCofins>(),
       &TEmpresa::MaxCodAtualizacaoSituacaoTributariaCofins, {so("SITUACAO_TRIBUTARIA_COFINS")},
       R"({"empresaId":"emp-7","cofinsCodigo":"","cofinsDescricao":"","cofinsCst":"","cofinsModuloCalculo":"","cofinsAliquotaValor":0,"codAtualizacao":10})"},
      {"NCM IBPT", true, RodarLumio<TSincronizarNcmIbpt>(), &TEmpresa::MaxCodAtualizacaoNcmIbpt, {so("NCM_IBPT")},
       R"({"empresaId":"emp-7","ncm":"","ibptAliquotaNacional":0,"ibptAliquotaImportacao":0,"ibptAliquotaEstadual":0,"ibptAliquotaMunicipal":0,"codAtualizacao":10})"},
  };

  for (const TCaminho& caminho : caminhos) {
    SCOPED_TRACE(caminho.Nome);
    Esvaziar();
    for (const std::string& linha : caminho.Linhas) Banco.Executar(linha);
    Empresa = TEmpresa{};
    Empresa.Id = "emp-7";
    Empresa.GrupoId = caminho.EhLumio ? "" : "grupo-3";
    Empresa.LocalId = 1;
    Empresa.*caminho.Marca = 1;  // known: no first-load window, no mark request
    caminho.Rodar(Conexao, Empresa, Log);

    const teste::TNuvemTeste& nuvem = caminho.EhLumio ? Lumio : Quenda;
    const auto posts = Filtrar(nuvem, "POST");
    ASSERT_EQ(posts.size(), 1u);
    const auto corpos = Corpos(posts);
    EXPECT_EQ(posts[0].Corpo, std::string("[") + caminho.Objeto + "]");
    ASSERT_TRUE(corpos[0].is_array());
    for (const auto& [membro, valor] : corpos[0].at(0).items()) EXPECT_FALSE(valor.is_null()) << membro;
    EXPECT_EQ(Empresa.*caminho.Marca, 10);
  }

  // Options: a row of nothing but its company still gives a number.
  Esvaziar();
  Banco.Executar("insert into OPCOES (EMPRESA) values (1)");
  Empresa = TEmpresa{};
  Empresa.Id = "emp-7";
  Empresa.LocalId = 1;
  TSincronizarOpcao(Conexao, Empresa, Log).ExecutePedidoVenda();
  const auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 1u);
  Corpos(posts);
  EXPECT_EQ(posts[0].Corpo, R"({"empresaId":"emp-7","md5Atualizacao":")" + CalcularMd5("||") +
                                R"(","consumidorId":0,"formaPagamentoEntrada":{"formaPagamentoId":""},)"
                                R"("formaPagamentoParcelas":{"formaPagamentoId":""}})");
}

// ---- hostile texts ----------------------------------------------------------

TEST_F(EntradaInvalidaTeste, ControlCharactersQuotesBackslashesAnd32KiBGoOutWithTheExactEscapes) {
  // One unit: every character below U+0020, the quote, the backslash and
  // the solidus, between two letters so that trimming keeps them all.
  std::string unidade = "<";
  std::string unidadeEscapada = "<";
  const char* const escapes[32] = {
      "\\u0000", "\\u0001", "\\u0002", "\\u0003", "\\u0004", "\\u0005", "\\u0006", "\\u0007",
      "\\b",     "\\t",     "\\n",     "\\u000B", "\\f",     "\\r",     "\\u000E", "\\u000F",
      "\\u0010", "\\u0011", "\\u0012", "\\u0013", "\\u0014", "\\u0015", "\\u0016", "\\u0017",
      "\\u0018", "\\u0019", "\\u001A", "\\u001B", "\\u001C", "\\u001D", "\\u001E", "\\u001F"};
  for (int c = 0; c < 32; ++c) {
    unidade.push_back(static_cast<char>(c));
    unidadeEscapada += escapes[c];
  }
  unidade += "\"\\/>";
  unidadeEscapada += "\\\"\\\\\\/>";

  // MENSAGEM: a text blob of 1000 units (36000 bytes); DESCRICAO_NOTA: 8191
  // characters of four bytes (32764 bytes); SERIE: quote, backslash, quote.
  constexpr int UNIDADES = 1000;
  Banco.Executar(
      "execute block as declare m blob sub_type text = ''; declare u varchar(64); declare d varchar(8191) = '';"
      " declare i integer = 0; begin u = '<'; while (i < 32) do begin u = u || ascii_char(i); i = i + 1; end"
      " u = u || '\"\\/>'; i = 0; while (i < " + std::to_string(UNIDADES) + ") do begin m = m || u; i = i + 1; end"
      " i = 0; while (i < 8191) do begin d = d || '\xF0\x9F\x98\x80'; i = i + 1; end"
      " insert into OPERACOES_FISCAIS (EMPRESA, EH_OPERACAO_LUMIO, MENSAGEM, DESCRICAO_NOTA, SERIE,"
      " COD_ATUALIZACAO) values (1, 'S', :m, :d, '\"\\\"', 10); end");
  std::string mensagem, mensagemEscapada, descricao;
  for (int i = 0; i < UNIDADES; ++i) {
    mensagem += unidade;
    mensagemEscapada += unidadeEscapada;
  }
  for (int i = 0; i < 8191; ++i) descricao += "\xF0\x9F\x98\x80";
  ASSERT_EQ(descricao.size(), 32764u);

  Empresa.GrupoId = "";
  Empresa.MaxCodAtualizacaoOperacaoFiscal = 1;
  TSincronizarOperacaoFiscal(Conexao, Empresa, Log).ExecutePedidoVenda();
  const auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 1u);
  const std::string& corpo = posts[0].Corpo;
  EXPECT_NE(corpo.find("\"descricao\":\"" + descricao + "\""), std::string::npos);
  EXPECT_NE(corpo.find("\"serie\":\"\\\"\\\\\\\"\""), std::string::npos);
  EXPECT_NE(corpo.find("\"mensagem\":\"" + mensagemEscapada + "\""), std::string::npos);

  const auto corpos = Corpos(posts);
  ASSERT_TRUE(corpos[0].is_array());
  const auto& objeto = corpos[0].at(0);
  EXPECT_EQ(objeto.at("mensagem").get<std::string>(), mensagem);
  EXPECT_EQ(objeto.at("descricao").get<std::string>(), descricao);
  EXPECT_EQ(objeto.at("serie").get<std::string>(), "\"\\\"");
}

// ---- extreme update codes ---------------------------------------------------

TEST_F(EntradaInvalidaTeste, RowsWithoutUpdateCodeAreNeverSelectedNorCounted) {
  Representantes({"null", "5", "null"});
  Empresa.MaxCodAtualizacaoRepresentante = 1;
  Representantes1();
  EXPECT_EQ(CodigosPostados(), std::vector<int>{5});
  EXPECT_EQ(Empresa.MaxCodAtualizacaoRepresentante, 5);

  // Only null codes: the local maximum is 0, below the mark, so nothing runs.
  Esvaziar();
  Representantes({"null", "null"});
  Representantes1();
  EXPECT_TRUE(Lumio.Requisicoes().empty());
  EXPECT_EQ(Empresa.MaxCodAtualizacaoRepresentante, 5);
}

TEST_F(EntradaInvalidaTeste, HighestCodeIsAValidMarkAndThenNothingMoreIsSent) {
  Representantes({"5", "2147483647"});
  Empresa.MaxCodAtualizacaoRepresentante = 1;
  Representantes1();
  EXPECT_EQ(CodigosPostados(), (std::vector<int>{5, 2147483647}));
  EXPECT_EQ(Empresa.MaxCodAtualizacaoRepresentante, 2147483647);
  EXPECT_EQ(LinhasLog().back(), "INFO: Representantes lumio atualizados. MaxCodAtualizacao: 2147483647");

  // The statement binds the mark itself; no row can lie above it.
  Lumio.Limpar();
  Representantes1();
  EXPECT_TRUE(Lumio.Requisicoes().empty());
  Empresa.MaxCodAtualizacaoRepresentante = 2147483647 - 1;
  Representantes1();
  EXPECT_EQ(CodigosPostados(), std::vector<int>{2147483647});
}

TEST_F(EntradaInvalidaTeste, NegativeAndZeroCodesGoOutOnlyAboveANegativeMark) {
  Representantes({"-5", "0", "-1", "3"});
  const struct {
    const char* Nuvem;        // the cloud's mark
    std::vector<int> Enviados;
  } casos[] = {
      {"0", {3}},  // a first load is "above 0": codes 0 and below are never sent
      {"-10", {-5, -1, 0, 3}},
      {"-1", {0, 3}},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Nuvem);
    Lumio.Limpar();
    Lumio.Responder("GET", "representantes/maxCodAtualizacao", 200, caso.Nuvem);
    Empresa.MaxCodAtualizacaoRepresentante = 0;
    Representantes1();
    if (std::string(caso.Nuvem) == "-1") {
      // -1 is the answer that is no number: the run ends before anything.
      EXPECT_TRUE(Filtrar(Lumio, "POST").empty());
      EXPECT_EQ(Empresa.MaxCodAtualizacaoRepresentante, 0);
      continue;
    }
    EXPECT_EQ(CodigosPostados(), caso.Enviados);
    EXPECT_EQ(Empresa.MaxCodAtualizacaoRepresentante, 3);
  }
}

// ---- company numbers beyond 16 bits -------------------------------------------

TEST_F(EntradaInvalidaTeste, CompanyBeyond16BitsFailsAndNothingGoesOutUnderAnotherCompany) {
  // Company 1 has rows everywhere; every number below has 1 as its low 16
  // bits, or lies just outside the range.
  Banco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, COD_ATUALIZACAO) values (1, 7, 10)");
  Banco.Executar("insert into CONTAS_RECEBER (EMPRESA, CLI_CODIGO, COD_ATUALIZACAO) values (1, 7, 10)");
  Banco.Executar("insert into NF_SAIDA (EMPRESA, CP_CODIGO, STATUS, COD_ATUALIZACAO) values (1, 3, 2, 10)");
  Banco.Executar("insert into REPRESENTANTES (EMPRESA, REP_CODIGO, COD_ATUALIZACAO) values (1, 4, 10)");
  Banco.Executar("insert into OPCOES (EMPRESA, CLI_COD_CONSUMIDOR) values (1, 900)");
  Banco.Executar("insert into OPCOES (EMPRESA, CLI_COD_CONSUMIDOR) values (-32767, 901)");

  const struct {
    const char* Nome;
    bool EhLumio;
    TRodar Rodar;
  } caminhos[] = {
      {"Cliente Quenda", false, RodarQuenda<TSincronizarCliente>()},
      {"Cliente Lumio", true, RodarLumio<TSincronizarCliente>()},
      {"Receber", false, RodarQuenda<TSincronizarReceber>()},
      {"Venda", false, RodarQuenda<TSincronizarVenda>()},
      {"Representante", true, RodarLumio<TSincronizarRepresentante>()},
      {"Opcao", true, RodarLumio<TSincronizarOpcao>()},
  };
  for (int32_t empresa : {65537, 32769, 32768, -32769, -65535, 131073}) {
    for (const auto& caminho : caminhos) {
      SCOPED_TRACE(std::string(caminho.Nome) + " company " + std::to_string(empresa));
      Quenda.Limpar();
      Lumio.Limpar();
      Empresa = TEmpresa{};
      Empresa.Id = "emp-7";
      Empresa.LocalId = empresa;
      // With marks known and unknown alike.
      for (int32_t marca : {0, 1}) {
        Empresa.MaxCodAtualizacaoCliente = Empresa.MaxCodAtualizacaoReceber = Empresa.MaxCodAtualizacaoVenda =
            Empresa.MaxCodAtualizacaoRepresentante = marca;
        EXPECT_THROW(caminho.Rodar(Conexao, Empresa, Log), EBorvanErro);
        EXPECT_EQ(Empresa.MaxCodAtualizacaoCliente + Empresa.MaxCodAtualizacaoReceber +
                      Empresa.MaxCodAtualizacaoVenda + Empresa.MaxCodAtualizacaoRepresentante,
                  4 * marca);
        EXPECT_TRUE(Empresa.CodigoMd5Opcao.empty());
      }
      EXPECT_TRUE(Filtrar(Quenda, "POST").empty());
      EXPECT_TRUE(Filtrar(Lumio, "POST").empty());
    }
  }
}

}  // namespace
}  // namespace borvan
