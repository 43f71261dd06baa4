#include "db/conexao.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "support/erros.h"
#include "tests/banco_teste.h"
#include "tests/diretorio_temporario.h"

namespace borvan {
namespace {

using teste::GravarArquivo;
using teste::TBancoTeste;
using teste::TDiretorioTemporario;

// A fresh database, its ConnectionDefs.ini and a service connection to it.
class TBancoFixture : public testing::Test {
 protected:
  TBancoFixture() { FBanco.GravarDefinicao(FIni); }

  // First column of every row of ASql, as text.
  std::vector<std::string> Textos(const std::string& ASql) {
    TQuery query(FConexao);
    query.SetSql(ASql);
    query.Abrir();
    std::vector<std::string> textos;
    for (; !query.Eof(); query.Proximo()) textos.push_back(query.Texto(0));
    return textos;
  }

  int32_t Inteiro(const std::string& ASql) {
    TQuery query(FConexao);
    query.SetSql(ASql);
    query.Abrir();
    return query.Inteiro(0);
  }

  TDiretorioTemporario FDiretorio;
  TBancoTeste FBanco;
  std::string FIni = FDiretorio.Arquivo("ConnectionDefs.ini");
  TConexao FConexao{FIni, "Borvan", "sysdba", "quillfern"};
};

// ---------------------------------------------------------------------------
// Column readers

struct TLinhaTipos {
  int Id;
  bool Nula;
  const char* C;
  const char* V;
  const char* S;
  const char* I;
  const char* N;
  const char* D;
  const char* TS;
  const char* B;
  int32_t InteiroS;
  int32_t InteiroI;
  double DecimalN;
  TDataHora DataD;
  TDataHora DataTS;
};

TEST_F(TBancoFixture, LeCadaTipoDeColuna) {
  FBanco.Executar(
      "create table TIPOS (ID integer, C char(5), V varchar(20), S smallint, I integer,"
      " N numeric(15,4), D date, TS timestamp, B blob sub_type text)");
  FBanco.Executar(
      "insert into TIPOS values (1, 'ab', 'ab  ', -7, 123456, 12.5, '2021-03-05',"
      " '2021-03-05 14:30:15.250', 'nota')");
  FBanco.Executar("insert into TIPOS (ID) values (2)");
  FBanco.Executar(
      "insert into TIPOS values (3, 'Ação', ' Ação ', 32767, -2147483648, -0.0001, '1999-12-31',"
      " '2000-01-01 00:00:00', 'observação')");

  const TLinhaTipos esperadas[] = {
      {1, false, "ab", "ab  ", "-7", "123456", "12.5000", "2021-03-05", "2021-03-05 14:30:15",
       "nota", -7, 123456, 12.5, {2021, 3, 5, 0, 0, 0, 0}, {2021, 3, 5, 14, 30, 15, 250}},
      {2, true, "", "", "", "", "", "", "", "", 0, 0, 0.0, TDataHora{}, TDataHora{}},
      {3, false, "Ação", " Ação ", "32767", "-2147483648", "-0.0001", "1999-12-31",
       "2000-01-01 00:00:00", "observação", 32767, std::numeric_limits<int32_t>::min(), -0.0001,
       {1999, 12, 31, 0, 0, 0, 0}, {2000, 1, 1, 0, 0, 0, 0}},
  };

  TQuery query(FConexao);
  query.SetSql("select ID, C, V, S, I, N, D, TS, B from TIPOS order by ID");
  query.Abrir();
  // Names resolve once per open, without regard to letter case.
  const int c = query.Indice("c"), v = query.Indice("V"), s = query.Indice("S"),
            i = query.Indice("I"), n = query.Indice("N"), d = query.Indice("D"),
            ts = query.Indice("TS"), b = query.Indice("B");
  EXPECT_THROW(query.Indice("NADA"), EBorvanErro);

  for (const TLinhaTipos& esperada : esperadas) {
    SCOPED_TRACE("ID " + std::to_string(esperada.Id));
    ASSERT_FALSE(query.Eof());
    ASSERT_EQ(query.Inteiro("ID"), esperada.Id);
    for (int coluna : {c, v, s, i, n, d, ts, b}) EXPECT_EQ(query.EhNulo(coluna), esperada.Nula);
    EXPECT_EQ(query.Texto(c), esperada.C);
    EXPECT_EQ(query.Texto(v), esperada.V);
    EXPECT_EQ(query.Texto(s), esperada.S);
    EXPECT_EQ(query.Texto(i), esperada.I);
    EXPECT_EQ(query.Texto(n), esperada.N);
    EXPECT_EQ(query.Texto(d), esperada.D);
    EXPECT_EQ(query.Texto(ts), esperada.TS);
    EXPECT_EQ(query.Texto(b), esperada.B);
    EXPECT_EQ(query.Inteiro(s), esperada.InteiroS);
    EXPECT_EQ(query.Inteiro(i), esperada.InteiroI);
    EXPECT_EQ(query.Decimal(n), esperada.DecimalN);
    EXPECT_EQ(query.Decimal(i), static_cast<double>(esperada.InteiroI));
    EXPECT_EQ(query.DataHora(d), esperada.DataD);
    EXPECT_EQ(query.DataHora(ts), esperada.DataTS);
    query.Proximo();
  }
  EXPECT_TRUE(query.Eof());
  EXPECT_THROW(query.DataHora(c), EBorvanErro);
  EXPECT_THROW(query.Inteiro(d), EBorvanErro);

  // A text blob longer than one segment comes back whole.
  query.SetSql(
      "select cast(lpad('', 8000, 'x') as blob sub_type text) || lpad('', 8000, 'y')"
      " || lpad('', 8000, 'z') from RDB$DATABASE");
  query.Abrir();
  EXPECT_EQ(query.Texto(0),
            std::string(8000, 'x') + std::string(8000, 'y') + std::string(8000, 'z'));
}

struct TCasoNumero {
  const char* Expressao;
  const char* Texto;
  // Absent: reading it so fails.
  std::optional<int32_t> Inteiro;
  std::optional<double> Decimal;
};

// Scaled numbers come in several storage widths; amounts keep four decimals.
// The copy-free reader the builders use must read exactly what Texto reads,
// for every kind of column and every row, also after the buffer is reused.
TEST_F(TBancoFixture, TextoVistaLeOMesmoQueTexto) {
  FBanco.Executar(
      "create table VISTA (ID integer, C char(6), V varchar(12), N numeric(15,4),"
      " D date, T timestamp, B blob sub_type text, CN char(4) character set none,"
      " VN varchar(8) character set none)");
  FBanco.Executar("insert into VISTA values (1, 'ab', 'xy  ', 12.5, '2021-03-05',"
                  " '2024-02-29 14:30:00', 'blob ' || ascii_char(10) || 'ção', 'ok', 'Ação')");
  FBanco.Executar("insert into VISTA values (2, null, null, null, null, null, null, null, null)");
  FBanco.Executar("insert into VISTA values (3, '', '', 0, null, null, '', x'E7',"
                  " x'618062')");
  TQuery query(FConexao);
  query.SetSql("select * from VISTA order by ID");
  query.Abrir();
  int linhas = 0;
  for (; !query.Eof(); query.Proximo(), ++linhas) {
    for (int coluna = 0; coluna < 9; ++coluna) {
      std::string esperado = query.Texto(coluna);
      EXPECT_EQ(std::string(query.TextoVista(coluna)), esperado)
          << "row " << linhas << " column " << coluna;
    }
  }
  EXPECT_EQ(linhas, 3);
}

TEST_F(TBancoFixture, LeNumerosDeCadaLarguraEEscala) {
  const TCasoNumero casos[] = {
      {"cast(7 as smallint)", "7", 7, 7.0},
      {"cast(-5 as bigint)", "-5", -5, -5.0},
      {"cast(2147483648 as bigint)", "2147483648", std::nullopt, 2147483648.0},
      {"cast(-2147483649 as bigint)", "-2147483649", std::nullopt, -2147483649.0},
      {"count(*)", "1", 1, 1.0},
      {"cast(42 as numeric(18,0))", "42", 42, 42.0},
      {"cast(3 as numeric(15,2))", "3.00", 3, 3.0},
      {"cast(3.5 as numeric(15,2))", "3.50", std::nullopt, 3.5},
      {"cast(-0.05 as numeric(9,2))", "-0.05", std::nullopt, -0.05},
      {"cast(-1.5 as numeric(4,1))", "-1.5", std::nullopt, -1.5},
      {"cast(99999999999.9999 as numeric(15,4))", "99999999999.9999", std::nullopt,
       99999999999.9999},
      {"cast(1.23455 as numeric(18,6))", "1.234550", std::nullopt, 1.2346},
      {"cast(-1.23455 as numeric(18,6))", "-1.234550", std::nullopt, -1.2346},
      {"cast(2.00004 as numeric(18,5))", "2.00004", std::nullopt, 2.0},
      {"cast(0.1 as double precision)", "0.1", std::nullopt, 0.1},
      {"cast(' -42 ' as varchar(10))", " -42 ", -42, -42.0},
      {"'12.5'", "12.5", std::nullopt, 12.5},
      {"'  '", "", 0, 0.0},
      {"'12a'", "12a", std::nullopt, std::nullopt},
      {"'99999999999'", "99999999999", std::nullopt, 99999999999.0},
  };
  for (const TCasoNumero& caso : casos) {
    SCOPED_TRACE(caso.Expressao);
    TQuery query(FConexao);
    query.SetSql(std::string("select ") + caso.Expressao + " as VALOR from RDB$DATABASE");
    query.Abrir();
    EXPECT_EQ(query.Texto("VALOR"), caso.Texto);
    if (caso.Decimal) {
      EXPECT_EQ(query.Decimal("VALOR"), *caso.Decimal);
    } else {
      EXPECT_THROW(query.Decimal("VALOR"), EBorvanErro);
    }
    if (caso.Inteiro) {
      EXPECT_EQ(query.Inteiro("VALOR"), *caso.Inteiro);
    } else {
      EXPECT_THROW(query.Inteiro("VALOR"), EBorvanErro);
    }
  }
}

// ---------------------------------------------------------------------------
// Parameters

class TParametrosFixture : public TBancoFixture {
 protected:
  TParametrosFixture() {
    FBanco.Executar(
        "create table MOV (EMPRESA smallint, COD_ATUALIZACAO integer, NOME varchar(20))");
    for (const char* linha : {"1, 10, 'dez'", "1, 20, 'vinte'", "1, 5, 'velho'", "2, 30, 'outra'",
                              "-32768, 1, 'minima'", "32767, 1, 'maxima'"}) {
      FBanco.Executar(std::string("insert into MOV values (") + linha + ")");
    }
  }
};

TEST_F(TParametrosFixture, LigaPorNomeERespeitaTextosEComentarios) {
  TQuery query(FConexao);
  query.SetSql(
      "select NOME, ':EMPRESA' as LITERAL, 'it''s :X' as CITACAO, COD_ATUALIZACAO as \"A:B\"\n"
      "  from MOV /* :NADA */\n"
      " where EMPRESA = :EMPRESA and COD_ATUALIZACAO > :cod_atualizacao -- :OUTRO\n"
      "   and :EMPRESA = EMPRESA\n"
      " order by EMPRESA, COD_ATUALIZACAO");
  query.ParamSmallInt("EMPRESA", 1);
  query.ParamInteger("COD_ATUALIZACAO", 5);
  query.Abrir();
  std::vector<std::string> nomes;
  for (; !query.Eof(); query.Proximo()) {
    nomes.push_back(query.Texto("NOME"));
    EXPECT_EQ(query.Texto("LITERAL"), ":EMPRESA");
    EXPECT_EQ(query.Texto("CITACAO"), "it's :X");
  }
  EXPECT_EQ(nomes, (std::vector<std::string>{"dez", "vinte"}));
  EXPECT_EQ(query.Inteiro("A:B"), 20);

  // New values take effect at the next open.
  query.ParamSmallInt("EMPRESA", 2);
  query.ParamInteger("COD_ATUALIZACAO", 0);
  query.Abrir();
  ASSERT_FALSE(query.Eof());
  EXPECT_EQ(query.Texto("NOME"), "outra");
}

TEST_F(TParametrosFixture, ParametroDesconhecidoOuSemValorFalha) {
  TQuery query(FConexao);
  query.SetSql("select NOME from MOV where EMPRESA = :EMPRESA and COD_ATUALIZACAO > :COD");
  EXPECT_THROW(query.ParamInteger("NADA", 1), EBorvanErro);
  query.ParamSmallInt("EMPRESA", 1);
  try {
    query.Abrir();
    FAIL() << "opened with an unbound parameter";
  } catch (const EBorvanErro& e) {
    EXPECT_NE(std::string(e.what()).find("COD"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(query.Eof());
  // A new text forgets the values bound for the old one.
  query.SetSql("select NOME from MOV where EMPRESA = :EMPRESA");
  EXPECT_THROW(query.Abrir(), EBorvanErro);
}

// A company number outside SMALLINT must fail, not wrap onto another
// company: 32768 would otherwise read the rows of company -32768.
TEST_F(TParametrosFixture, EmpresaForaDe16BitsFalhaSemDarVolta) {
  struct TCaso {
    int32_t Empresa;
    const char* Nome;  // nullptr: refused
  };
  const TCaso casos[] = {{-32768, "minima"}, {32767, "maxima"}, {32768, nullptr},
                         {-32769, nullptr}, {65537, nullptr}};
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Empresa);
    TQuery query(FConexao);
    query.SetSql("select NOME from MOV where EMPRESA = :EMPRESA");
    if (caso.Nome == nullptr) {
      EXPECT_THROW(query.ParamSmallInt("EMPRESA", caso.Empresa), EBorvanErro);
      EXPECT_THROW(query.Abrir(), EBorvanErro);
      continue;
    }
    query.ParamSmallInt("EMPRESA", caso.Empresa);
    query.Abrir();
    ASSERT_FALSE(query.Eof());
    EXPECT_EQ(query.Texto(0), caso.Nome);
  }
}

// ---------------------------------------------------------------------------
// Streaming

class TSequenciaFixture : public TBancoFixture {
 protected:
  TSequenciaFixture() {
    FBanco.Executar("create table SEQ (COD integer)");
    // Inserted backwards so that only the ordering gives ascending rows.
    FBanco.Executar(
        "execute block as declare i integer = 2000; begin"
        " while (i > 0) do begin insert into SEQ values (:i); i = i - 1; end end");
  }
};

TEST_F(TSequenciaFixture, EntregaAsLinhasEmOrdemEAUltimaFicaLegivel) {
  TQuery query(FConexao);
  query.SetSql("select COD from SEQ order by COD");
  query.Abrir();
  int32_t esperado = 0;
  for (; !query.Eof(); query.Proximo()) {
    ASSERT_EQ(query.Inteiro(0), ++esperado);
  }
  EXPECT_EQ(esperado, 2000);
  // Past the end the last row read stays current: it is the highest sent.
  EXPECT_EQ(query.Inteiro(0), 2000);
  query.Proximo();
  EXPECT_TRUE(query.Eof());

  query.SetSql("select COD from SEQ where COD > 5000");
  query.Abrir();
  EXPECT_TRUE(query.Eof());
  EXPECT_TRUE(query.EhNulo(0));
  EXPECT_EQ(query.Inteiro(0), 0);
}

// Rows reach the caller as they are fetched: a row that fails near the end
// does not keep the earlier ones from being read.
TEST_F(TSequenciaFixture, ErroNoMeioChegaDepoisDasLinhasAnteriores) {
  TQuery query(FConexao);
  query.SetSql("select COD, 1 / (2000 - COD) as X from SEQ order by COD");
  query.Abrir();
  int32_t lidas = 0;
  try {
    for (; !query.Eof(); query.Proximo()) ++lidas;
    FAIL() << "no error at the last row";
  } catch (const EBancoDados& e) {
    EXPECT_NE(std::string(e.what()).find("divide by zero"), std::string::npos) << e.what();
  }
  EXPECT_EQ(lidas, 1999);
  EXPECT_TRUE(query.Eof());
  query.Fechar();
  EXPECT_EQ(Inteiro("select count(*) from SEQ"), 2000);
}

// ---------------------------------------------------------------------------
// Errors

TEST_F(TBancoFixture, ErroDeComandoTrazAMensagemDoFirebird) {
  struct TCaso {
    const char* Sql;
    const char* Trecho;
  };
  const TCaso casos[] = {
      {"select * from NADA", "Table unknown NADA"},
      {"select NADA from RDB$DATABASE", "Column unknown NADA"},
      {"select 1 / 0 from RDB$DATABASE", "divide by zero"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Sql);
    TQuery query(FConexao);
    query.SetSql(caso.Sql);
    try {
      query.Abrir();
      ADD_FAILURE() << "no error";
    } catch (const EBancoDados& e) {
      const std::string mensagem = e.what();
      EXPECT_NE(mensagem.find(caso.Trecho), std::string::npos) << mensagem;
      EXPECT_EQ(mensagem.find('\n'), std::string::npos) << "one log line: " << mensagem;
    }
    EXPECT_TRUE(query.Eof());
  }
}

TEST_F(TBancoFixture, FalhaDeConexaoTrazAMensagemDoFirebird) {
  struct TCaso {
    const char* Nome;
    std::string Definicao;
    const char* Senha;
    std::string Trecho;
  };
  const std::string ausente = "/tmp/borvan-nao-existe-" + std::to_string(getpid()) + ".fdb";
  const TCaso casos[] = {
      {"SenhaErrada", "", "errada", "password"},
      {"BancoAusente", "[Borvan]\nDriverID=FB\nServer=localhost\nDatabase=" + ausente + "\n",
       "quillfern", ausente},
      {"ServidorInalcancavel",
       "[Borvan]\nDriverID=FB\nServer=127.0.0.1/1\nDatabase=" + FBanco.Caminho() + "\n",
       "quillfern", "network request"},
  };
  for (const TCaso& caso : casos) {
    SCOPED_TRACE(caso.Nome);
    const std::string ini = FDiretorio.Arquivo(std::string(caso.Nome) + ".ini");
    if (caso.Definicao.empty()) {
      FBanco.GravarDefinicao(ini);
    } else {
      GravarArquivo(ini, caso.Definicao);
    }
    TConexao conexao(ini, "Borvan", "sysdba", caso.Senha);
    TQuery query(conexao);
    query.SetSql("select 1 from RDB$DATABASE");
    try {
      query.Abrir();
      ADD_FAILURE() << "connected";
    } catch (const EBancoDados& e) {
      EXPECT_NE(std::string(e.what()).find(caso.Trecho), std::string::npos) << e.what();
    }
    EXPECT_FALSE(conexao.Aberta());
  }
  // A missing definition is our own error, not the library's.
  TConexao semArquivo(FDiretorio.Arquivo("nada.ini"), "Borvan", "sysdba", "quillfern");
  try {
    semArquivo.Abrir();
    ADD_FAILURE() << "connected";
  } catch (const EBancoDados& e) {
    ADD_FAILURE() << "database error for a missing file: " << e.what();
  } catch (const EBorvanErro& e) {
    EXPECT_NE(std::string(e.what()).find("nada.ini"), std::string::npos) << e.what();
  }
}

// The service only reads: anything but a SELECT is refused before it runs.
TEST_F(TParametrosFixture, RecusaComandoQueNaoSejaSelect) {
  for (const char* sql : {"update MOV set NOME = 'x'", "delete from MOV",
                          "insert into MOV values (9, 9, 'x')"}) {
    SCOPED_TRACE(sql);
    TQuery query(FConexao);
    query.SetSql(sql);
    EXPECT_THROW(query.Abrir(), EBorvanErro);
  }
  EXPECT_EQ(Textos("select NOME from MOV where EMPRESA = 1 order by COD_ATUALIZACAO"),
            (std::vector<std::string>{"velho", "dez", "vinte"}));
}

// ---------------------------------------------------------------------------
// Life cycle

TEST_F(TBancoFixture, ReabreDepoisDeFecharELendoADefinicaoDeNovo) {
  FBanco.Executar("create table QUAL (NOME varchar(10))");
  FBanco.Executar("insert into QUAL values ('primeiro')");
  TBancoTeste outro;
  outro.Executar("create table QUAL (NOME varchar(10))");
  outro.Executar("insert into QUAL values ('segundo')");

  TQuery query(FConexao);
  EXPECT_THROW(query.Texto(0), EBorvanErro);
  query.SetSql("select NOME from QUAL");
  EXPECT_FALSE(FConexao.Aberta());
  query.Abrir();
  EXPECT_TRUE(FConexao.Aberta());
  EXPECT_EQ(query.Texto(0), "primeiro");

  // Closing the connection also closes the query still open on it.
  FConexao.Fechar();
  EXPECT_FALSE(FConexao.Aberta());
  EXPECT_TRUE(query.Eof());
  EXPECT_THROW(query.Texto(0), EBorvanErro);
  FConexao.Fechar();

  outro.GravarDefinicao(FIni);
  query.Abrir();
  EXPECT_EQ(query.Texto(0), "segundo");
  query.Fechar();
  FConexao.Fechar();
  FConexao.Abrir();
  FConexao.Abrir();
  EXPECT_EQ(Textos("select NOME from QUAL"), std::vector<std::string>{"segundo"});
}

// Attachments of this database other than the observer's own.
int32_t OutrosAnexos(TConexao& AObservador) {
  TQuery query(AObservador);
  query.SetSql(
      "select count(*) from MON$ATTACHMENTS"
      " where MON$SYSTEM_FLAG = 0 and MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
  query.Abrir();
  return query.Inteiro(0);
}

TEST_F(TSequenciaFixture, FecharComQueryAbertaDesconectaDeVerdade) {
  const std::string ini = FDiretorio.Arquivo("observador.ini");
  FBanco.GravarDefinicao(ini);
  TConexao observador(ini, "Borvan", "sysdba", "quillfern");
  const int32_t antes = OutrosAnexos(observador);

  TQuery query(FConexao);
  query.SetSql("select COD from SEQ order by COD");
  query.Abrir();
  query.Proximo();
  EXPECT_EQ(OutrosAnexos(observador), antes + 1);
  FConexao.Fechar();
  EXPECT_EQ(OutrosAnexos(observador), antes);
}

// Failing and abandoned queries leave no transaction or statement behind on
// the long-lived connection.
TEST_F(TSequenciaFixture, QueriesQueFalhamNaoDeixamRecursosPresos) {
  for (int volta = 0; volta < 50; ++volta) {
    for (const char* sql : {"select * from NADA", "select 1 / 0 from RDB$DATABASE",
                            "delete from SEQ", "select COD from SEQ where COD = :SEM_VALOR"}) {
      TQuery query(FConexao);
      query.SetSql(sql);
      EXPECT_THROW(query.Abrir(), EBorvanErro) << sql;
    }
    TQuery abandonada(FConexao);
    abandonada.SetSql("select COD from SEQ order by COD");
    abandonada.Abrir();
    abandonada.Proximo();
  }
  TQuery reusada(FConexao);
  reusada.SetSql("select * from NADA");
  EXPECT_THROW(reusada.Abrir(), EBancoDados);
  reusada.SetSql("select count(*) from SEQ");
  reusada.Abrir();
  EXPECT_EQ(reusada.Inteiro(0), 2000);
  reusada.Fechar();

  EXPECT_TRUE(FConexao.Aberta());
  // Only the counting statement and its own transaction remain.
  EXPECT_EQ(Inteiro("select count(*) from MON$TRANSACTIONS"
                    " where MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
            1);
  EXPECT_EQ(Inteiro("select count(*) from MON$STATEMENTS"
                    " where MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
            1);
}

}  // namespace
}  // namespace borvan
