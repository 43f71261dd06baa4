// PIS and COFINS tax situations (SITUACAO_TRIBUTARIA_PIS and
// SITUACAO_TRIBUTARIA_COFINS), towards Lumio only. The two tables are twins
// that differ only in their names, so one synchronizer serves both and each
// class just names its twin.
#pragma once

#include "sync/sincronizar_base.h"

namespace borvan {

// The names of one twin: mark, table, texts, wrapper, statement, column
// and member prefixes.
struct TContribuicaoSituacaoTributaria;

class TSincronizarSituacaoTributariaContribuicao : public TSincronizarBase {
 public:
  // Quenda receives no tax situations: no query, no request, no log line.
  void Execute() override {}
  void ExecutePedidoVenda() override;

 protected:
  // AContribuicao must outlive the instance (the twins pass static data).
  TSincronizarSituacaoTributariaContribuicao(TConexao& AConexao, TEmpresa& AEmpresa, TLog& ALog,
                                            const TContribuicaoSituacaoTributaria& AContribuicao);

 private:
  void EnviarPedidoVenda(TLinhaJson& ALinha);

  const TContribuicaoSituacaoTributaria& FContribuicao;
};

class TSincronizarSituacaoTributariaPis final : public TSincronizarSituacaoTributariaContribuicao {
 public:
  TSincronizarSituacaoTributariaPis(TConexao& AConexao, TEmpresa& AEmpresa, TLog& ALog);
};

class TSincronizarSituacaoTributariaCofins final : public TSincronizarSituacaoTributariaContribuicao {
 public:
  TSincronizarSituacaoTributariaCofins(TConexao& AConexao, TEmpresa& AEmpresa, TLog& ALog);
};

}  // namespace borvan
