#include "db/conexao.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <vector>

#include "db/cliente_fb.h"
#include "support/texto.h"
#include "support/erros.h"

namespace borvan {

using fb::Chamar;
using fb::Encerrar;
using fb::TRef;
using fb::TStatus;

namespace {

std::string Maiusculas(std::string ATexto) {
  std::transform(ATexto.begin(), ATexto.end(), ATexto.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return ATexto;
}

bool IgualSemCaixa(const std::string& A, const std::string& B) {
  return A.size() == B.size() &&
         std::equal(A.begin(), A.end(), B.begin(), [](unsigned char x, unsigned char y) {
           return std::toupper(x) == std::toupper(y);
         });
}

template <class T>
T LerValor(const unsigned char* APonteiro) {
  T valor;
  std::memcpy(&valor, APonteiro, sizeof valor);
  return valor;
}

template <class T>
void GravarValor(unsigned char* APonteiro, T AValor) {
  std::memcpy(APonteiro, &AValor, sizeof AValor);
}

constexpr int64_t KPotencias10[] = {1,
                                    10,
                                    100,
                                    1000,
                                    10000,
                                    100000,
                                    1000000,
                                    10000000,
                                    100000000,
                                    1000000000,
                                    10000000000,
                                    100000000000,
                                    1000000000000,
                                    10000000000000,
                                    100000000000000,
                                    1000000000000000,
                                    10000000000000000,
                                    100000000000000000,
                                    1000000000000000000};
constexpr int KMaiorExpoente = 18;

// Text of a scaled integer: 125000 with scale -4 is "12.5000".
std::string TextoEscalado(int64_t AValor, int AEscala) {
  const bool negativo = AValor < 0;
  uint64_t absoluto = negativo ? 0 - static_cast<uint64_t>(AValor) : static_cast<uint64_t>(AValor);
  std::string digitos = std::to_string(absoluto);
  if (AEscala > 0) {
    digitos.append(static_cast<size_t>(AEscala), '0');
  } else if (AEscala < 0) {
    const size_t decimais = static_cast<size_t>(-AEscala);
    if (digitos.size() <= decimais) digitos.insert(0, decimais + 1 - digitos.size(), '0');
    digitos.insert(digitos.size() - decimais, 1, '.');
  }
  return negativo ? "-" + digitos : digitos;
}

// The statement with its :NAME parameters replaced by positional markers;
// quoted texts, quoted identifiers and comments are left alone.
std::string TraduzirParametros(const std::string& ASql, std::vector<std::string>& ANomes) {
  const auto inicioNome = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
  const auto parteNome = [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '$'; };
  std::string saida;
  saida.reserve(ASql.size());
  ANomes.clear();
  size_t i = 0;
  const size_t n = ASql.size();
  while (i < n) {
    const char c = ASql[i];
    if (c == '\'' || c == '"') {
      // A doubled quote inside the text ends and restarts it: same result.
      const size_t fim = ASql.find(c, i + 1);
      const size_t ate = fim == std::string::npos ? n : fim + 1;
      saida.append(ASql, i, ate - i);
      i = ate;
    } else if (c == '-' && i + 1 < n && ASql[i + 1] == '-') {
      const size_t fim = ASql.find('\n', i);
      const size_t ate = fim == std::string::npos ? n : fim;
      saida.append(ASql, i, ate - i);
      i = ate;
    } else if (c == '/' && i + 1 < n && ASql[i + 1] == '*') {
      const size_t fim = ASql.find("*/", i + 2);
      const size_t ate = fim == std::string::npos ? n : fim + 2;
      saida.append(ASql, i, ate - i);
      i = ate;
    } else if (c == ':' && i + 1 < n && inicioNome(static_cast<unsigned char>(ASql[i + 1]))) {
      size_t fim = i + 1;
      while (fim < n && parteNome(static_cast<unsigned char>(ASql[fim]))) ++fim;
      ANomes.push_back(Maiusculas(ASql.substr(i + 1, fim - i - 1)));
      saida += '?';
      i = fim;
    } else {
      saida += c;
      ++i;
    }
  }
  return saida;
}

// How one output column is read from the row buffer.
struct TColuna {
  std::string Nome;
  unsigned Tipo = 0;
  int Escala = 0;
  unsigned Tamanho = 0;
  unsigned Deslocamento = 0;
  unsigned DeslocamentoNulo = 0;
  // Character set id; 0 is NONE, whose bytes are whatever the writer sent.
  unsigned ConjuntoCaracteres = 0;

  bool SemCharset() const { return ConjuntoCaracteres == 0; }
};

// Something the connection must close before it detaches.
class TRecursoAberto {
 public:
  virtual void FecharRecurso() noexcept = 0;

 protected:
  ~TRecursoAberto() = default;
};

enum class TTipoParametro { SmallInt, Integer };

struct TValorParametro {
  TTipoParametro Tipo;
  int32_t Valor;
};

}  // namespace

// ---------------------------------------------------------------------------
// Connection

struct TConexao::TImpl {
  std::string FArquivo;
  std::string FDefinicao;
  std::string FUsuario;
  std::string FSenha;
  TRef<Firebird::IProvider> FProvedor;
  TRef<Firebird::IAttachment> FAnexo;
  // Queries with an open transaction; they are closed before detaching.
  std::vector<TRecursoAberto*> FQueriesAbertas;
  TEstatisticasConexao FEstatisticas;

  void Abrir();
  void Fechar() noexcept;
};

// ---------------------------------------------------------------------------
// Query state

struct TQuery::TImpl final : TRecursoAberto {
  explicit TImpl(TConexao::TImpl& AConexao) : FConexao(AConexao) {}
  void FecharRecurso() noexcept override { Fechar(); }

  TConexao::TImpl& FConexao;
  std::string FSql;
  std::string FSqlPosicional;
  std::vector<std::string> FNomesPosicao;  // parameter name of each marker
  std::map<std::string, std::optional<TValorParametro>> FParametros;

  TRef<Firebird::ITransaction> FTransacao;
  TRef<Firebird::IStatement> FComando;
  TRef<Firebird::IResultSet> FCursor;
  TRef<Firebird::IMessageMetadata> FMetaSaida;
  std::vector<TColuna> FColunas;
  // The row fetched last and the buffer for the next fetch, so that the
  // last row stays readable once the end is reached.
  std::vector<unsigned char> FLinhas[2];
  int FAtual = 0;
  bool FAberta = false;
  bool FTemLinha = false;  // some row was fetched
  bool FEof = true;
  std::unique_ptr<TStatus> FStatusLeitura;
  // Backing of TextoVista for columns that are not stored as text.
  mutable std::string FTextoConvertido;

  void Abrir();
  void Fechar() noexcept;
  void Buscar();

  const TColuna& Coluna(int AIndice) const;
  // The value of the column in the current row; nullptr when null.
  const unsigned char* Valor(const TColuna& AColuna) const;
  std::string TextoBlob(const unsigned char* AValor) const;
  // The blob's text into ADestino, whose capacity is reused.
  void LerBlob(const unsigned char* AValor, std::string& ADestino) const;
  [[noreturn]] void ErroTipo(const TColuna& AColuna, const char* ALeitura) const;
};

void TConexao::TImpl::Abrir() {
  if (FAnexo) return;
  const TDefinicaoConexao definicao = TDefinicaoConexao::Ler(FArquivo, FDefinicao);
  Chamar([&] {
    TStatus status;
    if (!FProvedor) FProvedor.reset(fb::Mestre()->getDispatcher());
    fb::TXpb dpb(status, Firebird::IXpbBuilder::DPB);
    dpb->insertString(&status, isc_dpb_user_name, FUsuario.c_str());
    dpb->insertString(&status, isc_dpb_password, FSenha.c_str());
    dpb->insertString(&status, isc_dpb_lc_ctype, definicao.CharacterSet.c_str());
    FAnexo.reset(FProvedor->attachDatabase(&status, definicao.TextoConexao().c_str(),
                                           dpb->getBufferLength(&status), dpb->getBuffer(&status)));
  });
  ++FEstatisticas.Conexoes;
}

void TConexao::TImpl::Fechar() noexcept {
  while (!FQueriesAbertas.empty()) FQueriesAbertas.back()->FecharRecurso();
  Encerrar(FAnexo, [](Firebird::IAttachment* a, TStatus* s) { a->detach(s); });
}

TConexao::TConexao(std::string AArquivoDefinicoes, std::string ADefinicao, std::string AUsuario,
                   std::string ASenha)
    : FImpl(std::make_unique<TImpl>()) {
  FImpl->FArquivo = std::move(AArquivoDefinicoes);
  FImpl->FDefinicao = std::move(ADefinicao);
  FImpl->FUsuario = std::move(AUsuario);
  FImpl->FSenha = std::move(ASenha);
}

TConexao::~TConexao() { FImpl->Fechar(); }

void TConexao::Abrir() { FImpl->Abrir(); }
void TConexao::Fechar() { FImpl->Fechar(); }
bool TConexao::Aberta() const { return FImpl->FAnexo != nullptr; }
const TEstatisticasConexao& TConexao::Estatisticas() const { return FImpl->FEstatisticas; }

std::string TConexao::Servidor() const {
  return TDefinicaoConexao::Ler(FImpl->FArquivo, FImpl->FDefinicao).Server;
}

// ---------------------------------------------------------------------------
// Query

void TQuery::TImpl::Abrir() {
  Fechar();
  for (const auto& [nome, valor] : FParametros) {
    if (!valor) throw EBorvanErro("Parameter " + nome + " has no value");
  }
  FConexao.Abrir();
  try {
    Chamar([&] {
      TStatus status;
      fb::TXpb tpb(status, Firebird::IXpbBuilder::TPB);
      tpb->insertTag(&status, isc_tpb_read);
      tpb->insertTag(&status, isc_tpb_read_committed);
      tpb->insertTag(&status, isc_tpb_rec_version);
      tpb->insertTag(&status, isc_tpb_nowait);
      FTransacao.reset(FConexao.FAnexo->startTransaction(&status, tpb->getBufferLength(&status),
                                                         tpb->getBuffer(&status)));
      FConexao.FQueriesAbertas.push_back(this);
      FAberta = true;

      FComando.reset(FConexao.FAnexo->prepare(&status, FTransacao.get(), 0, FSqlPosicional.c_str(),
                                              SQL_DIALECT_V6,
                                              Firebird::IStatement::PREPARE_PREFETCH_METADATA));
      const unsigned tipo = FComando->getType(&status);
      if (tipo != isc_info_sql_stmt_select && tipo != isc_info_sql_stmt_select_for_upd) {
        throw EBorvanErro("Only SELECT statements can be opened: " + FSql);
      }

      // Parameters go in as the types we bind; the server converts them to
      // the types it expects.
      TRef<Firebird::IMessageMetadata> metaEntrada(FComando->getInputMetadata(&status));
      const unsigned parametros = metaEntrada->getCount(&status);
      if (parametros != FNomesPosicao.size()) {
        throw EBorvanErro("Statement expects " + std::to_string(parametros) +
                          " parameters, text names " + std::to_string(FNomesPosicao.size()));
      }
      std::vector<unsigned char> entrada;
      if (parametros > 0) {
        TRef<Firebird::IMetadataBuilder> construtor(metaEntrada->getBuilder(&status));
        for (unsigned i = 0; i < parametros; ++i) {
          const TValorParametro& valor = *FParametros.at(FNomesPosicao[i]);
          const bool curto = valor.Tipo == TTipoParametro::SmallInt;
          construtor->setType(&status, i, (curto ? SQL_SHORT : SQL_LONG) + 1);
          construtor->setSubType(&status, i, 0);
          construtor->setLength(&status, i, curto ? sizeof(int16_t) : sizeof(int32_t));
          construtor->setScale(&status, i, 0);
        }
        metaEntrada.reset(construtor->getMetadata(&status));
        entrada.assign(metaEntrada->getMessageLength(&status), 0);
        for (unsigned i = 0; i < parametros; ++i) {
          const TValorParametro& valor = *FParametros.at(FNomesPosicao[i]);
          unsigned char* destino = entrada.data() + metaEntrada->getOffset(&status, i);
          if (valor.Tipo == TTipoParametro::SmallInt) {
            GravarValor(destino, static_cast<int16_t>(valor.Valor));
          } else {
            GravarValor(destino, valor.Valor);
          }
          GravarValor(entrada.data() + metaEntrada->getNullOffset(&status, i), int16_t{0});
        }
      }

      FMetaSaida.reset(FComando->getOutputMetadata(&status));
      const unsigned colunas = FMetaSaida->getCount(&status);
      FColunas.resize(colunas);
      for (unsigned i = 0; i < colunas; ++i) {
        TColuna& coluna = FColunas[i];
        coluna.Nome = FMetaSaida->getAlias(&status, i);
        coluna.Tipo = FMetaSaida->getType(&status, i) & ~1u;
        coluna.Escala = FMetaSaida->getScale(&status, i);
        coluna.Tamanho = FMetaSaida->getLength(&status, i);
        coluna.ConjuntoCaracteres = FMetaSaida->getCharSet(&status, i);
        coluna.Deslocamento = FMetaSaida->getOffset(&status, i);
        coluna.DeslocamentoNulo = FMetaSaida->getNullOffset(&status, i);
      }
      const unsigned tamanhoLinha = FMetaSaida->getMessageLength(&status);
      FLinhas[0].assign(tamanhoLinha, 0);
      FLinhas[1].assign(tamanhoLinha, 0);

      FCursor.reset(FComando->openCursor(&status, FTransacao.get(), metaEntrada.get(),
                                         entrada.empty() ? nullptr : entrada.data(),
                                         FMetaSaida.get(), 0));
      if (!FStatusLeitura) FStatusLeitura = std::make_unique<TStatus>();
    });
    ++FConexao.FEstatisticas.Consultas;
    FEof = false;
    Buscar();
  } catch (...) {
    Fechar();
    throw;
  }
}

void TQuery::TImpl::Buscar() {
  if (!FCursor || FEof) return;
  const int proxima = 1 - FAtual;
  // At the end until the fetch succeeds: a failed cursor yields no more rows.
  FEof = true;
  const int resultado =
      Chamar([&] { return FCursor->fetchNext(FStatusLeitura.get(), FLinhas[proxima].data()); });
  if (resultado == Firebird::IStatus::RESULT_OK) {
    ++FConexao.FEstatisticas.Linhas;
    FAtual = proxima;
    FTemLinha = true;
    FEof = false;
  }
}

void TQuery::TImpl::Fechar() noexcept {
  Encerrar(FCursor, [](Firebird::IResultSet* c, TStatus* s) { c->close(s); });
  Encerrar(FComando, [](Firebird::IStatement* c, TStatus* s) { c->free(s); });
  // Read-only: commit and rollback are the same; rollback when commit fails.
  Encerrar(FTransacao, [](Firebird::ITransaction* t, TStatus* s) {
    try {
      t->commit(s);
    } catch (const Firebird::FbException&) {
      t->rollback(s);
    }
  });
  FMetaSaida.reset();
  FColunas.clear();
  FTemLinha = false;
  FEof = true;
  if (FAberta) {
    auto& abertas = FConexao.FQueriesAbertas;
    abertas.erase(std::remove(abertas.begin(), abertas.end(), this), abertas.end());
    FAberta = false;
  }
}

const TColuna& TQuery::TImpl::Coluna(int AIndice) const {
  if (!FAberta) throw EBorvanErro("Query is not open");
  if (AIndice < 0 || static_cast<size_t>(AIndice) >= FColunas.size()) {
    throw EBorvanErro("Column index " + std::to_string(AIndice) + " out of range");
  }
  return FColunas[static_cast<size_t>(AIndice)];
}

const unsigned char* TQuery::TImpl::Valor(const TColuna& AColuna) const {
  // No row at all reads as null; past the end the last row stays current.
  if (!FTemLinha) return nullptr;
  const unsigned char* linha = FLinhas[FAtual].data();
  if (LerValor<int16_t>(linha + AColuna.DeslocamentoNulo) != 0) return nullptr;
  return linha + AColuna.Deslocamento;
}

std::string TQuery::TImpl::TextoBlob(const unsigned char* AValor) const {
  std::string texto;
  LerBlob(AValor, texto);
  return texto;
}

void TQuery::TImpl::LerBlob(const unsigned char* AValor, std::string& ADestino) const {
  ADestino.clear();
  Chamar([&] {
    TStatus status;
    ISC_QUAD id = LerValor<ISC_QUAD>(AValor);
    TRef<Firebird::IBlob> blob(
        FConexao.FAnexo->openBlob(&status, FTransacao.get(), &id, 0, nullptr));
    char pedaco[16384];
    for (;;) {
      unsigned lidos = 0;
      const int resultado = blob->getSegment(&status, sizeof pedaco, pedaco, &lidos);
      if (resultado != Firebird::IStatus::RESULT_OK &&
          resultado != Firebird::IStatus::RESULT_SEGMENT) {
        break;
      }
      ADestino.append(pedaco, lidos);
    }
    Encerrar(blob, [](Firebird::IBlob* b, TStatus* s) { b->close(s); });
  });
}

void TQuery::TImpl::ErroTipo(const TColuna& AColuna, const char* ALeitura) const {
  throw EBorvanErro("Column " + AColuna.Nome + " (type " + std::to_string(AColuna.Tipo) +
                    ") cannot be read as " + ALeitura);
}

TQuery::TQuery(TConexao& AConexao) : FImpl(std::make_unique<TImpl>(*AConexao.FImpl)) {}

TQuery::~TQuery() { FImpl->Fechar(); }

void TQuery::SetSql(std::string ASql) {
  FImpl->Fechar();
  FImpl->FSql = std::move(ASql);
  FImpl->FSqlPosicional = TraduzirParametros(FImpl->FSql, FImpl->FNomesPosicao);
  FImpl->FParametros.clear();
  for (const std::string& nome : FImpl->FNomesPosicao) FImpl->FParametros[nome];
}

const std::string& TQuery::Sql() const { return FImpl->FSql; }

void TQuery::ParamSmallInt(const std::string& ANome, int32_t AValor) {
  if (AValor < std::numeric_limits<int16_t>::min() ||
      AValor > std::numeric_limits<int16_t>::max()) {
    throw EBorvanErro("Value " + std::to_string(AValor) + " of parameter " + ANome +
                      " is outside the 16-bit range -32768..32767");
  }
  const auto item = FImpl->FParametros.find(Maiusculas(ANome));
  if (item == FImpl->FParametros.end()) throw EBorvanErro("Parameter " + ANome + " not found");
  item->second = TValorParametro{TTipoParametro::SmallInt, AValor};
}

void TQuery::ParamInteger(const std::string& ANome, int32_t AValor) {
  const auto item = FImpl->FParametros.find(Maiusculas(ANome));
  if (item == FImpl->FParametros.end()) throw EBorvanErro("Parameter " + ANome + " not found");
  item->second = TValorParametro{TTipoParametro::Integer, AValor};
}

void TQuery::Abrir() { FImpl->Abrir(); }
bool TQuery::Eof() const { return FImpl->FEof; }
void TQuery::Proximo() { FImpl->Buscar(); }
void TQuery::Fechar() { FImpl->Fechar(); }

int TQuery::Indice(const std::string& ANome) const {
  if (!FImpl->FAberta) throw EBorvanErro("Query is not open");
  const auto& colunas = FImpl->FColunas;
  for (size_t i = 0; i < colunas.size(); ++i) {
    if (colunas[i].Nome == ANome) return static_cast<int>(i);
  }
  for (size_t i = 0; i < colunas.size(); ++i) {
    if (IgualSemCaixa(colunas[i].Nome, ANome)) return static_cast<int>(i);
  }
  throw EBorvanErro("Field " + ANome + " not found");
}

bool TQuery::EhNulo(int AIndice) const { return FImpl->Valor(FImpl->Coluna(AIndice)) == nullptr; }

namespace {

// Integer columns of any width, with their scale.
bool LerInteiro(const TColuna& AColuna, const unsigned char* AValor, int64_t& AResultado) {
  switch (AColuna.Tipo) {
    case SQL_SHORT:
      AResultado = LerValor<int16_t>(AValor);
      return true;
    case SQL_LONG:
      AResultado = LerValor<int32_t>(AValor);
      return true;
    case SQL_INT64:
      AResultado = LerValor<int64_t>(AValor);
      return true;
    default:
      return false;
  }
}

std::string DoisDigitos(unsigned AValor) {
  char texto[8];
  std::snprintf(texto, sizeof texto, "%02u", AValor % 100);
  return texto;
}

std::string TextoData(ISC_DATE AData) {
  unsigned ano = 0, mes = 0, dia = 0;
  fb::Util()->decodeDate(AData, &ano, &mes, &dia);
  char texto[16];
  std::snprintf(texto, sizeof texto, "%04u-%02u-%02u", ano % 10000, mes % 100, dia % 100);
  return texto;
}

std::string TextoHora(ISC_TIME AHora) {
  unsigned hora = 0, minuto = 0, segundo = 0, fracao = 0;
  fb::Util()->decodeTime(AHora, &hora, &minuto, &segundo, &fracao);
  return DoisDigitos(hora) + ":" + DoisDigitos(minuto) + ":" + DoisDigitos(segundo);
}

void DecodificarData(ISC_DATE AData, TDataHora& AResultado) {
  unsigned ano = 0, mes = 0, dia = 0;
  fb::Util()->decodeDate(AData, &ano, &mes, &dia);
  AResultado.Ano = static_cast<int>(ano);
  AResultado.Mes = static_cast<int>(mes);
  AResultado.Dia = static_cast<int>(dia);
}

void DecodificarHora(ISC_TIME AHora, TDataHora& AResultado) {
  unsigned hora = 0, minuto = 0, segundo = 0, fracao = 0;
  fb::Util()->decodeTime(AHora, &hora, &minuto, &segundo, &fracao);
  AResultado.Hora = static_cast<int>(hora);
  AResultado.Minuto = static_cast<int>(minuto);
  AResultado.Segundo = static_cast<int>(segundo);
  AResultado.Milissegundo = static_cast<int>(fracao / 10);  // fractions of 1/10000 s
}

std::string AparaDireita(const char* ATexto, size_t ATamanho) {
  while (ATamanho > 0 && ATexto[ATamanho - 1] == ' ') --ATamanho;
  return std::string(ATexto, ATamanho);
}

bool EhTexto(const TColuna& AColuna) {
  return AColuna.Tipo == SQL_TEXT || AColuna.Tipo == SQL_VARYING;
}

// A number kept in a text column, blanks around allowed. An all-blank
// text reads as 0, like a null.
template <class T, class F>
T NumeroDoTexto(const TColuna& AColuna, std::string ATexto, F AConverter) {
  const size_t inicio = ATexto.find_first_not_of(' ');
  if (inicio == std::string::npos) return T{};
  ATexto = ATexto.substr(inicio, ATexto.find_last_not_of(' ') + 1 - inicio);
  char* fim = nullptr;
  errno = 0;
  const T valor = AConverter(ATexto.c_str(), &fim);
  if (errno != 0 || fim == ATexto.c_str() || *fim != '\0') {
    throw EBorvanErro("Column " + AColuna.Nome + " value \"" + ATexto + "\" is not a number");
  }
  return valor;
}

}  // namespace

std::string TQuery::Texto(int AIndice) const {
  const TColuna& coluna = FImpl->Coluna(AIndice);
  const unsigned char* valor = FImpl->Valor(coluna);
  if (valor == nullptr) return "";
  int64_t inteiro = 0;
  if (LerInteiro(coluna, valor, inteiro)) return TextoEscalado(inteiro, coluna.Escala);
  switch (coluna.Tipo) {
    case SQL_TEXT: {
      std::string texto = AparaDireita(reinterpret_cast<const char*>(valor), coluna.Tamanho);
      return coluna.SemCharset() ? TextoSemCharsetParaUtf8(texto) : texto;
    }
    case SQL_VARYING: {
      std::string_view texto(reinterpret_cast<const char*>(valor) + sizeof(uint16_t),
                             LerValor<uint16_t>(valor));
      return coluna.SemCharset() ? TextoSemCharsetParaUtf8(texto) : std::string(texto);
    }
    case SQL_TYPE_DATE:
      return TextoData(LerValor<ISC_DATE>(valor));
    case SQL_TYPE_TIME:
      return TextoHora(LerValor<ISC_TIME>(valor));
    case SQL_TIMESTAMP: {
      const auto momento = LerValor<ISC_TIMESTAMP>(valor);
      return TextoData(momento.timestamp_date) + " " + TextoHora(momento.timestamp_time);
    }
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
      char texto[32];
      if (coluna.Tipo == SQL_FLOAT) {
        std::snprintf(texto, sizeof texto, "%.7g", static_cast<double>(LerValor<float>(valor)));
      } else {
        std::snprintf(texto, sizeof texto, "%.15g", LerValor<double>(valor));
      }
      return texto;
    }
    case SQL_BOOLEAN:
      return LerValor<FB_BOOLEAN>(valor) ? "True" : "False";
    case SQL_BLOB: {
      std::string texto = FImpl->TextoBlob(valor);
      return coluna.SemCharset() ? TextoSemCharsetParaUtf8(texto) : texto;
    }
    default:
      FImpl->ErroTipo(coluna, "text");
  }
}

namespace {


}  // namespace

std::string_view TQuery::TextoVista(int AIndice) const {
  const TColuna& coluna = FImpl->Coluna(AIndice);
  const unsigned char* valor = FImpl->Valor(coluna);
  if (valor == nullptr) return {};
  const char* texto = reinterpret_cast<const char*>(valor);
  std::string_view vista;
  switch (coluna.Tipo) {
    case SQL_TEXT: {
      size_t tamanho = coluna.Tamanho;
      while (tamanho > 0 && texto[tamanho - 1] == ' ') --tamanho;
      vista = {texto, tamanho};
      break;
    }
    case SQL_VARYING:
      vista = {texto + sizeof(uint16_t), LerValor<uint16_t>(valor)};
      break;
    case SQL_BLOB:
      FImpl->LerBlob(valor, FImpl->FTextoConvertido);
      if (coluna.SemCharset() && !EhUtf8Valido(FImpl->FTextoConvertido)) {
        FImpl->FTextoConvertido = Windows1252ParaUtf8(FImpl->FTextoConvertido);
      }
      return FImpl->FTextoConvertido;
    default:
      FImpl->FTextoConvertido = Texto(AIndice);
      return FImpl->FTextoConvertido;
  }
  // Stored text is handed out as it stands only when it is UTF-8; anything
  // else takes the road of Texto, so both readers always agree.
  if (EhUtf8Valido(vista)) return vista;
  FImpl->FTextoConvertido = Texto(AIndice);
  return FImpl->FTextoConvertido;
}

int32_t TQuery::Inteiro(int AIndice) const {
  const TColuna& coluna = FImpl->Coluna(AIndice);
  const unsigned char* valor = FImpl->Valor(coluna);
  if (valor == nullptr) return 0;
  int64_t inteiro = 0;
  if (!LerInteiro(coluna, valor, inteiro)) {
    if (coluna.Tipo == SQL_BOOLEAN) return LerValor<FB_BOOLEAN>(valor) ? 1 : 0;
    if (!EhTexto(coluna)) FImpl->ErroTipo(coluna, "an integer");
    inteiro = NumeroDoTexto<int64_t>(coluna, Texto(AIndice), [](const char* p, char** f) {
      return static_cast<int64_t>(std::strtoll(p, f, 10));
    });
  }
  if (coluna.Escala < 0) {
    // A scaled column is an integer only when the stored value has no
    // fraction; truncating it would silently change the value.
    const int64_t divisor = KPotencias10[std::min(-coluna.Escala, KMaiorExpoente)];
    if (inteiro % divisor != 0) {
      throw EBorvanErro("Column " + coluna.Nome + " value " +
                        TextoEscalado(inteiro, coluna.Escala) + " is not an integer");
    }
    inteiro /= divisor;
  }
  if (inteiro < std::numeric_limits<int32_t>::min() ||
      inteiro > std::numeric_limits<int32_t>::max()) {
    throw EBorvanErro("Column " + coluna.Nome + " value " + std::to_string(inteiro) +
                      " does not fit a 32-bit integer");
  }
  return static_cast<int32_t>(inteiro);
}

double TQuery::Decimal(int AIndice) const {
  const TColuna& coluna = FImpl->Coluna(AIndice);
  const unsigned char* valor = FImpl->Valor(coluna);
  if (valor == nullptr) return 0;
  int64_t inteiro = 0;
  if (LerInteiro(coluna, valor, inteiro)) {
    if (coluna.Escala >= 0) {
      return static_cast<double>(inteiro) *
             static_cast<double>(KPotencias10[std::min(coluna.Escala, KMaiorExpoente)]);
    }
    int decimais = -coluna.Escala;
    if (decimais > 4) {
      // Amounts carry four decimals: round the rest half away from zero.
      const int64_t divisor = KPotencias10[std::min(decimais - 4, KMaiorExpoente)];
      const int64_t resto = inteiro % divisor;
      inteiro /= divisor;
      if (2 * (resto < 0 ? -resto : resto) >= divisor) inteiro += resto < 0 ? -1 : 1;
      decimais = 4;
    }
    // One correctly rounded division: 125000 / 10^4 is exactly the double
    // nearest 12.5.
    return static_cast<double>(inteiro) / static_cast<double>(KPotencias10[decimais]);
  }
  switch (coluna.Tipo) {
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
      const double numero =
          coluna.Tipo == SQL_FLOAT ? LerValor<float>(valor) : LerValor<double>(valor);
      // Beyond the range of four-decimal amounts the value is kept as is.
      if (!std::isfinite(numero) || std::fabs(numero) >= 9e14) return numero;
      return std::round(numero * 10000.0) / 10000.0;
    }
    case SQL_TEXT:
    case SQL_VARYING:
      return NumeroDoTexto<double>(coluna, Texto(AIndice),
                                   [](const char* p, char** f) { return std::strtod(p, f); });
    default:
      FImpl->ErroTipo(coluna, "a decimal");
  }
}

TDataHora TQuery::DataHora(int AIndice) const {
  const TColuna& coluna = FImpl->Coluna(AIndice);
  const unsigned char* valor = FImpl->Valor(coluna);
  TDataHora resultado;
  if (valor == nullptr) return resultado;
  switch (coluna.Tipo) {
    case SQL_TYPE_DATE:
      DecodificarData(LerValor<ISC_DATE>(valor), resultado);
      break;
    case SQL_TYPE_TIME:
      DecodificarHora(LerValor<ISC_TIME>(valor), resultado);
      break;
    case SQL_TIMESTAMP: {
      const auto momento = LerValor<ISC_TIMESTAMP>(valor);
      DecodificarData(momento.timestamp_date, resultado);
      DecodificarHora(momento.timestamp_time, resultado);
      break;
    }
    default:
      FImpl->ErroTipo(coluna, "a date");
  }
  return resultado;
}

}  // namespace borvan
