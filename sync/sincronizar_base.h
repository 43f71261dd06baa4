// The base of every entity synchronizer: one company, one run, one cloud.
// The run (mark from the cloud, local maximum, opening and closing lines)
// and the builder (streamed rows, batches of at most 500, the mark moved
// only once every batch was accepted) exist here once; an entity gives its
// statement, its texts, its wrapper and its row-to-JSON mapping.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cloud/base_client.h"
#include "db/conexao.h"
#include "service/empresa.h"
#include "support/data_hora.h"
#include "support/json.h"
#include "support/log.h"

namespace borvan {

// The cloud side of a run, whatever the entity: what the wrappers of the
// endpoint table offer to a row-based synchronizer.
class TServicoEntidade {
 public:
  virtual ~TServicoEntidade() = default;
  virtual int MaxCodigoAtualizacao(const std::string& AEmpresaId) = 0;
  virtual void Save(const TJsonEscritor& AJson) = 0;
};

template <class TService>
class TServicoEntidadeDe : public TServicoEntidade {
 public:
  TServicoEntidadeDe() : FServico(TOKEN_BORVAN) {}
  int MaxCodigoAtualizacao(const std::string& AEmpresaId) override {
    return FServico.MaxCodigoAtualizacao(AEmpresaId);
  }
  void Save(const TJsonEscritor& AJson) override { FServico.Save(AJson); }

 private:
  TService FServico;
};

// One row of the cursor seen through the row-to-JSON kinds: each call
// reads a column and writes one member of the current object. Columns are
// resolved by name on the first row and by position afterwards, so a
// mapping must read its columns in the same order on every row.
class TLinhaJson {
 public:
  TLinhaJson(const TQuery& AQuery, TJsonEscritor& AJson) : FQuery(AQuery), FJson(AJson) {}

  // A value that does not come from a column (company ids and the like).
  void Valor(const char* AMembro, const std::string& AValor) { FJson.Texto(AMembro, AValor); }
  void Valor(const char* AMembro, int64_t AValor) { FJson.Inteiro(AMembro, AValor); }

  void Texto(const char* AMembro, const char* AColuna);
  void Inteiro(const char* AMembro, const char* AColuna);
  void Decimal(const char* AMembro, const char* AColuna);
  void Data(const char* AMembro, const char* AColuna);
  void Flag(const char* AMembro, const char* AColuna);
  void FlagNegada(const char* AMembro, const char* AColuna);
  void NumeroTexto(const char* AMembro, const char* AColuna);
  void TextoAparado(const char* AMembro, const char* AColuna);

  // Column reads for members that need more than one kind.
  std::string LerTexto(const char* AColuna);
  int32_t LerInteiro(const char* AColuna);
  TDataHora LerDataHora(const char* AColuna);

  TJsonEscritor& Json() { return FJson; }
  // Starts the next row: the column positions are reused.
  void ProximaLinha() { FPosicao = 0; }

 private:
  int Coluna(const char* AColuna);

  const TQuery& FQuery;
  TJsonEscritor& FJson;
  std::vector<std::pair<const char*, int>> FColunas;
  size_t FPosicao = 0;
};

// What distinguishes one path (an entity towards one cloud) from another.
struct TCaminhoSincronizacao {
  // The entity's high-water mark in TEmpresa.
  int32_t TEmpresa::*Marca = nullptr;
  // Table of the local maximum.
  std::string Tabela;
  std::string TextoAbertura;
  std::string TextoFechamento;
  // The cloud wrapper, created for one piece of work.
  std::function<std::unique_ptr<TServicoEntidade>()> CriarServico;
  // The statement, given the mark (two entities splice their filter in).
  std::function<std::string(int32_t AMarca)> Sql;
  // Writes the members of one row's object.
  std::function<void(TLinhaJson&)> Montar;
  // Called with each batch just before it is posted (may be empty).
  std::function<void(const TJsonEscritor&)> AntesDeEnviar;
};

template <class TService>
std::function<std::unique_ptr<TServicoEntidade>()> Servico() {
  return [] { return std::make_unique<TServicoEntidadeDe<TService>>(); };
}

class TSincronizarBase {
 public:
  // Borrows the connection, the company and the log for one run.
  TSincronizarBase(TConexao& AConexao, TEmpresa& AEmpresa, TLog& ALog);
  virtual ~TSincronizarBase() = default;
  TSincronizarBase(const TSincronizarBase&) = delete;
  TSincronizarBase& operator=(const TSincronizarBase&) = delete;

  // The Quenda path.
  virtual void Execute() = 0;
  // The Lumio path; nothing for entities Lumio does not receive.
  virtual void ExecutePedidoVenda() {}

  // "yyyy-mm-dd"; the time of day is ignored.
  static std::string FormatarData(const TDataHora& AData);
  // "'dd.mm.yyyy'", a quoted SQL date literal.
  static std::string FormatarDataSql(const TDataHora& AData);
  // Every backslash doubled.
  static std::string DuplicarBarras(const std::string& ATexto);
  // Start of the first-load window of the dated entities: 1 January,
  // three years before today's local date.
  static TDataHora InicioPrimeiraCarga();

  // Rows in one post.
  static constexpr int TAMANHO_LOTE = 500;

 protected:
  virtual std::string SqlMaxCodigoAtualizacao(const std::string& ATabela);
  std::unique_ptr<TQuery> CriarQuery();
  // Highest COD_ATUALIZACAO of the company in ATabela; 0 when none.
  int32_t MaxCodigoAtualizacaoLocal(const std::string& ATabela);

  // The common run of a row-based path. Never catches: cloud, database
  // and log failures reach the cycle with the mark as it was.
  void Executar(const TCaminhoSincronizacao& ACaminho);

  TConexao& FConexao;
  TEmpresa& FEmpresa;
  TLog& FLog;

 private:
  // Sends every row above the mark in batches; the mark moves to the last
  // row read only when all batches were accepted (0 when no row came).
  void EnviarLotes(const TCaminhoSincronizacao& ACaminho);
};

}  // namespace borvan
