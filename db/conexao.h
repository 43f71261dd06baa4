// Our small layer over libfbclient's object-oriented API: the named
// connection definition, the connection and the query.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "support/data_hora.h"

namespace borvan {

// One named definition of ConnectionDefs.ini.
struct TDefinicaoConexao {
  std::string DriverID;      // must be "FB"
  std::string Server;        // host exactly as written (may be "host/port")
  std::string Database;      // path on that server
  std::string CharacterSet;  // "UTF8" when absent

  // Reads section [ASecao] of the INI file AArquivo. A missing file,
  // section or key (or a DriverID other than FB) throws EBorvanErro
  // naming the file and what is missing.
  static TDefinicaoConexao Ler(const std::string& AArquivo, const std::string& ASecao);
  // Server + ":" + Database.
  std::string TextoConexao() const;
};

class TQuery;

// What one connection did since it was created; cheap counters for
// measurements and tests.
struct TEstatisticasConexao {
  uint64_t Conexoes = 0;  // attachments made
  uint64_t Consultas = 0;  // statements executed (TQuery::Abrir)
  uint64_t Linhas = 0;     // rows fetched
};

// The service's connection to the back-office database. Opens on first use
// (Abrir or a query's Abrir) and is closed explicitly; the definition file
// is read again at every open.
class TConexao {
 public:
  // AArquivoDefinicoes: path of ConnectionDefs.ini; ADefinicao: section.
  TConexao(std::string AArquivoDefinicoes, std::string ADefinicao, std::string AUsuario,
           std::string ASenha);
  ~TConexao();
  TConexao(const TConexao&) = delete;
  TConexao& operator=(const TConexao&) = delete;

  // Connects when closed. Throws EBorvanErro/EBancoDados with the reason.
  void Abrir();
  // Disconnects when open; never throws.
  void Fechar();
  bool Aberta() const;
  // The Server text of the definition as configured (reads the file).
  std::string Servidor() const;
  const TEstatisticasConexao& Estatisticas() const;

 private:
  friend class TQuery;
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// A SELECT statement with :NAME parameters, streamed row by row through a
// read-only transaction. Statement, cursor and transaction are released on
// every path (Fechar or destruction).
class TQuery {
 public:
  explicit TQuery(TConexao& AConexao);
  ~TQuery();
  TQuery(const TQuery&) = delete;
  TQuery& operator=(const TQuery&) = delete;

  void SetSql(std::string ASql);
  const std::string& Sql() const;

  // Parameters by name (without the colon). A 16-bit value outside
  // -32768..32767 throws EBorvanErro: never wrapped onto another company.
  void ParamSmallInt(const std::string& ANome, int32_t AValor);
  void ParamInteger(const std::string& ANome, int32_t AValor);

  // Opens the connection when closed, prepares, binds, executes and fetches
  // the first row. Throws EBancoDados with Firebird's message.
  void Abrir();
  bool Eof() const;
  void Proximo();
  void Fechar();

  // Column index by name (case as the statement returns it); throws
  // EBorvanErro when absent. Resolve once, read by index per row.
  int Indice(const std::string& ANome) const;
  bool EhNulo(int AIndice) const;
  // CHAR right-trimmed, VARCHAR as stored, numbers as their decimal text
  // (scaled numbers with their decimals), dates as text; null is "".
  std::string Texto(int AIndice) const;
  // Exactly the text of Texto, without a copy for CHAR and VARCHAR columns
  // holding UTF-8. Valid until the next TextoVista, Proximo, Abrir or
  // Fechar of this query.
  std::string_view TextoVista(int AIndice) const;
  // Integer columns (SMALLINT, INTEGER, BIGINT within range, NUMERIC with
  // scale 0); null is 0.
  int32_t Inteiro(int AIndice) const;
  // Fixed-point with four decimals converted to double; null is 0.
  double Decimal(int AIndice) const;
  // DATE, TIMESTAMP (TIME on the zero date); null is the zero date.
  TDataHora DataHora(int AIndice) const;

  // By name, for code that reads a row once.
  bool EhNulo(const std::string& ANome) const { return EhNulo(Indice(ANome)); }
  std::string Texto(const std::string& ANome) const { return Texto(Indice(ANome)); }
  int32_t Inteiro(const std::string& ANome) const { return Inteiro(Indice(ANome)); }
  double Decimal(const std::string& ANome) const { return Decimal(Indice(ANome)); }
  TDataHora DataHora(const std::string& ANome) const { return DataHora(Indice(ANome)); }

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace borvan
