// Products, receivables, sales, payment terms, payment methods and fiscal
// operations against a real database and the stand-in clouds: the exact
// bodies on the wire, the rows each statement keeps out, and what the
// marks become.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sync/sincronizar_condicao_pagamento.h"
#include "sync/sincronizar_forma_pagamento.h"
#include "sync/sincronizar_operacao_fiscal.h"
#include "sync/sincronizar_produto.h"
#include "sync/sincronizar_receber.h"
#include "sync/sincronizar_venda.h"
#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

using teste::TNuvemTeste;

const char* const DDL_PRODUTOS =
    "create table PRODUTOS (EMPRESA smallint not null, PRO_CODIGO integer not null,"
    " INATIVO char(1), PRO_DESCRICAO varchar(120), UNIDADE char(3),"
    " ESTOQUE_DISPONIVEL numeric(15,4), CODIGO_BARRAS varchar(14), UNIDADE_TRIBUTAVEL char(3),"
    " CODIGO_BARRAS_TRIBUTAVEL varchar(14), PRECO_VENDA numeric(15,4), TIPO char(2), NCM char(8),"
    " CEST varchar(7), DESCTO_MAXIMO numeric(9,2), COMERCIALIZAVEL char(1), ST_CODIGO varchar(3),"
    " PIS_CODIGO varchar(2), COFINS_CODIGO varchar(2), COD_ATUALIZACAO integer,"
    " primary key (EMPRESA, PRO_CODIGO))";

const char* const DDL_CLIENTES =
    "create table CLIENTES (EMPRESA smallint not null, CLI_CODIGO integer not null,"
    " CLI_NOME varchar(60), COD_ATUALIZACAO integer, primary key (EMPRESA, CLI_CODIGO))";

const char* const DDL_CONTAS_RECEBER =
    "create table CONTAS_RECEBER (EMPRESA smallint not null, LANCTO integer not null,"
    " TITULO integer, PARCELA smallint, TT_CODIGO varchar(5), CLI_CODIGO integer, EMISSAO date,"
    " VALOR numeric(15,2), VENCIMENTO date, VALOR_PAGO numeric(15,2), DATA_PAGTO date,"
    " JURO_DESCTO_COBRADO numeric(15,2), STATUS smallint, COD_ATUALIZACAO integer,"
    " primary key (EMPRESA, LANCTO))";

const char* const DDL_NF_SAIDA =
    "create table NF_SAIDA (EMPRESA smallint not null, NFS integer not null,"
    " OPF_CODIGO varchar(6), CP_CODIGO integer, DT_EMISSAO timestamp, TOTAL_NOTA numeric(15,2),"
    " STATUS smallint, COD_ATUALIZACAO integer, primary key (EMPRESA, NFS))";

const char* const DDL_CONDICOES_PAGTO =
    "create table CONDICOES_PAGTO (EMPRESA smallint not null, CP_CODIGO integer not null,"
    " INATIVO char(1), CP_DESCRICAO varchar(60), NRO_PARCELAS smallint, DIAS_PARCELA1 smallint,"
    " DIAS_INTERVALO smallint, VEN_FP_ENTRADA varchar(3), VEN_FP_DEMAIS varchar(3),"
    " COD_ATUALIZACAO integer, primary key (EMPRESA, CP_CODIGO))";

const char* const DDL_FORMAS_PAGTO =
    "create table FORMAS_PAGTO (EMPRESA smallint not null, FP_CODIGO varchar(3) not null,"
    " INATIVO char(1), FP_DESCRICAO varchar(40), ONDE_LANCAR char(2),"
    " DOC_FISCAL_COD_FORMA_PAGTO varchar(2), ORDEM numeric(9,2), COD_ATUALIZACAO integer,"
    " primary key (EMPRESA, FP_CODIGO))";

const char* const DDL_OPERACOES_FISCAIS =
    "create table OPERACOES_FISCAIS (EMPRESA smallint not null, OPF_CODIGO varchar(6) not null,"
    " INATIVO char(1), OPF_DESCRICAO varchar(60), DESCRICAO_NOTA varchar(60), OPERACAO char(1),"
    " SERIE varchar(3), TIPO_DOCTO varchar(2), FINALIDADE_NFE char(1), MENSAGEM blob sub_type text,"
    " CFOP varchar(5), CFOP_FORA_ESTADO varchar(5), CFOP_FORA_NAO_CONTRIBUINTE varchar(5),"
    " IPI_CST varchar(2), ST_CODIGO varchar(3), PIS_CODIGO varchar(2), COFINS_CODIGO varchar(2),"
    " EH_OPERACAO_LUMIO char(1), COD_ATUALIZACAO integer, primary key (EMPRESA, OPF_CODIGO))";

std::string Juntar(const std::vector<std::string>& AObjetos) {
  std::string texto = "[";
  for (size_t i = 0; i < AObjetos.size(); ++i) texto += (i ? "," : "") + AObjetos[i];
  return texto + "]";
}

TDataHora Dia(int AAno, int AMes, int ADia) {
  TDataHora data;
  data.Ano = AAno;
  data.Mes = AMes;
  data.Dia = ADia;
  data.Hora = 9;
  return data;
}

// The shared fixture's company is the Quenda one; a second company, as the
// Lumio list loads it (no group), serves the Lumio paths. Company 2 is a
// neighbour whose rows must never leave.
class TSincronizacaoComercialTeste : public teste::TSincronizacaoTeste {
 public:
  TSincronizacaoComercialTeste() {
    EmpresaLumio.Id = "emp-8";
    EmpresaLumio.LocalId = Empresa.LocalId;
  }

  using TSincronizacaoTeste::Banco;
  using TSincronizacaoTeste::Empresa;
  using TSincronizacaoTeste::Lumio;
  using TSincronizacaoTeste::Quenda;

  template <class TSincronizar>
  void EnviarQuenda() {
    TSincronizar(Conexao, Empresa, Log).Execute();
  }
  template <class TSincronizar>
  void EnviarLumio() {
    TSincronizar(Conexao, EmpresaLumio, Log).ExecutePedidoVenda();
  }

  // Bodies posted to ARecurso, in order.
  static std::vector<std::string> Corpos(const TNuvemTeste& ANuvem, const std::string& ARecurso) {
    std::vector<std::string> corpos;
    for (const auto& post : Filtrar(ANuvem, "POST"))
      if (post.Recurso == ARecurso) corpos.push_back(post.Corpo);
    return corpos;
  }
  static size_t PerguntasMarca(const TNuvemTeste& ANuvem) {
    size_t quantidade = 0;
    for (const auto& get : Filtrar(ANuvem, "GET"))
      if (get.Recurso.find("/maxCodAtualizacao/empresa/") != std::string::npos) ++quantidade;
    return quantidade;
  }

  // The INFO texts of the log, none while there is no log yet.
  std::vector<std::string> TextosLog() const {
    std::vector<std::string> textos;
    if (!ArquivoExiste(Log.GetFullFileName())) return textos;
    for (const auto& linha : LinhasLog())
      if (linha.rfind("INFO: ", 0) == 0) textos.push_back(linha.substr(6));
    return textos;
  }
  // The INFO texts written after the first ADesde ones.
  std::vector<std::string> TextosLogDesde(size_t ADesde) const {
    auto textos = TextosLog();
    return {textos.begin() + static_cast<std::ptrdiff_t>(std::min(ADesde, textos.size())), textos.end()};
  }

  TEmpresa EmpresaLumio;
};

// ---- products ---------------------------------------------------------------

TEST_F(TSincronizacaoComercialTeste, ProdutosLevamCadaColunaComoCadaNuvemEspera) {
  Banco.Executar(DDL_PRODUTOS);
  struct TCaso {
    const char* Caso;
    const char* Valores;  // the row, in the column order of the insert below
    const char* Quenda;
    const char* Lumio;
  };
  // In ascending COD_ATUALIZACAO, the order they must go out in.
  const std::vector<TCaso> casos = {
      {"inactive, with NCM, quotes and accents in the text",
       R"((1, 101, 'S', 'Café "Especial" 500g', 'PCT', 12.5, '7891234567895', 'KG', '7891234567888',
           9.9, '00', '09012100', '1700100', 5, 'S', '060', '01', '01', 11))",
       R"({"empresaId":"emp-7","produtoId":101,"ativo":false,"grupoId":"grupo-3","descricao":"Café \"Especial\" 500g","unidade":"PCT","estoque":12.5,"codAtualizacao":11})",
       R"({"empresaId":"emp-8","produtoId":101,"descricao":"Café \"Especial\" 500g","unidade":"PCT","precoVenda":9.9,"estoqueDisponivel":12.5,"codigoBarras":"7891234567895","unidadeMedidaTributavel":"KG","codigoBarrasTributavel":"7891234567888","tipo":"00","cest":"1700100","comercializavel":true,"situacaoTributariaStr":"060","situacaoTributariaPisStr":"01","situacaoTributariaCofinsStr":"01","ativo":false,"codAtualizacao":11,"ncm":{"codigo":"09012100"}})"},
      {"lower-case flags, blank NCM, whole amounts",
       R"((1, 102, 's', 'Parafuso 3/8"', 'UN', 10, '', 'UN', '', 100, '01', '', '', null, 's', '010',
           '49', '49', 12))",
       R"({"empresaId":"emp-7","produtoId":102,"ativo":false,"grupoId":"grupo-3","descricao":"Parafuso 3\/8\"","unidade":"UN","estoque":10,"codAtualizacao":12})",
       R"({"empresaId":"emp-8","produtoId":102,"descricao":"Parafuso 3\/8\"","unidade":"UN","precoVenda":100,"estoqueDisponivel":10,"codigoBarras":"","unidadeMedidaTributavel":"UN","codigoBarrasTributavel":"","tipo":"01","cest":"","comercializavel":true,"situacaoTributariaStr":"010","situacaoTributariaPisStr":"49","situacaoTributariaCofinsStr":"49","ativo":false,"codAtualizacao":12})"},
      {"every column null",
       "(1, 103, null, null, null, null, null, null, null, null, null, null, null, null, null, null,"
       " null, null, 13)",
       R"({"empresaId":"emp-7","produtoId":103,"ativo":true,"grupoId":"grupo-3","descricao":"","unidade":"","estoque":0,"codAtualizacao":13})",
       R"({"empresaId":"emp-8","produtoId":103,"descricao":"","unidade":"","precoVenda":0,"estoqueDisponivel":0,"codigoBarras":"","unidadeMedidaTributavel":"","codigoBarrasTributavel":"","tipo":"","cest":"","comercializavel":false,"situacaoTributariaStr":"","situacaoTributariaPisStr":"","situacaoTributariaCofinsStr":"","ativo":true,"codAtualizacao":13})"},
      {"flags N and other text, negative stock, line break, short NCM",
       "(1, 104, 'N', 'Linha 1' || ascii_char(10) || 'Linha 2', 'M2', -3.25, null, null, null,"
       " 0.0001, '99', '0101', null, 0, 'X', null, null, null, 14)",
       R"({"empresaId":"emp-7","produtoId":104,"ativo":true,"grupoId":"grupo-3","descricao":"Linha 1\nLinha 2","unidade":"M2","estoque":-3.25,"codAtualizacao":14})",
       R"({"empresaId":"emp-8","produtoId":104,"descricao":"Linha 1\nLinha 2","unidade":"M2","precoVenda":0.0001,"estoqueDisponivel":-3.25,"codigoBarras":"","unidadeMedidaTributavel":"","codigoBarrasTributavel":"","tipo":"99","cest":"","comercializavel":false,"situacaoTributariaStr":"","situacaoTributariaPisStr":"","situacaoTributariaCofinsStr":"","ativo":true,"codAtualizacao":14,"ncm":{"codigo":"0101"}})"},
  };
  const std::string insert =
      "insert into PRODUTOS (EMPRESA, PRO_CODIGO, INATIVO, PRO_DESCRICAO, UNIDADE, ESTOQUE_DISPONIVEL,"
      " CODIGO_BARRAS, UNIDADE_TRIBUTAVEL, CODIGO_BARRAS_TRIBUTAVEL, PRECO_VENDA, TIPO, NCM, CEST,"
      " DESCTO_MAXIMO, COMERCIALIZAVEL, ST_CODIGO, PIS_CODIGO, COFINS_CODIGO, COD_ATUALIZACAO) values ";
  // Stored newest first; the neighbour's row is newer still.
  for (auto caso = casos.rbegin(); caso != casos.rend(); ++caso) Banco.Executar(insert + caso->Valores);
  Banco.Executar(insert + "(2, 101, 'N', 'Vizinha', 'UN', 1, null, null, null, 1, null, '09012100',"
                           " null, null, 'S', null, null, null, 99)");

  EnviarQuenda<TSincronizarProduto>();
  EnviarLumio<TSincronizarProduto>();

  std::vector<std::string> quenda, lumio;
  for (const auto& caso : casos) {
    quenda.push_back(caso.Quenda);
    lumio.push_back(caso.Lumio);
  }
  auto corposQuenda = Corpos(Quenda, "produtos");
  auto corposLumio = Corpos(Lumio, "produtos");
  ASSERT_EQ(corposQuenda.size(), 1u);
  ASSERT_EQ(corposLumio.size(), 1u);
  for (const auto& caso : casos) {
    EXPECT_NE(corposQuenda[0].find(caso.Quenda), std::string::npos) << caso.Caso;
    EXPECT_NE(corposLumio[0].find(caso.Lumio), std::string::npos) << caso.Caso;
  }
  EXPECT_EQ(corposQuenda[0], Juntar(quenda));
  EXPECT_EQ(corposLumio[0], Juntar(lumio));
  EXPECT_EQ(Empresa.MaxCodAtualizacaoProduto, 14);
  EXPECT_EQ(EmpresaLumio.MaxCodAtualizacaoProduto, 14);
}

// Lumio's product batches go to the log, each as the exact text posted and
// before it is posted; Quenda's never do.
TEST_F(TSincronizacaoComercialTeste, ProdutosLumioRegistramCadaLoteAntesDoEnvio) {
  Banco.Executar(DDL_PRODUTOS);
  Banco.Executar(
      "execute block as declare i integer = 1; begin"
      " while (i <= 501) do begin"
      " insert into PRODUTOS (EMPRESA, PRO_CODIGO, INATIVO, PRO_DESCRICAO, UNIDADE,"
      " ESTOQUE_DISPONIVEL, PRECO_VENDA, NCM, COMERCIALIZAVEL, COD_ATUALIZACAO)"
      " values (1, :i, 'N', 'Produto ' || :i, 'UN', 2.5, 9.9, '84713012', 'S', 1000 + :i);"
      " i = i + 1; end end");

  std::mutex trava;
  std::vector<std::string> ultimaLinhaAoReceber;
  Lumio.RespondaCom([&](const std::string& AMetodo, const std::string& ARecurso, const std::string&) {
    if (AMetodo == "GET") return teste::TRespostaNuvem{200, "0"};
    auto linhas = TextosLog();
    std::lock_guard<std::mutex> bloqueio(trava);
    ultimaLinhaAoReceber.push_back(ARecurso + " " + (linhas.empty() ? "" : linhas.back()));
    return teste::TRespostaNuvem{200, ""};
  });

  EnviarLumio<TSincronizarProduto>();

  auto corpos = Corpos(Lumio, "produtos");
  ASSERT_EQ(corpos.size(), 2u);
  EXPECT_EQ(nlohmann::json::parse(corpos[0]).size(), 500u);
  EXPECT_EQ(nlohmann::json::parse(corpos[1]).size(), 1u);
  EXPECT_EQ(corpos[1],
            R"([{"empresaId":"emp-8","produtoId":501,"descricao":"Produto 501","unidade":"UN","precoVenda":9.9,"estoqueDisponivel":2.5,"codigoBarras":"","unidadeMedidaTributavel":"","codigoBarrasTributavel":"","tipo":"","cest":"","comercializavel":true,"situacaoTributariaStr":"","situacaoTributariaPisStr":"","situacaoTributariaCofinsStr":"","ativo":true,"codAtualizacao":1501,"ncm":{"codigo":"84713012"}}])");
  EXPECT_EQ(TextosLog(), (std::vector<std::string>{"Atualizando produtos lumio... Empresa: emp-8", corpos[0],
                                                   corpos[1],
                                                   "Produtos lumio atualizados. MaxCodAtualizacao: 1501"}));
  {
    std::lock_guard<std::mutex> bloqueio(trava);
    EXPECT_EQ(ultimaLinhaAoReceber, (std::vector<std::string>{"produtos " + corpos[0], "produtos " + corpos[1]}));
  }

  size_t antes = TextosLog().size();
  EnviarQuenda<TSincronizarProduto>();
  EXPECT_EQ(Corpos(Quenda, "produtos").size(), 2u);
  EXPECT_EQ(TextosLogDesde(antes),
            (std::vector<std::string>{"Atualizando produtos... Empresa: emp-7",
                                      "Produtos atualizados. MaxCodAtualizacao: 1501"}));
}

// ---- receivables ------------------------------------------------------------

class TReceberTeste : public TSincronizacaoComercialTeste {
 protected:
  TReceberTeste() {
    Banco.Executar(DDL_CLIENTES);
    Banco.Executar(DDL_CONTAS_RECEBER);
    Banco.Executar("insert into CLIENTES values (1, 10, 'Ana', 1)");
    Banco.Executar("insert into CLIENTES values (1, 11, 'Bruno', 2)");
    Banco.Executar("insert into CLIENTES values (2, 5, 'Da vizinha', 3)");
    const std::string insert =
        "insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, TT_CODIGO, CLI_CODIGO, EMISSAO,"
        " VALOR, VENCIMENTO, VALOR_PAGO, DATA_PAGTO, JURO_DESCTO_COBRADO, STATUS, COD_ATUALIZACAO) values ";
    for (const char* valores : {
             // due 2019, paid; a backslash in the title type
             "(1, 1, 5001, 1, 'DP\\1', 10, '2019-02-10', 1500.5, '2019-03-10', 1500.5, '2019-03-12', 0, 2, 101)",
             // due December 2017, still open
             "(1, 2, 4001, 2, 'NF', 11, null, 99.9, '2017-12-20', null, null, null, 0, 102)",
             // due December 2017, paid
             "(1, 3, 4002, 1, 'NF', 10, '2017-11-20', 80, '2017-12-20', 80, '2017-12-21', 0, 2, 103)",
             // due on the first day of the window, paid with a discount
             "(1, 4, 4100, 3, 'A\\B\\C', 10, '2017-12-01', 200, '2018-01-01', 197.5, '2018-01-05', -2.5, 2, 104)",
             // due on the last day before the window, paid
             "(1, 5, 4003, 1, 'NF', 11, '2017-12-01', 30, '2017-12-31', 30, '2017-12-31', 0, 2, 105)",
             // customer missing from CLIENTES
             "(1, 6, 4200, 1, 'NF', 999, '2020-01-01', 10, '2020-02-01', null, null, null, 0, 106)",
             // customer of the neighbouring company only
             "(1, 7, 4201, 1, 'NF', 5, '2020-01-01', 10, '2020-02-01', null, null, null, 0, 107)",
             // the neighbour's own receivable
             "(2, 8, 4202, 1, 'NF', 5, '2020-01-01', 10, '2020-02-01', null, null, null, 0, 108)",
         }) {
      Banco.Executar(insert + valores);
    }
  }

  std::vector<int> LanctosEnviados() const {
    std::vector<int> lanctos;
    for (const auto& corpo : Corpos(Quenda, "receber"))
      for (const auto& objeto : nlohmann::json::parse(corpo)) lanctos.push_back(objeto["receberId"].get<int>());
    return lanctos;
  }
};

TEST_F(TReceberTeste, PrimeiraCargaLevaCadaContaComoQuendaEspera) {
  Ambiente.DefinirAgora(Dia(2021, 6, 15));
  EnviarQuenda<TSincronizarReceber>();

  auto corpos = Corpos(Quenda, "receber");
  ASSERT_EQ(corpos.size(), 1u);
  // One backslash in the column is two in the value, four on the wire.
  EXPECT_EQ(corpos[0], Juntar({
      R"({"empresaId":"emp-7","receberId":1,"grupoId":"grupo-3","titulo":5001,"parcela":1,"tipoTitulo":"DP\\\\1","clienteId":10,"emissao":"2019-02-10","valor":1500.5,"vencimento":"2019-03-10","valorPago":1500.5,"dataPagto":"2019-03-12","juroOuDesconto":0,"status":2,"codAtualizacao":101})",
      R"({"empresaId":"emp-7","receberId":2,"grupoId":"grupo-3","titulo":4001,"parcela":2,"tipoTitulo":"NF","clienteId":11,"emissao":"1899-12-30","valor":99.9,"vencimento":"2017-12-20","valorPago":0,"dataPagto":"1899-12-30","juroOuDesconto":0,"status":0,"codAtualizacao":102})",
      R"({"empresaId":"emp-7","receberId":4,"grupoId":"grupo-3","titulo":4100,"parcela":3,"tipoTitulo":"A\\\\B\\\\C","clienteId":10,"emissao":"2017-12-01","valor":200,"vencimento":"2018-01-01","valorPago":197.5,"dataPagto":"2018-01-05","juroOuDesconto":-2.5,"status":2,"codAtualizacao":104})",
  }));
  EXPECT_EQ(nlohmann::json::parse(corpos[0])[0]["tipoTitulo"], "DP\\\\1");
  EXPECT_EQ(Empresa.MaxCodAtualizacaoReceber, 104);
  EXPECT_EQ(TextosLog(), (std::vector<std::string>{"Atualizando contas receber... Empresa: emp-7",
                                                   "Contas a receber atualizadas. MaxCodAtualizacao: 104"}));
}

// The window opens on 1 January three years before today's year; open
// receivables go whatever their due date; customer-less ones never do.
TEST_F(TReceberTeste, JanelaDaPrimeiraCargaSegueAData) {
  struct TCaso {
    TDataHora Hoje;
    std::vector<int> Lanctos;
    int32_t Marca;
  };
  const std::vector<TCaso> casos = {
      {Dia(2021, 6, 15), {1, 2, 4}, 104},
      {Dia(2021, 1, 1), {1, 2, 4}, 104},
      {Dia(2021, 12, 31), {1, 2, 4}, 104},
      {Dia(2020, 12, 31), {1, 2, 3, 4, 5}, 105},
      {Dia(2022, 3, 1), {1, 2}, 102},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(TSincronizarBase::FormatarData(caso.Hoje));
    Ambiente.DefinirAgora(caso.Hoje);
    Empresa.MaxCodAtualizacaoReceber = 0;
    Quenda.Limpar();
    EnviarQuenda<TSincronizarReceber>();
    EXPECT_EQ(LanctosEnviados(), caso.Lanctos);
    EXPECT_EQ(Empresa.MaxCodAtualizacaoReceber, caso.Marca);
  }
}

// Once the mark is known there is no date window: an old, paid receivable
// that changes is sent.
TEST_F(TReceberTeste, ComMarcaConhecidaSoOQueMudouSemJanela) {
  Ambiente.DefinirAgora(Dia(2021, 6, 15));
  Empresa.MaxCodAtualizacaoReceber = 104;
  Banco.Executar("update CONTAS_RECEBER set COD_ATUALIZACAO = 110 where LANCTO = 3");
  EnviarQuenda<TSincronizarReceber>();
  EXPECT_EQ(PerguntasMarca(Quenda), 0u);
  EXPECT_EQ(LanctosEnviados(), (std::vector<int>{5, 3}));
  EXPECT_EQ(Empresa.MaxCodAtualizacaoReceber, 110);
}

// ---- sales -----------------------------------------------------------------

class TVendaTeste : public TSincronizacaoComercialTeste {
 protected:
  TVendaTeste() { Banco.Executar(DDL_NF_SAIDA); }
  void Inserir(const std::string& AValores) {
    Banco.Executar(
        "insert into NF_SAIDA (EMPRESA, NFS, OPF_CODIGO, CP_CODIGO, DT_EMISSAO, TOTAL_NOTA, STATUS,"
        " COD_ATUALIZACAO) values " + AValores);
  }
  std::vector<int> NotasEnviadas() const {
    std::vector<int> notas;
    for (const auto& corpo : Corpos(Quenda, "vendas"))
      for (const auto& objeto : nlohmann::json::parse(corpo)) notas.push_back(objeto["vendaId"].get<int>());
    return notas;
  }
};

TEST_F(TVendaTeste, PrimeiraCargaLevaSoAsVendasDaJanela) {
  Inserir("(1, 1001, '5102', 3, '2021-06-14 10:30:00', 9.9, 2, 40)");
  Inserir("(1, 1002, '5102', 3, '2021-06-14 11:00:00', 50, 1, 41)");      // STATUS 1
  Inserir("(1, 1003, '5102', null, '2021-06-14 11:30:00', 50, 2, 42)");   // no payment condition
  Inserir("(1, 1004, '5102', 1, '2017-12-31 23:59:59', 70, 2, 43)");      // before the window
  Inserir("(1, 1005, '5.405', 1, '2018-01-01 00:00:00', 12.5, 2, 39)");   // first moment of it
  Inserir("(1, 1006, null, 2, '2020-02-29 08:00:00', null, 2, 44)");
  Inserir("(2, 1007, '5102', 1, '2021-06-14 10:30:00', 10, 2, 45)");      // the neighbour's
  Ambiente.DefinirAgora(Dia(2021, 6, 15));

  EnviarQuenda<TSincronizarVenda>();

  auto corpos = Corpos(Quenda, "vendas");
  ASSERT_EQ(corpos.size(), 1u);
  EXPECT_EQ(corpos[0], Juntar({
      R"({"empresaId":"emp-7","vendaId":1005,"operacaoFiscalId":"5.405","condicaoPagamentoId":1,"grupoId":"grupo-3","emissao":"2018-01-01","valor":12.5,"codAtualizacao":39})",
      R"({"empresaId":"emp-7","vendaId":1001,"operacaoFiscalId":"5102","condicaoPagamentoId":3,"grupoId":"grupo-3","emissao":"2021-06-14","valor":9.9,"codAtualizacao":40})",
      R"({"empresaId":"emp-7","vendaId":1006,"operacaoFiscalId":"","condicaoPagamentoId":2,"grupoId":"grupo-3","emissao":"2020-02-29","valor":0,"codAtualizacao":44})",
  }));
  EXPECT_EQ(Empresa.MaxCodAtualizacaoVenda, 44);
  EXPECT_EQ(TextosLog(), (std::vector<std::string>{"Atualizando vendas... Empresa: emp-7",
                                                   "Vendas atualizadas. MaxCodAtualizacao: 44"}));
}

// Invoices that are not sales neither go out nor wake the run; once they
// become sales they go, without a date window.
TEST_F(TVendaTeste, SoVendasComCondicaoEStatus2AcordamOEnvio) {
  Inserir("(1, 1001, '5102', 3, '2021-06-14 10:30:00', 9.9, 2, 44)");
  Inserir("(1, 1004, '5102', 1, '2017-12-31 23:59:59', 70, 2, 30)");
  Ambiente.DefinirAgora(Dia(2021, 6, 15));
  Empresa.MaxCodAtualizacaoVenda = 44;
  struct TPasso {
    const char* Caso;
    const char* Sql;
    std::vector<int> Notas;  // none: no run at all
    int32_t Marca;
  };
  const std::vector<TPasso> passos = {
      {"newest invoice has STATUS 1",
       "insert into NF_SAIDA values (1, 1010, '5102', 3, '2021-06-15 08:00:00', 10, 1, 50)", {}, 44},
      {"newest invoice has no payment condition",
       "insert into NF_SAIDA values (1, 1011, '5102', null, '2021-06-15 08:00:00', 10, 2, 51)", {}, 44},
      {"the STATUS 1 invoice becomes a sale",
       "update NF_SAIDA set STATUS = 2, COD_ATUALIZACAO = 52 where NFS = 1010", {1010}, 52},
      {"an invoice from before the window changes",
       "update NF_SAIDA set COD_ATUALIZACAO = 53 where NFS = 1004", {1004}, 53},
  };
  for (const auto& passo : passos) {
    SCOPED_TRACE(passo.Caso);
    Banco.Executar(passo.Sql);
    Quenda.Limpar();
    size_t antes = TextosLog().size();
    EnviarQuenda<TSincronizarVenda>();
    EXPECT_EQ(NotasEnviadas(), passo.Notas);
    EXPECT_EQ(Empresa.MaxCodAtualizacaoVenda, passo.Marca);
    if (passo.Notas.empty()) {
      EXPECT_TRUE(Quenda.Requisicoes().empty());
      EXPECT_TRUE(TextosLogDesde(antes).empty());
    }
  }
}

// ---- payment terms ----------------------------------------------------------

TEST_F(TSincronizacaoComercialTeste, CondicoesLevamNumerosSemAspasENulosComoZero) {
  Banco.Executar(DDL_CONDICOES_PAGTO);
  for (const char* valores : {
           "(1, 3, 'N', '30/60/90 dias', 3, 30, 30, '01', '15', 5)",
           "(1, 4, 's', 'A combinar', null, null, null, null, null, 6)",
           "(1, 1, 'S', 'À vista', 1, 0, 0, 'DN', 'DN', 7)",
           "(1, 5, null, '  Entrada + 2  ', 3, 0, null, '', 'CH', 8)",
           "(2, 3, 'N', 'Da vizinha', 2, 10, 10, '01', '01', 9)",
       }) {
    Banco.Executar(std::string("insert into CONDICOES_PAGTO values ") + valores);
  }

  EnviarQuenda<TSincronizarCondicaoPagamento>();
  EnviarLumio<TSincronizarCondicaoPagamento>();

  auto quenda = Corpos(Quenda, "condicoespagamento");
  auto lumio = Corpos(Lumio, "condicoesPagamentos");
  ASSERT_EQ(quenda.size(), 1u);
  ASSERT_EQ(lumio.size(), 1u);
  EXPECT_EQ(quenda[0], Juntar({
      R"({"empresaId":"emp-7","condicaoPagamentoId":3,"ativo":true,"grupoId":"grupo-3","descricao":"30\/60\/90 dias","qtdeParcelas":3,"codAtualizacao":5})",
      R"({"empresaId":"emp-7","condicaoPagamentoId":4,"ativo":false,"grupoId":"grupo-3","descricao":"A combinar","qtdeParcelas":0,"codAtualizacao":6})",
      R"({"empresaId":"emp-7","condicaoPagamentoId":1,"ativo":false,"grupoId":"grupo-3","descricao":"À vista","qtdeParcelas":1,"codAtualizacao":7})",
      R"({"empresaId":"emp-7","condicaoPagamentoId":5,"ativo":true,"grupoId":"grupo-3","descricao":"  Entrada + 2  ","qtdeParcelas":3,"codAtualizacao":8})",
  }));
  EXPECT_EQ(lumio[0], Juntar({
      R"({"empresaId":"emp-8","condicaoPagamentoId":3,"descricao":"30\/60\/90 dias","qtdeParcelas":3,"diasParcelaEntrada":30,"diasParcelaIntervalo":30,"ativo":true,"codAtualizacao":5,"formaPagamentoEntradaStr":"01","formaPagamentoParcelasStr":"15"})",
      R"({"empresaId":"emp-8","condicaoPagamentoId":4,"descricao":"A combinar","qtdeParcelas":0,"diasParcelaEntrada":0,"diasParcelaIntervalo":0,"ativo":false,"codAtualizacao":6,"formaPagamentoEntradaStr":"","formaPagamentoParcelasStr":""})",
      R"({"empresaId":"emp-8","condicaoPagamentoId":1,"descricao":"À vista","qtdeParcelas":1,"diasParcelaEntrada":0,"diasParcelaIntervalo":0,"ativo":false,"codAtualizacao":7,"formaPagamentoEntradaStr":"DN","formaPagamentoParcelasStr":"DN"})",
      R"({"empresaId":"emp-8","condicaoPagamentoId":5,"descricao":"  Entrada + 2  ","qtdeParcelas":3,"diasParcelaEntrada":0,"diasParcelaIntervalo":0,"ativo":true,"codAtualizacao":8,"formaPagamentoEntradaStr":"","formaPagamentoParcelasStr":"CH"})",
  }));
  // Whatever is null, the cloud gets JSON it can read.
  EXPECT_TRUE(nlohmann::json::accept(quenda[0]));
  EXPECT_TRUE(nlohmann::json::accept(lumio[0]));
  EXPECT_EQ(Empresa.MaxCodAtualizacaoCondicaoPagamento, 8);
  EXPECT_EQ(EmpresaLumio.MaxCodAtualizacaoCondicaoPagamento, 8);
  EXPECT_EQ(TextosLog(), (std::vector<std::string>{
                             "Atualizando condições de pagamento... Empresa: emp-7",
                             "Condições de pagamento atualizados. MaxCodAtualizacao: 8",
                             "Atualizando condições de pagamento lumio... Empresa: emp-8",
                             "Condições de pagamento lumio atualizados. MaxCodAtualizacao: 8",
                         }));
}

// ---- payment methods --------------------------------------------------------

TEST_F(TSincronizacaoComercialTeste, FormasLevamCodigoComoTextoEFicamForaDaLumioQuandoCC) {
  Banco.Executar(DDL_FORMAS_PAGTO);
  for (const char* valores : {
           "(1, '7', 'N', 'Boleto', 'CR', '15', 3, 11)",
           "(1, '8', 'N', 'Cartão', 'CC', '03', 1, 12)",   // Quenda only
           "(1, '9', 's', 'Cheque', null, '02', 2, 13)",   // Quenda only
           "(1, '01', 'S', 'Dinheiro', 'CX', null, null, 14)",
           "(1, '10', null, 'Pix', 'cc', '17', 2.5, 15)",  // only 'CC' itself stays out
           "(2, '7', 'N', 'Da vizinha', 'CR', '15', 1, 16)",
       }) {
    Banco.Executar(std::string("insert into FORMAS_PAGTO values ") + valores);
  }

  EnviarQuenda<TSincronizarFormaPagamento>();
  EnviarLumio<TSincronizarFormaPagamento>();

  auto quenda = Corpos(Quenda, "formaspagamento");
  auto lumio = Corpos(Lumio, "formasPagamentos");
  ASSERT_EQ(quenda.size(), 1u);
  ASSERT_EQ(lumio.size(), 1u);
  EXPECT_EQ(quenda[0], Juntar({
      R"({"empresaId":"emp-7","formaPagamentoId":"7","ativo":true,"grupoId":"grupo-3","descricao":"Boleto","codAtualizacao":11})",
      R"({"empresaId":"emp-7","formaPagamentoId":"8","ativo":true,"grupoId":"grupo-3","descricao":"Cartão","codAtualizacao":12})",
      R"({"empresaId":"emp-7","formaPagamentoId":"9","ativo":false,"grupoId":"grupo-3","descricao":"Cheque","codAtualizacao":13})",
      R"({"empresaId":"emp-7","formaPagamentoId":"01","ativo":false,"grupoId":"grupo-3","descricao":"Dinheiro","codAtualizacao":14})",
      R"({"empresaId":"emp-7","formaPagamentoId":"10","ativo":true,"grupoId":"grupo-3","descricao":"Pix","codAtualizacao":15})",
  }));
  EXPECT_EQ(lumio[0], Juntar({
      R"({"empresaId":"emp-8","formaPagamentoId":"7","descricao":"Boleto","ondeLancar":"CR","codDocumentoFiscal":"15","ordem":3,"ativo":true,"grupoId":"","codAtualizacao":11})",
      R"({"empresaId":"emp-8","formaPagamentoId":"01","descricao":"Dinheiro","ondeLancar":"CX","codDocumentoFiscal":"","ordem":0,"ativo":false,"grupoId":"","codAtualizacao":14})",
      R"({"empresaId":"emp-8","formaPagamentoId":"10","descricao":"Pix","ondeLancar":"cc","codDocumentoFiscal":"17","ordem":2.5,"ativo":true,"grupoId":"","codAtualizacao":15})",
  }));
  EXPECT_EQ(Empresa.MaxCodAtualizacaoFormaPagamento, 15);
  EXPECT_EQ(EmpresaLumio.MaxCodAtualizacaoFormaPagamento, 15);
  EXPECT_EQ(TextosLog(), (std::vector<std::string>{
                             "Atualizando formas de pagamento... Empresa: emp-7",
                             "Formas de pagamento atualizados. MaxCodAtualizacao: 15",
                             "Atualizando formas de pagamento lumio... Empresa: emp-8",
                             "Formas de pagamento atualizados. MaxCodAtualizacao: 15",
                         }));
}

// ---- fiscal operations ------------------------------------------------------

TEST_F(TSincronizacaoComercialTeste, OperacoesLevamADescricaoDeCadaNuvemESoAsDaLumioParaLa) {
  Banco.Executar(DDL_OPERACOES_FISCAIS);
  const std::string insert = "insert into OPERACOES_FISCAIS values ";
  for (const char* valores : {
           "(1, '12', 'N', 'Venda de mercadoria', 'VENDA', 'S', '1', '55', '1',"
           " ' Documento emitido por ME.' || ascii_char(13) || ascii_char(10) || 'Não gera crédito.'"
           " || ascii_char(10), '5102', '6102', '6108', '53', '00', '01', '01', 'S', 21)",
           "(1, '13', 'N', 'Remessa', 'REMESSA', 'S', '1', '55', '1', null, '5949', '6949', '6949',"
           " '53', '41', '08', '08', 's', 22)",
           "(1, '14', 'N', 'Compra', 'COMPRA', 'E', '1', '55', '1', null, '1102', '2102', '2102', '03',"
           " '00', '50', '50', 'N', 23)",
           "(1, '15', 'N', 'Ajuste', 'AJUSTE', 'S', '1', '55', '3', null, '5949', '6949', '6949', '53',"
           " '90', '49', '49', null, 24)",
           "(1, '5.949', 's', 'Outras saídas', 'OUTRAS', 'S', '2', '65', '4',"
           " ' ' || ascii_char(9) || ascii_char(13) || ascii_char(10) || '  ', null, null, null, null,"
           " null, null, null, 'S', 25)",
           "(1, '16', 'S', 'Devolução', null, 'E', null, null, null, null, null, null, null, null, null,"
           " null, null, 'S', 26)",
           "(2, '12', 'N', 'Da vizinha', 'VIZINHA', 'S', '1', '55', '1', null, '5102', '6102', '6108',"
           " '53', '00', '01', '01', 'S', 27)",
       }) {
    Banco.Executar(insert + valores);
  }

  EnviarQuenda<TSincronizarOperacaoFiscal>();
  EnviarLumio<TSincronizarOperacaoFiscal>();

  auto quenda = Corpos(Quenda, "operacaoFiscal");
  auto lumio = Corpos(Lumio, "operacoesFiscais");
  ASSERT_EQ(quenda.size(), 1u);
  ASSERT_EQ(lumio.size(), 1u);
  EXPECT_EQ(quenda[0], Juntar({
      R"({"empresaId":"emp-7","operacaoFiscalId":"12","ativo":true,"grupoId":"grupo-3","descricao":"Venda de mercadoria","operacao":"S","codAtualizacao":21})",
      R"({"empresaId":"emp-7","operacaoFiscalId":"13","ativo":true,"grupoId":"grupo-3","descricao":"Remessa","operacao":"S","codAtualizacao":22})",
      R"({"empresaId":"emp-7","operacaoFiscalId":"14","ativo":true,"grupoId":"grupo-3","descricao":"Compra","operacao":"E","codAtualizacao":23})",
      R"({"empresaId":"emp-7","operacaoFiscalId":"15","ativo":true,"grupoId":"grupo-3","descricao":"Ajuste","operacao":"S","codAtualizacao":24})",
      R"({"empresaId":"emp-7","operacaoFiscalId":"5.949","ativo":false,"grupoId":"grupo-3","descricao":"Outras saídas","operacao":"S","codAtualizacao":25})",
      R"({"empresaId":"emp-7","operacaoFiscalId":"16","ativo":false,"grupoId":"grupo-3","descricao":"Devolução","operacao":"E","codAtualizacao":26})",
  }));
  // 's', 'N' and null are not the flag: only rows 21, 25 and 26 go.
  EXPECT_EQ(lumio[0], Juntar({
      R"({"empresaId":"emp-8","operacaoFiscalId":"12","descricao":"VENDA","serie":"1","tipoDocumento":"55","finalidadeNfe":"1","mensagem":"Documento emitido por ME.\r\nNão gera crédito.","cfopEstadual":"5102","cfopInterestadual":"6102","cfopInterestadualNaoContribuinte":"6108","cstIpi":"53","ativo":true,"operacao":"S","codAtualizacao":21,"situacaoTributariaStr":"00","situacaoTributariaPisStr":"01","situacaoTributariaCofinsStr":"01"})",
      R"({"empresaId":"emp-8","operacaoFiscalId":"5.949","descricao":"OUTRAS","serie":"2","tipoDocumento":"65","finalidadeNfe":"4","mensagem":"","cfopEstadual":"","cfopInterestadual":"","cfopInterestadualNaoContribuinte":"","cstIpi":"","ativo":false,"operacao":"S","codAtualizacao":25,"situacaoTributariaStr":"","situacaoTributariaPisStr":"","situacaoTributariaCofinsStr":""})",
      R"({"empresaId":"emp-8","operacaoFiscalId":"16","descricao":"","serie":"","tipoDocumento":"","finalidadeNfe":"","mensagem":"","cfopEstadual":"","cfopInterestadual":"","cfopInterestadualNaoContribuinte":"","cstIpi":"","ativo":false,"operacao":"E","codAtualizacao":26,"situacaoTributariaStr":"","situacaoTributariaPisStr":"","situacaoTributariaCofinsStr":""})",
  }));
  EXPECT_EQ(Empresa.MaxCodAtualizacaoOperacaoFiscal, 26);
  EXPECT_EQ(EmpresaLumio.MaxCodAtualizacaoOperacaoFiscal, 26);
  EXPECT_EQ(TextosLog(), (std::vector<std::string>{
                             "Atualizando operações fiscais... Empresa: emp-7",
                             "Operações fiscais atualizados. MaxCodAtualizacao: 26",
                             "Atualizando operações fiscais lumio... Empresa: emp-8",
                             "Operações fiscais atualizados. MaxCodAtualizacao: 26",
                         }));
}

// ---- a newest row the statement keeps out ----------------------------------

// The local maximum sees the row, the statement does not: the run reads
// nothing, the mark falls to 0 and every later run asks the cloud again.
TEST_F(TSincronizacaoComercialTeste, LinhaMaisNovaFiltradaZeraAMarca) {
  Banco.Executar(DDL_CLIENTES);
  Banco.Executar(DDL_CONTAS_RECEBER);
  Banco.Executar(DDL_FORMAS_PAGTO);
  Banco.Executar(DDL_OPERACOES_FISCAIS);
  Banco.Executar("insert into CLIENTES values (1, 10, 'Ana', 1)");
  struct TCaso {
    const char* Caso;
    std::vector<const char*> Linhas;  // the sent row 20 and the kept-out row 21
    TEmpresa TSincronizacaoComercialTeste::*Empresa;
    int32_t TEmpresa::*Marca;
    TNuvemTeste TSincronizacaoComercialTeste::*Nuvem;
    const char* Recurso;
    std::function<void(TSincronizacaoComercialTeste&)> Executar;
    const char* Abertura;
    const char* Fechamento;
  };
  const std::vector<TCaso> casos = {
      {"receivable without its customer",
       {"insert into CONTAS_RECEBER values (1, 1, 1, 1, 'NF', 10, '2021-01-01', 10, '2021-02-01', null,"
        " null, null, 0, 20)",
        "insert into CONTAS_RECEBER values (1, 2, 2, 1, 'NF', 999, '2021-01-01', 10, '2021-02-01',"
        " null, null, null, 0, 21)"},
       &TSincronizacaoComercialTeste::Empresa, &TEmpresa::MaxCodAtualizacaoReceber,
       &TSincronizacaoComercialTeste::Quenda, "receber",
       [](TSincronizacaoComercialTeste& T) { T.EnviarQuenda<TSincronizarReceber>(); },
       "Atualizando contas receber... Empresa: emp-7", "Contas a receber atualizadas. MaxCodAtualizacao: "},
      {"payment method launched as CC",
       {"insert into FORMAS_PAGTO values (1, '1', 'N', 'Boleto', 'CR', '15', 1, 20)",
        "insert into FORMAS_PAGTO values (1, '2', 'N', 'Cartão', 'CC', '03', 2, 21)"},
       &TSincronizacaoComercialTeste::EmpresaLumio, &TEmpresa::MaxCodAtualizacaoFormaPagamento,
       &TSincronizacaoComercialTeste::Lumio, "formasPagamentos",
       [](TSincronizacaoComercialTeste& T) { T.EnviarLumio<TSincronizarFormaPagamento>(); },
       "Atualizando formas de pagamento lumio... Empresa: emp-8",
       "Formas de pagamento atualizados. MaxCodAtualizacao: "},
      {"fiscal operation not flagged for Lumio",
       {"insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, EH_OPERACAO_LUMIO, COD_ATUALIZACAO)"
        " values (1, '5102', 'S', 20)",
        "insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, EH_OPERACAO_LUMIO, COD_ATUALIZACAO)"
        " values (1, '1102', 'N', 21)"},
       &TSincronizacaoComercialTeste::EmpresaLumio, &TEmpresa::MaxCodAtualizacaoOperacaoFiscal,
       &TSincronizacaoComercialTeste::Lumio, "operacoesFiscais",
       [](TSincronizacaoComercialTeste& T) { T.EnviarLumio<TSincronizarOperacaoFiscal>(); },
       "Atualizando operações fiscais lumio... Empresa: emp-8",
       "Operações fiscais atualizados. MaxCodAtualizacao: "},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.Caso);
    for (const char* linha : caso.Linhas) Banco.Executar(linha);
    TEmpresa& empresa = this->*caso.Empresa;
    TNuvemTeste& nuvem = this->*caso.Nuvem;
    // The cloud already holds row 20.
    nuvem.Responder("GET", std::string(caso.Recurso) + "/maxCodAtualizacao/", 200, "20");
    empresa.*caso.Marca = 20;
    nuvem.Limpar();
    size_t antes = TextosLog().size();

    caso.Executar(*this);
    EXPECT_TRUE(Corpos(nuvem, caso.Recurso).empty());
    EXPECT_EQ(empresa.*caso.Marca, 0);
    EXPECT_EQ(TextosLogDesde(antes),
              (std::vector<std::string>{caso.Abertura, std::string(caso.Fechamento) + "0"}));
    EXPECT_EQ(PerguntasMarca(nuvem), 0u);

    // And again on the next run, this time after asking the cloud.
    caso.Executar(*this);
    EXPECT_EQ(PerguntasMarca(nuvem), 1u);
    EXPECT_TRUE(Corpos(nuvem, caso.Recurso).empty());
    EXPECT_EQ(empresa.*caso.Marca, 0);
  }
}

}  // namespace
}  // namespace borvan
