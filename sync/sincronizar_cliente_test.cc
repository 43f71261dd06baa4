// The shared run and builder, seen through the customers' synchronizer,
// and the customers' two payloads.
#include "sync/sincronizar_cliente.h"

#include <nlohmann/json.hpp>

#include "support/erros.h"
#include "tests/sincronizacao_teste.h"

namespace borvan {
namespace {

using teste::TRequisicaoRecebida;

const char* const DDL_CLIENTES =
    "create table CLIENTES (EMPRESA smallint not null, CLI_CODIGO integer not null,"
    " INATIVO char(1), CLI_NOME varchar(60), NOME_FANTASIA varchar(60), ENDERECO varchar(60),"
    " NUMERO varchar(10), COMPLEMENTO varchar(30), BAIRRO varchar(40), CEP char(9),"
    " PESSOA char(1), CPF_CNPJ varchar(18), RG_IE varchar(20), INSC_ESTADUAL varchar(20),"
    " FONE varchar(20), CELULAR varchar(20), LIMITE_CREDITO numeric(15,4),"
    " DT_CADASTRO date, DATA_ULT_COMPRA timestamp, VALOR_ULT_COMPRA numeric(15,4),"
    " REP_CODIGO integer, INDICADOR_PRESENCA smallint, CID_CODIGO integer,"
    " OBSERVACAO varchar(500), COD_ATUALIZACAO integer)";
const char* const DDL_EMAILS =
    "create table CLIENTES_EMAIL (EMPRESA smallint, CLI_CODIGO integer, EMAIL varchar(100))";

class SincronizarClienteTeste : public teste::TSincronizacaoTeste {
 protected:
  SincronizarClienteTeste() {
    Banco.Executar(DDL_CLIENTES);
    Banco.Executar(DDL_EMAILS);
  }

  // N customers of company AEmpresa with COD_ATUALIZACAO APrimeiro, +1, ...
  void InserirClientes(int AQuantidade, int APrimeiro = 1, int AEmpresa = 1) {
    Banco.Executar("execute block as declare i integer = 0; begin while (i < " +
                   std::to_string(AQuantidade) +
                   ") do begin insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, COD_ATUALIZACAO)"
                   " values (" + std::to_string(AEmpresa) + ", :i + 1, 'Cliente ' || :i, " +
                   std::to_string(APrimeiro) + " + :i); i = i + 1; end end");
  }

  void Quenda1() { TSincronizarCliente(Conexao, Empresa, Log).Execute(); }
  void Lumio1() { TSincronizarCliente(Conexao, Empresa, Log).ExecutePedidoVenda(); }

};

// ---- the run ------------------------------------------------------------

TEST_F(SincronizarClienteTeste, CloudAtZeroAndNoRowsLogsBothLinesPostsNothingAndAsksAgain) {
  Quenda1();
  Quenda1();
  EXPECT_EQ(Empresa.MaxCodAtualizacaoCliente, 0);
  EXPECT_TRUE(Filtrar(Quenda, "POST").empty());
  auto gets = Filtrar(Quenda, "GET");
  ASSERT_EQ(gets.size(), 2u);
  EXPECT_EQ(gets[0].Caminho, "/api/clientes/maxCodAtualizacao/empresa/emp-7");
  std::vector<std::string> esperadas = {
      "INFO: Atualizando clientes... Empresa: emp-7",
      "INFO: Clientes atualizados. MaxCodAtualizacao: 0",
      "INFO: Atualizando clientes... Empresa: emp-7",
      "INFO: Clientes atualizados. MaxCodAtualizacao: 0",
  };
  EXPECT_EQ(LinhasLog(), esperadas);
}

TEST_F(SincronizarClienteTeste, MarkAnswerThatIsNoNumberEndsTheRunSilently) {
  InserirClientes(3);
  for (const char* corpo : {"abc", "", "null", "12.5"}) {
    Lumio.Responder("GET", "clientes/maxCodAtualizacao", 200, corpo);
    Lumio1();
    EXPECT_EQ(Empresa.MaxCodAtualizacaoCliente, 0) << corpo;
  }
  EXPECT_TRUE(Filtrar(Lumio, "POST").empty());
  EXPECT_FALSE(ArquivoExiste(Log.GetFullFileName()));
}

TEST_F(SincronizarClienteTeste, RowsGoInAscendingBatchesOfAtMost500AndTheMarkEndsAtTheHighest) {
  struct TCaso {
    int Linhas;
    std::vector<size_t> Tamanhos;
  };
  for (const TCaso& caso : {TCaso{1001, {500, 500, 1}}, TCaso{500, {500}}, TCaso{499, {499}}}) {
    SCOPED_TRACE(caso.Linhas);
    Banco.Executar("delete from CLIENTES");
    InserirClientes(caso.Linhas, 101);
    Empresa.MaxCodAtualizacaoCliente = 0;
    Lumio.Limpar();
    Lumio1();
    auto lotes = Lotes(Filtrar(Lumio, "POST"));
    std::vector<size_t> tamanhos;
    std::vector<int> todos;
    for (const auto& lote : lotes) {
      tamanhos.push_back(lote.size());
      todos.insert(todos.end(), lote.begin(), lote.end());
    }
    EXPECT_EQ(tamanhos, caso.Tamanhos);
    EXPECT_EQ(todos, Sequencia(101, 100 + caso.Linhas));
    EXPECT_EQ(Empresa.MaxCodAtualizacaoCliente, 100 + caso.Linhas);
  }
}

TEST_F(SincronizarClienteTeste, OnlyRowsAboveTheMarkOfTheCompanyAreSent) {
  InserirClientes(10, 1, 1);
  InserirClientes(10, 1000, 2);
  Empresa.MaxCodAtualizacaoCliente = 6;
  Quenda1();
  auto lotes = Lotes(Filtrar(Quenda, "POST"));
  ASSERT_EQ(lotes.size(), 1u);
  EXPECT_EQ(lotes[0], Sequencia(7, 10));
  EXPECT_TRUE(Filtrar(Quenda, "GET").empty());
  EXPECT_EQ(Empresa.MaxCodAtualizacaoCliente, 10);
}

TEST_F(SincronizarClienteTeste, RefusedBatchLeavesTheMarkAndTheNextRunSendsEverythingAgain) {
  InserirClientes(1200, 1);
  Empresa.MaxCodAtualizacaoCliente = 0;
  int posts = 0;
  Lumio.RespondaCom([&](const std::string& AMetodo, const std::string&, const std::string&) {
    if (AMetodo == "POST" && ++posts == 2) return teste::TRespostaNuvem{400, "lote recusado"};
    return teste::TRespostaNuvem{200, AMetodo == "GET" ? "0" : ""};
  });
  try {
    Lumio1();
    FAIL() << "the refused batch must fail the run";
  } catch (const ENuvem& erro) {
    EXPECT_STREQ(erro.what(), "lote recusado");
  }
  EXPECT_EQ(Empresa.MaxCodAtualizacaoCliente, 0);
  EXPECT_EQ(Lotes(Filtrar(Lumio, "POST")).size(), 2u);
  // Only the opening line: the run ended with the error.
  EXPECT_EQ(LinhasLog(), std::vector<std::string>{"INFO: Atualizando Clientes Lumio... Empresa: emp-7"});

  Lumio.Limpar();
  Lumio1();
  auto lotes = Lotes(Filtrar(Lumio, "POST"));
  ASSERT_EQ(lotes.size(), 3u);
  EXPECT_EQ(lotes[0].front(), 1);
  EXPECT_EQ(Empresa.MaxCodAtualizacaoCliente, 1200);
}

TEST_F(SincronizarClienteTeste, LocalMaximumNotAboveTheMarkCostsNoLineAndNoRequest) {
  InserirClientes(5);
  for (int marca : {5, 9}) {
    Empresa.MaxCodAtualizacaoCliente = marca;
    Quenda1();
    EXPECT_EQ(Empresa.MaxCodAtualizacaoCliente, marca);
  }
  EXPECT_TRUE(Quenda.Requisicoes().empty());
  EXPECT_FALSE(ArquivoExiste(Log.GetFullFileName()));
}

TEST_F(SincronizarClienteTeste, CompanyNumberOutsideSixteenBitsIsAnErrorNotAnotherCompany) {
  InserirClientes(3, 1, 1);
  Empresa.LocalId = 65537;  // would wrap onto company 1
  Empresa.MaxCodAtualizacaoCliente = 0;
  EXPECT_THROW(Quenda1(), EBorvanErro);
  EXPECT_TRUE(Filtrar(Quenda, "POST").empty());
}

TEST_F(SincronizarClienteTeste, DatabaseErrorReachesTheCaller) {
  Banco.Executar("drop table CLIENTES");
  Empresa.MaxCodAtualizacaoCliente = 3;
  EXPECT_THROW(Quenda1(), EBancoDados);
}

// ---- payloads -----------------------------------------------------------

TEST_F(SincronizarClienteTeste, QuendaObjectsMemberForMember) {
  Banco.Executar(
      "insert into CLIENTES (EMPRESA, CLI_CODIGO, INATIVO, CLI_NOME, NOME_FANTASIA, CID_CODIGO,"
      " DT_CADASTRO, COD_ATUALIZACAO) values (1, 10, 'S', 'João \"Zé\" da Silva', 'Padaria/Café',"
      " 15, '2021-03-05', 1)");
  Banco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, INATIVO, COD_ATUALIZACAO)"
                 " values (1, 11, 's', 2)");
  Banco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, INATIVO, CLI_NOME, COD_ATUALIZACAO)"
                 " values (1, 12, 'N', 'Ana', 3)");
  Banco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, COD_ATUALIZACAO) values (1, 13, 4)");
  Empresa.GrupoId = "";
  Quenda1();
  auto posts = Filtrar(Quenda, "POST");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Caminho, "/api/clientes");
  EXPECT_EQ(posts[0].Corpo,
            "["
            "{\"empresaId\":\"emp-7\",\"clienteId\":10,\"ativo\":false,\"grupoId\":\"\","
            "\"nome\":\"João \\\"Zé\\\" da Silva\",\"fantasia\":\"Padaria\\/Café\",\"cidadeId\":15,"
            "\"dataCadastro\":\"2021-03-05\",\"codAtualizacao\":1},"
            "{\"empresaId\":\"emp-7\",\"clienteId\":11,\"ativo\":false,\"grupoId\":\"\","
            "\"nome\":\"\",\"fantasia\":\"\",\"cidadeId\":0,\"dataCadastro\":\"1899-12-30\","
            "\"codAtualizacao\":2},"
            "{\"empresaId\":\"emp-7\",\"clienteId\":12,\"ativo\":true,\"grupoId\":\"\","
            "\"nome\":\"Ana\",\"fantasia\":\"\",\"cidadeId\":0,\"dataCadastro\":\"1899-12-30\","
            "\"codAtualizacao\":3},"
            "{\"empresaId\":\"emp-7\",\"clienteId\":13,\"ativo\":true,\"grupoId\":\"\","
            "\"nome\":\"\",\"fantasia\":\"\",\"cidadeId\":0,\"dataCadastro\":\"1899-12-30\","
            "\"codAtualizacao\":4}"
            "]");
  EXPECT_EQ(Empresa.MaxCodAtualizacaoCliente, 4);
  EXPECT_EQ(LinhasLog(), (std::vector<std::string>{
                             "INFO: Atualizando clientes... Empresa: emp-7",
                             "INFO: Clientes atualizados. MaxCodAtualizacao: 4"}));
}

TEST_F(SincronizarClienteTeste, LumioObjectsMemberForMember) {
  Banco.Executar(
      "insert into CLIENTES values (1, 20, 'N', 'Ação Ltda', 'Ação', 'Rua A', '10', 'sala 2',"
      " 'Centro', '01001-000', 'J', '12.345.678/0001-90', 'RG', '123', '(11) 5555', '(11) 9999',"
      " 1500.5, '2020-01-02', '2024-02-29 14:30:00', 9.9, 7, 1, 15,"
      " ascii_char(13) || ascii_char(10) || '  linha 1' || ascii_char(10) || 'linha 2 ' ||"
      " ascii_char(9), 1)");
  Banco.Executar("insert into CLIENTES_EMAIL values (1, 20, 'a' || ascii_char(31) || 'b@x.com' ||"
                 " ascii_char(31) || ' ')");
  Banco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, INATIVO, CID_CODIGO, OBSERVACAO,"
                 " COD_ATUALIZACAO) values (1, 21, 'S', -4, ' ' || ascii_char(13) ||"
                 " ascii_char(10) || '   ', 2)");
  Banco.Executar("insert into CLIENTES (EMPRESA, CLI_CODIGO, COD_ATUALIZACAO) values (1, 22, 3)");
  Lumio1();
  auto posts = Filtrar(Lumio, "POST");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Caminho, "/api/clientes");
  const std::string vazio =
      "\"endereco\":\"\",\"numero\":\"\",\"complemento\":\"\",\"bairro\":\"\",\"cep\":\"\","
      "\"pessoa\":\"\",\"cpfCnpj\":\"\",\"rgIE\":\"\",\"inscricaoEstadual\":\"\","
      "\"telefone\":\"\",\"celular\":\"\",\"email\":\"\",\"limiteCredito\":0,"
      "\"dataUltimaCompra\":\"1899-12-30\",\"valorUltimaCompra\":0,\"representanteId\":0,";
  EXPECT_EQ(posts[0].Corpo,
            "["
            "{\"empresaId\":\"emp-7\",\"clienteId\":20,\"nome\":\"Ação Ltda\",\"fantasia\":\"Ação\","
            "\"endereco\":\"Rua A\",\"numero\":\"10\",\"complemento\":\"sala 2\","
            "\"bairro\":\"Centro\",\"cep\":\"01001-000\",\"pessoa\":\"J\","
            "\"cpfCnpj\":\"12.345.678\\/0001-90\",\"rgIE\":\"RG\",\"inscricaoEstadual\":\"123\","
            "\"telefone\":\"(11) 5555\",\"celular\":\"(11) 9999\",\"email\":\"ab@x.com \","
            "\"limiteCredito\":1500.5,\"dataUltimaCompra\":\"2024-02-29\","
            "\"valorUltimaCompra\":9.9,\"representanteId\":7,\"ativo\":true,"
            "\"indicadorPresenca\":1,\"observacao\":\"linha 1\\nlinha 2\","
            "\"codAtualizacao\":1,\"cidade\":{\"id\":15}},"
            "{\"empresaId\":\"emp-7\",\"clienteId\":21,\"nome\":\"\",\"fantasia\":\"\"," +
                vazio +
                "\"ativo\":false,\"indicadorPresenca\":0,\"observacao\":\"\","
                "\"codAtualizacao\":2},"
                "{\"empresaId\":\"emp-7\",\"clienteId\":22,\"nome\":\"\",\"fantasia\":\"\"," +
                vazio +
                "\"ativo\":true,\"indicadorPresenca\":0,\"observacao\":\"\","
                "\"codAtualizacao\":3}"
                "]");
  EXPECT_EQ(LinhasLog(), (std::vector<std::string>{
                             "INFO: Atualizando Clientes Lumio... Empresa: emp-7",
                             "INFO: Clientes atualizados. MaxCodAtualizacao: 3"}));
}

// ---- text helpers -------------------------------------------------------

TEST(SincronizarBaseTexto, DatesAndBackslashes) {
  TDataHora data{2021, 3, 5, 14, 30, 0, 0};
  EXPECT_EQ(TSincronizarBase::FormatarData(data), "2021-03-05");
  EXPECT_EQ(TSincronizarBase::FormatarData(TDataHora{}), "1899-12-30");
  EXPECT_EQ(TSincronizarBase::FormatarDataSql(TDataHora{2018, 1, 1}), "'01.01.2018'");
  EXPECT_EQ(TSincronizarBase::DuplicarBarras("a\\b"), "a\\\\b");
  EXPECT_EQ(TSincronizarBase::DuplicarBarras("\\\\x\\"), "\\\\\\\\x\\\\");
  EXPECT_EQ(TSincronizarBase::DuplicarBarras("sem barra"), "sem barra");
}

}  // namespace
}  // namespace borvan
