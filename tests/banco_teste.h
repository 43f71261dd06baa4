// A throw-away Firebird database on the local server for tests.
#pragma once

#include <memory>
#include <string>

namespace borvan::teste {

// Creates a fresh empty UTF8 database under /tmp on localhost (user sysdba)
// and drops it on destruction, ending any attachment still left to it.
// Failures throw std::runtime_error with Firebird's message.
class TBancoTeste {
 public:
  TBancoTeste();
  ~TBancoTeste();
  TBancoTeste(const TBancoTeste&) = delete;
  TBancoTeste& operator=(const TBancoTeste&) = delete;

  // Runs one DDL or DML statement in a transaction of its own and commits.
  void Executar(const std::string& ASql);

  // The database file path on the server.
  const std::string& Caminho() const { return FCaminho; }
  // "localhost:" + Caminho().
  std::string TextoConexao() const { return "localhost:" + FCaminho; }
  // Writes AArquivoIni with a [Borvan] section for this database on the
  // server host AServidor.
  void GravarDefinicao(const std::string& AArquivoIni,
                       const std::string& AServidor = "localhost") const;

 private:
  struct TImpl;
  std::string FCaminho;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace borvan::teste
