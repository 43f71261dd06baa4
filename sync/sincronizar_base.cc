#include "sync/sincronizar_base.h"

#include <cstdio>

#include "platform/ambiente.h"
#include "support/utilidades.h"

namespace borvan {

// ---- row-to-JSON kinds ----------------------------------------------------

int TLinhaJson::Coluna(const char* AColuna) {
  // Same mapping, same order on every row: the k-th read is the k-th slot.
  if (FPosicao < FColunas.size() && FColunas[FPosicao].first == AColuna) {
    return FColunas[FPosicao++].second;
  }
  int indice = FQuery.Indice(AColuna);
  if (FPosicao < FColunas.size()) {
    FColunas[FPosicao] = {AColuna, indice};
  } else {
    FColunas.emplace_back(AColuna, indice);
  }
  ++FPosicao;
  return indice;
}

std::string TLinhaJson::LerTexto(const char* AColuna) { return FQuery.Texto(Coluna(AColuna)); }

int32_t TLinhaJson::LerInteiro(const char* AColuna) { return FQuery.Inteiro(Coluna(AColuna)); }

TDataHora TLinhaJson::LerDataHora(const char* AColuna) { return FQuery.DataHora(Coluna(AColuna)); }

void TLinhaJson::Texto(const char* AMembro, const char* AColuna) {
  FJson.Texto(AMembro, FQuery.TextoVista(Coluna(AColuna)));
}

void TLinhaJson::Inteiro(const char* AMembro, const char* AColuna) {
  FJson.Inteiro(AMembro, LerInteiro(AColuna));
}

void TLinhaJson::Decimal(const char* AMembro, const char* AColuna) {
  FJson.Decimal(AMembro, FQuery.Decimal(Coluna(AColuna)));
}

void TLinhaJson::Data(const char* AMembro, const char* AColuna) {
  FJson.Texto(AMembro, TSincronizarBase::FormatarData(LerDataHora(AColuna)));
}

void TLinhaJson::Flag(const char* AMembro, const char* AColuna) {
  FJson.Booleano(AMembro, TBorvanBoolean::Convert(std::string(FQuery.TextoVista(Coluna(AColuna)))));
}

void TLinhaJson::FlagNegada(const char* AMembro, const char* AColuna) {
  FJson.Booleano(AMembro, !TBorvanBoolean::Convert(std::string(FQuery.TextoVista(Coluna(AColuna)))));
}

void TLinhaJson::NumeroTexto(const char* AMembro, const char* AColuna) {
  FJson.NumeroTexto(AMembro, FQuery.TextoVista(Coluna(AColuna)));
}

void TLinhaJson::TextoAparado(const char* AMembro, const char* AColuna) {
  const std::string_view texto = FQuery.TextoVista(Coluna(AColuna));
  size_t inicio = 0;
  size_t fim = texto.size();
  while (inicio < fim && static_cast<unsigned char>(texto[inicio]) <= 32) ++inicio;
  while (fim > inicio && static_cast<unsigned char>(texto[fim - 1]) <= 32) --fim;
  FJson.Texto(AMembro, texto.substr(inicio, fim - inicio));
}

// ---- base -----------------------------------------------------------------

TSincronizarBase::TSincronizarBase(TConexao& AConexao, TEmpresa& AEmpresa, TLog& ALog)
    : FConexao(AConexao), FEmpresa(AEmpresa), FLog(ALog) {}

std::string TSincronizarBase::FormatarData(const TDataHora& AData) {
  char texto[16];
  std::snprintf(texto, sizeof(texto), "%04d-%02d-%02d", AData.Ano, AData.Mes, AData.Dia);
  return texto;
}

std::string TSincronizarBase::FormatarDataSql(const TDataHora& AData) {
  char texto[16];
  std::snprintf(texto, sizeof(texto), "'%02d.%02d.%04d'", AData.Dia, AData.Mes, AData.Ano);
  return texto;
}

std::string TSincronizarBase::DuplicarBarras(const std::string& ATexto) {
  std::string resultado;
  resultado.reserve(ATexto.size());
  for (char c : ATexto) {
    resultado += c;
    if (c == '\\') resultado += '\\';
  }
  return resultado;
}

TDataHora TSincronizarBase::InicioPrimeiraCarga() {
  TDataHora inicio;
  inicio.Ano = TAmbiente::Atual().Agora().Ano - 3;
  inicio.Mes = 1;
  inicio.Dia = 1;
  return inicio;
}

std::string TSincronizarBase::SqlMaxCodigoAtualizacao(const std::string& ATabela) {
  return "select MAX(COD_ATUALIZACAO)" + std::string("  from ") + ATabela +
         " where EMPRESA = :EMPRESA";
}

std::unique_ptr<TQuery> TSincronizarBase::CriarQuery() { return std::make_unique<TQuery>(FConexao); }

int32_t TSincronizarBase::MaxCodigoAtualizacaoLocal(const std::string& ATabela) {
  auto query = CriarQuery();
  query->SetSql(SqlMaxCodigoAtualizacao(ATabela));
  query->ParamSmallInt("EMPRESA", FEmpresa.LocalId);
  query->Abrir();
  return query->Eof() ? 0 : query->Inteiro(0);
}

void TSincronizarBase::Executar(const TCaminhoSincronizacao& ACaminho) {
  int32_t& marca = FEmpresa.*ACaminho.Marca;
  if (marca == 0) {
    int nuvem = ACaminho.CriarServico()->MaxCodigoAtualizacao(FEmpresa.Id);
    // Not a whole number: ask again next run, say nothing.
    if (nuvem == -1) return;
    marca = nuvem;
  }
  int32_t local = MaxCodigoAtualizacaoLocal(ACaminho.Tabela);
  if (local <= marca && marca != 0) return;

  FLog.Info(ACaminho.TextoAbertura + FEmpresa.Id);
  EnviarLotes(ACaminho);
  FLog.Info(ACaminho.TextoFechamento + std::to_string(marca));
}

void TSincronizarBase::EnviarLotes(const TCaminhoSincronizacao& ACaminho) {
  int32_t& marca = FEmpresa.*ACaminho.Marca;
  auto query = CriarQuery();
  std::string sql = ACaminho.Sql(marca);
  bool temLimite = sql.find(":COD_ATUALIZACAO") != std::string::npos;
  query->SetSql(std::move(sql));
  query->ParamSmallInt("EMPRESA", FEmpresa.LocalId);
  if (temLimite) query->ParamInteger("COD_ATUALIZACAO", marca);
  query->Abrir();

  auto servico = ACaminho.CriarServico();
  TJsonEscritor lote;
  TLinhaJson linha(*query, lote);
  int codAtualizacao = query->Indice("COD_ATUALIZACAO");
  int32_t ultimo = 0;
  int contagem = 0;
  while (!query->Eof()) {
    if (contagem == 0) lote.IniciarArray();
    lote.IniciarObjeto();
    linha.ProximaLinha();
    ACaminho.Montar(linha);
    lote.FinalizarObjeto();
    ++contagem;
    ultimo = query->Inteiro(codAtualizacao);
    query->Proximo();
    if (contagem == TAMANHO_LOTE || query->Eof()) {
      lote.FinalizarArray();
      if (ACaminho.AntesDeEnviar) ACaminho.AntesDeEnviar(lote);
      servico->Save(lote);
      lote.Limpar();
      contagem = 0;
    }
  }
  marca = ultimo;
}

}  // namespace borvan
