#include "tools/nuvem_local/nuvem_local.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <span>

#include <nlohmann/json.hpp>

#include "support/erros.h"

namespace borvan {
namespace {

using TJson = nlohmann::ordered_json;

struct TRecursoNuvem {
  const char* FNome;
  bool FTemMarca;     // answers "<nome>/maxCodAtualizacao/empresa/<id>"
  bool FCorpoObjeto;  // receives one object instead of an array
  bool FTemMd5;       // remembers "md5Atualizacao", answers "<nome>/CodigoMd5/empresa/<id>"
};

constexpr TRecursoNuvem KRecursosQuenda[] = {
    {"services", false, true, false},          {"clientes", true, false, false},
    {"receber", true, false, false},           {"vendas", true, false, false},
    {"produtos", true, false, false},          {"condicoespagamento", true, false, false},
    {"formaspagamento", true, false, false},   {"operacaoFiscal", true, false, false},
};

constexpr TRecursoNuvem KRecursosLumio[] = {
    {"services", false, true, false},
    {"clientes", true, false, false},
    {"produtos", true, false, false},
    {"produtosUnidadesComerciais", true, false, false},
    {"condicoesPagamentos", true, false, false},
    {"formasPagamentos", true, false, false},
    {"operacoesFiscais", true, false, false},
    {"representantes", true, false, false},
    {"situacoesTributarias", true, false, false},
    {"situacoesTributariasPis", true, false, false},
    {"situacoesTributariasCofins", true, false, false},
    {"ncmIbpt", true, false, false},
    {"opcoes", false, true, true},
};

constexpr const char* KSufixoMarca = "/maxCodAtualizacao";
constexpr const char* KSufixoMd5 = "/CodigoMd5";
constexpr const char* KTrechoEmpresa = "/empresa/";

std::span<const TRecursoNuvem> RecursosDa(TNuvem ANuvem) {
  if (ANuvem == TNuvem::Quenda) return KRecursosQuenda;
  return KRecursosLumio;
}

const TRecursoNuvem* ProcurarRecurso(TNuvem ANuvem, const std::string& ANome) {
  for (const auto& LRecurso : RecursosDa(ANuvem)) {
    if (ANome == LRecurso.FNome) return &LRecurso;
  }
  return nullptr;
}

bool ComecaCom(const std::string& ATexto, const std::string& APrefixo) {
  return ATexto.compare(0, APrefixo.size(), APrefixo) == 0;
}

bool ComecaComSemCaixa(const std::string& ATexto, const std::string& APrefixo) {
  if (ATexto.size() < APrefixo.size()) return false;
  for (size_t I = 0; I < APrefixo.size(); ++I) {
    if (std::tolower(static_cast<unsigned char>(ATexto[I])) !=
        std::tolower(static_cast<unsigned char>(APrefixo[I])))
      return false;
  }
  return true;
}

// Whole decimal number within [AMinimo, AMaximo], or nothing.
std::optional<int64_t> LerInteiro(const std::string& ATexto, int64_t AMinimo, int64_t AMaximo) {
  if (ATexto.empty() || ATexto.size() > 18) return std::nullopt;
  int64_t LValor = 0;
  for (char C : ATexto) {
    if (C < '0' || C > '9') return std::nullopt;
    LValor = LValor * 10 + (C - '0');
  }
  if (LValor < AMinimo || LValor > AMaximo) return std::nullopt;
  return LValor;
}

// Strips a "quenda:" or "lumio:" prefix (any letter case).
std::optional<TNuvem> TirarPrefixoNuvem(std::string& ATexto) {
  if (ComecaComSemCaixa(ATexto, "quenda:")) {
    ATexto.erase(0, 7);
    return TNuvem::Quenda;
  }
  if (ComecaComSemCaixa(ATexto, "lumio:")) {
    ATexto.erase(0, 6);
    return TNuvem::Lumio;
  }
  return std::nullopt;
}

// Builds a refusal from its parts; AErro prefixes every message.
TRecusa MontarRecusa(const std::string& AErro, std::optional<TNuvem> ANuvem, const std::string& ARecurso,
                     const std::optional<std::string>& AStatus, const std::optional<std::string>& ACorpo,
                     const std::optional<std::string>& AEnesima) {
  if (ARecurso.empty()) throw EBorvanErro(AErro + "falta o recurso");
  const bool LExiste = ANuvem ? RecusavelNa(*ANuvem, ARecurso)
                              : RecusavelNa(TNuvem::Quenda, ARecurso) || RecusavelNa(TNuvem::Lumio, ARecurso);
  if (!LExiste) {
    throw EBorvanErro(AErro + "recurso desconhecido" +
                      (ANuvem ? std::string(" na nuvem ") + NomeNuvem(*ANuvem) : std::string()) + ": " +
                      ARecurso);
  }
  TRecusa LRecusa;
  LRecusa.FNuvem = ANuvem;
  LRecusa.FRecurso = ARecurso;
  if (AStatus) {
    const auto LStatus = LerInteiro(*AStatus, 200, 599);
    if (!LStatus) throw EBorvanErro(AErro + "status inválido (200 a 599): " + *AStatus);
    LRecusa.FStatus = static_cast<int>(*LStatus);
  }
  if (ACorpo) LRecusa.FCorpo = *ACorpo;
  if (AEnesima) {
    const auto LEnesima = LerInteiro(*AEnesima, 1, std::numeric_limits<int32_t>::max());
    if (!LEnesima) throw EBorvanErro(AErro + "número do pedido inválido: " + *AEnesima);
    LRecusa.FEnesima = *LEnesima;
  }
  return LRecusa;
}

// Splits ATexto at the first ASeparador; the second part is absent when
// the separator is.
std::pair<std::string, std::optional<std::string>> Partir(const std::string& ATexto, char ASeparador) {
  const auto LPosicao = ATexto.find(ASeparador);
  if (LPosicao == std::string::npos) return {ATexto, std::nullopt};
  return {ATexto.substr(0, LPosicao), ATexto.substr(LPosicao + 1)};
}

bool BearerValido(const std::string& AAutorizacao) {
  if (!ComecaComSemCaixa(AAutorizacao, "Bearer ")) return false;
  return AAutorizacao.find_first_not_of(' ', 7) != std::string::npos;
}

// A fraction 0..1 ("0.25", "1", ".5"), or nothing.
std::optional<double> LerFracao(const std::string& ATexto) {
  if (ATexto.empty() || ATexto.find_first_not_of("0123456789.") != std::string::npos) return std::nullopt;
  char* LFim = nullptr;
  const double LValor = std::strtod(ATexto.c_str(), &LFim);
  if (*LFim != '\0' || LValor < 0 || LValor > 1) return std::nullopt;
  return LValor;
}

const char* NomeTipo(TTipoFalha ATipo) {
  switch (ATipo) {
    case TTipoFalha::Cortar: return "cortar";
    case TTipoFalha::Reter: return "reter";
    default: return "recusar";
  }
}

std::string JsonTexto(const std::string& ATexto) {
  return TJson(ATexto).dump(-1, ' ', false, TJson::error_handler_t::replace);
}

// First line of a response body, short enough for a request line.
std::string Resumo(const std::string& ACorpo) {
  std::string LResumo = ACorpo.substr(0, ACorpo.find_first_of("\r\n"));
  if (LResumo.size() > 200) LResumo = LResumo.substr(0, 200) + "...";
  return LResumo;
}

// What a request under /api/ names.
struct TRota {
  enum TTipo { Post, Marca, Md5 };
  const TRecursoNuvem* FRecurso = nullptr;
  TTipo FTipo = Post;
  std::string FChave;  // the resource as request lines and refusals name it
  std::string FEmpresa;
};

std::optional<TRota> Rotear(TNuvem ANuvem, const std::string& AMetodo, const std::string& ACaminho) {
  if (AMetodo == "POST") {
    const auto* LRecurso = ProcurarRecurso(ANuvem, ACaminho);
    if (!LRecurso) return std::nullopt;
    return TRota{LRecurso, TRota::Post, ACaminho, {}};
  }
  if (AMetodo != "GET") return std::nullopt;
  const auto LFimRecurso = ACaminho.find('/');
  if (LFimRecurso == std::string::npos) return std::nullopt;
  const auto* LRecurso = ProcurarRecurso(ANuvem, ACaminho.substr(0, LFimRecurso));
  if (!LRecurso) return std::nullopt;
  const std::string LResto = ACaminho.substr(LFimRecurso);
  for (const auto& [LSufixo, LTipo, LTem] :
       {std::tuple{KSufixoMarca, TRota::Marca, LRecurso->FTemMarca},
        std::tuple{KSufixoMd5, TRota::Md5, LRecurso->FTemMd5}}) {
    const std::string LPrefixo = std::string(LSufixo) + KTrechoEmpresa;
    if (LTem && ComecaCom(LResto, LPrefixo)) {
      return TRota{LRecurso, LTipo, LRecurso->FNome + std::string(LSufixo), LResto.substr(LPrefixo.size())};
    }
  }
  return std::nullopt;
}

// Checks a post body against its resource. Returns the error text, empty
// when the body is acceptable.
std::string ValidarCorpo(const TRecursoNuvem& ARecurso, const TJson& ACorpo) {
  if (ARecurso.FCorpoObjeto && !ACorpo.is_object()) return "Corpo inválido: esperado um objeto";
  if (!ARecurso.FCorpoObjeto && !ACorpo.is_array()) return "Corpo inválido: esperado um array de objetos";
  const auto LValidarObjeto = [&](const TJson& AObjeto, const std::string& AQual) -> std::string {
    if (!AObjeto.is_object()) return "Corpo inválido: " + AQual + " não é um objeto";
    const auto LEmpresa = AObjeto.find("empresaId");
    if (LEmpresa == AObjeto.end() || !LEmpresa->is_string())
      return "Corpo inválido: " + AQual + " sem \"empresaId\" texto";
    if (ARecurso.FTemMarca) {
      const auto LCodigo = AObjeto.find("codAtualizacao");
      if (LCodigo == AObjeto.end() || !LCodigo->is_number_integer() ||
          (LCodigo->is_number_unsigned() &&
           LCodigo->get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())))
        return "Corpo inválido: " + AQual + " sem \"codAtualizacao\" inteiro";
    }
    if (ARecurso.FTemMd5) {
      const auto LMd5 = AObjeto.find("md5Atualizacao");
      if (LMd5 == AObjeto.end() || !LMd5->is_string())
        return "Corpo inválido: " + AQual + " sem \"md5Atualizacao\" texto";
    }
    return {};
  };
  if (ARecurso.FCorpoObjeto) return LValidarObjeto(ACorpo, "o objeto");
  for (size_t I = 0; I < ACorpo.size(); ++I) {
    auto LErro = LValidarObjeto(ACorpo[I], "o elemento " + std::to_string(I + 1));
    if (!LErro.empty()) return LErro;
  }
  return {};
}

}  // namespace

const char* NomeNuvem(TNuvem ANuvem) { return ANuvem == TNuvem::Quenda ? "Quenda" : "Lumio"; }

bool RecusavelNa(TNuvem ANuvem, const std::string& ARecurso) {
  const auto [LNome, LSufixo] = Partir(ARecurso, '/');
  const auto* LRecurso = ProcurarRecurso(ANuvem, LNome);
  if (!LRecurso) return false;
  if (!LSufixo) return true;
  return ("/" + *LSufixo == KSufixoMarca && LRecurso->FTemMarca) ||
         ("/" + *LSufixo == KSufixoMd5 && LRecurso->FTemMd5);
}

TRecusa LerRecusa(const std::string& ATexto) {
  const std::string LErro = "Recusa inválida \"" + ATexto + "\": ";
  std::string LTexto = ATexto;
  const auto LNuvem = TirarPrefixoNuvem(LTexto);
  const auto [LRecurso, LResto] = Partir(LTexto, '=');
  std::optional<std::string> LStatus, LCorpo;
  if (LResto) std::tie(LStatus, LCorpo) = Partir(*LResto, ':');
  return MontarRecusa(LErro, LNuvem, LRecurso, LStatus, LCorpo, std::nullopt);
}

TRecusa LerRecusaEnesima(const std::string& ATexto) {
  const std::string LErro = "Recusa inválida \"" + ATexto + "\": ";
  std::string LTexto = ATexto;
  const auto LNuvem = TirarPrefixoNuvem(LTexto);
  const auto [LRecurso, LResto] = Partir(LTexto, '=');
  if (!LResto) throw EBorvanErro(LErro + "falta o número do pedido (RECURSO=N)");
  const auto [LEnesima, LDepois] = Partir(*LResto, ':');
  std::optional<std::string> LStatus, LCorpo;
  if (LDepois) std::tie(LStatus, LCorpo) = Partir(*LDepois, ':');
  return MontarRecusa(LErro, LNuvem, LRecurso, LStatus, LCorpo, LEnesima);
}

TRecusa LerCorte(const std::string& ATexto) {
  const std::string LErro = "Corte inválido \"" + ATexto + "\": ";
  std::string LTexto = ATexto;
  const auto LNuvem = TirarPrefixoNuvem(LTexto);
  const auto [LRecurso, LEnesima] = Partir(LTexto, '=');
  TRecusa LCorte = MontarRecusa(LErro, LNuvem, LRecurso, std::nullopt, std::nullopt, LEnesima);
  LCorte.FTipo = TTipoFalha::Cortar;
  return LCorte;
}

TRecusa LerRetencao(const std::string& ATexto) {
  const std::string LErro = "Retenção inválida \"" + ATexto + "\": ";
  std::string LTexto = ATexto;
  const auto LNuvem = TirarPrefixoNuvem(LTexto);
  const auto [LRecurso, LResto] = Partir(LTexto, '=');
  if (!LResto) throw EBorvanErro(LErro + "faltam os segundos (RECURSO=SEGUNDOS)");
  const auto [LSegundos, LEnesima] = Partir(*LResto, ':');
  TRecusa LRetencao = MontarRecusa(LErro, LNuvem, LRecurso, std::nullopt, std::nullopt, LEnesima);
  const auto LValor = LerInteiro(LSegundos, 1, 600);
  if (!LValor) throw EBorvanErro(LErro + "segundos inválidos (1 a 600): " + LSegundos);
  LRetencao.FTipo = TTipoFalha::Reter;
  LRetencao.FSegundos = static_cast<int>(*LValor);
  return LRetencao;
}

TOpcoesNuvemLocal LerOpcoes(const std::vector<std::string>& AArgumentos) {
  TOpcoesNuvemLocal LOpcoes;
  const auto LPorta = [](const std::string& AOpcao, const std::string& AValor) {
    const auto LValor = LerInteiro(AValor, 0, 65535);
    if (!LValor) throw EBorvanErro("Porta inválida em " + AOpcao + ": " + AValor);
    return static_cast<int>(*LValor);
  };
  for (size_t I = 0; I < AArgumentos.size(); ++I) {
    auto [LOpcao, LValor] = Partir(AArgumentos[I], '=');
    if (LOpcao == "--indisponivel" || LOpcao == "--ajuda" || LOpcao == "--help" || LOpcao == "-h") {
      if (LValor) throw EBorvanErro("A opção " + LOpcao + " não leva valor");
      if (LOpcao == "--indisponivel")
        LOpcoes.FIndisponivel = true;
      else
        LOpcoes.FAjuda = true;
      continue;
    }
    if (LOpcao != "--porta-quenda" && LOpcao != "--porta-lumio" && LOpcao != "--jsonl" &&
        LOpcao != "--recusar" && LOpcao != "--recusar-n" && LOpcao != "--cortar" && LOpcao != "--reter" &&
        LOpcao != "--falhas-aleatorias" && LOpcao != "--semente")
      throw EBorvanErro("Opção desconhecida: " + AArgumentos[I]);
    if (!LValor) {
      if (I + 1 >= AArgumentos.size()) throw EBorvanErro("Falta o valor de " + LOpcao);
      LValor = AArgumentos[++I];
    }
    if (LOpcao == "--porta-quenda")
      LOpcoes.FPortaQuenda = LPorta(LOpcao, *LValor);
    else if (LOpcao == "--porta-lumio")
      LOpcoes.FPortaLumio = LPorta(LOpcao, *LValor);
    else if (LOpcao == "--jsonl") {
      if (LValor->empty()) throw EBorvanErro("Falta o valor de --jsonl");
      LOpcoes.FArquivoJsonl = *LValor;
    } else if (LOpcao == "--recusar")
      LOpcoes.FRecusas.push_back(LerRecusa(*LValor));
    else if (LOpcao == "--recusar-n")
      LOpcoes.FRecusas.push_back(LerRecusaEnesima(*LValor));
    else if (LOpcao == "--cortar")
      LOpcoes.FRecusas.push_back(LerCorte(*LValor));
    else if (LOpcao == "--reter")
      LOpcoes.FRecusas.push_back(LerRetencao(*LValor));
    else if (LOpcao == "--falhas-aleatorias") {
      const auto LFracao = LerFracao(*LValor);
      if (!LFracao) throw EBorvanErro("Fração inválida em --falhas-aleatorias (0 a 1): " + *LValor);
      LOpcoes.FAleatorias.FFracao = *LFracao;
    } else {
      const auto LSemente = LerInteiro(*LValor, 0, std::numeric_limits<int64_t>::max());
      if (!LSemente) throw EBorvanErro("Semente inválida: " + *LValor);
      LOpcoes.FAleatorias.FSemente = static_cast<uint64_t>(*LSemente);
    }
  }
  if (LOpcoes.FPortaQuenda != 0 && LOpcoes.FPortaQuenda == LOpcoes.FPortaLumio)
    throw EBorvanErro("As nuvens Quenda e Lumio precisam de portas diferentes");
  return LOpcoes;
}

std::string TextoAjuda() {
  return "Uso: NuvemLocal [opções]\n"
         "Serve as APIs Quenda (http://localhost:8090/api/) e Lumio (http://localhost:8091/api/)\n"
         "em 127.0.0.1 para experimentar o serviço.\n"
         "\n"
         "  --porta-quenda N       porta da Quenda (0: qualquer porta livre)\n"
         "  --porta-lumio N        porta da Lumio (0: qualquer porta livre)\n"
         "  --jsonl ARQUIVO        acrescenta cada corpo recebido ao ARQUIVO, uma linha JSON por pedido\n"
         "  --recusar [quenda:|lumio:]RECURSO[=STATUS[:CORPO]]\n"
         "                         recusa todo pedido do RECURSO (padrão 400, \"" +
         std::string(KCorpoRecusaPadrao) +
         "\")\n"
         "  --recusar-n [quenda:|lumio:]RECURSO=N[:STATUS[:CORPO]]\n"
         "                         recusa só o N-ésimo pedido do RECURSO\n"
         "  --cortar [quenda:|lumio:]RECURSO[=N]\n"
         "                         aceita o pedido e fecha a conexão no meio da resposta\n"
         "                         (todo pedido do RECURSO, ou só o N-ésimo)\n"
         "  --reter [quenda:|lumio:]RECURSO=SEGUNDOS[:N]\n"
         "                         aceita o pedido e segura a resposta SEGUNDOS (1 a 600)\n"
         "  --falhas-aleatorias FRACAO\n"
         "                         recusa ao acaso essa fração (0 a 1) dos posts, com 4xx ou 5xx\n"
         "  --semente N            semente das falhas aleatórias (padrão 1): a mesma semente\n"
         "                         repete a mesma sequência\n"
         "  --indisponivel         responde 503 a tudo em /api/\n"
         "\n"
         "RECURSO é um recurso de post (clientes), uma consulta de marca\n"
         "(clientes/maxCodAtualizacao) ou a consulta do MD5 das opções (opcoes/CodigoMd5).\n"
         "\n"
         "Controle em cada porta, sobre a sua nuvem:\n"
         "  POST /controle/recusar?recurso=R[&status=S][&corpo=C][&n=N]\n"
         "  POST /controle/cortar?recurso=R[&n=N]\n"
         "  POST /controle/reter?recurso=R&segundos=S[&n=N]\n"
         "  POST /controle/aleatorias?fracao=F[&semente=N]\n"
         "  POST /controle/indisponivel?ativo=1|0\n"
         "  POST /controle/normal      desfaz todas as falhas\n"
         "  GET  /controle/estado      marcas, MD5 e contadores em JSON\n";
}

TRegistroJsonl::TRegistroJsonl(const std::string& ACaminho)
    : FArquivo(ACaminho, std::ios::out | std::ios::app | std::ios::binary) {
  if (!FArquivo.is_open())
    throw EBorvanErro("Não foi possível abrir " + ACaminho + ": " + std::strerror(errno));
}

void TRegistroJsonl::Gravar(TNuvem ANuvem, const std::string& ARecurso, const std::string& ACorpo,
                            bool AJsonValido, int AStatus) {
  std::string LLinha = std::string("{\"nuvem\":\"") + NomeNuvem(ANuvem) + "\",\"recurso\":" + JsonTexto(ARecurso);
  if (AJsonValido) {
    // The body goes verbatim, so its exact text (escapes, number forms,
    // member order) can be inspected. Line breaks in valid JSON can only be
    // whitespace between tokens, so blanks keep it one line.
    std::string LCorpo = ComecaCom(ACorpo, "\xEF\xBB\xBF") ? ACorpo.substr(3) : ACorpo;
    std::replace(LCorpo.begin(), LCorpo.end(), '\n', ' ');
    std::replace(LCorpo.begin(), LCorpo.end(), '\r', ' ');
    LLinha += ",\"corpo\":" + LCorpo;
  } else {
    LLinha += ",\"corpoTexto\":" + JsonTexto(ACorpo);
  }
  LLinha += ",\"status\":" + std::to_string(AStatus) + "}\n";
  std::lock_guard LTrava(FTrava);
  FArquivo << LLinha << std::flush;
}

TNuvemLocal::TNuvemLocal(TNuvem ANuvem, TImprimir AImprimir, TRegistroJsonl* AJsonl)
    : FNuvem(ANuvem), FImprimir(std::move(AImprimir)), FJsonl(AJsonl) {}

std::optional<TRecusa> TNuvemLocal::RecusaPara(const std::string& AChave) {
  const int64_t LContagem = ++FPedidosPorChave[AChave];
  for (auto LIt = FRecusas.begin(); LIt != FRecusas.end(); ++LIt) {
    const TRecusa& LRecusa = LIt->FRecusa;
    if (LRecusa.FRecurso != AChave) continue;
    if (LRecusa.FEnesima == 0) return LRecusa;
    if (LContagem - LIt->FContagemInicial == LRecusa.FEnesima) {
      TRecusa LCopia = LRecusa;
      FRecusas.erase(LIt);
      return LCopia;
    }
  }
  return std::nullopt;
}

TResposta TNuvemLocal::AtenderApi(const std::string& AMetodo, const std::string& ACaminho,
                                  const std::string& AAutorizacao, const std::string& ACorpo) {
  const bool LPost = AMetodo == "POST";
  const auto LRota = Rotear(FNuvem, AMetodo, ACaminho);
  TResposta LResposta;
  std::string LDetalhe;  // " empresa=... objetos=..."
  bool LJsonValido = false;
  {
    std::lock_guard LTrava(FTrava);
    if (FIndisponivel) {
      LResposta = {503, "Nuvem local indisponível"};
    } else if (!BearerValido(AAutorizacao)) {
      LResposta = {401, "Não autorizado: falta o cabeçalho Authorization: Bearer"};
    } else if (!LRota) {
      LResposta = {404, "Recurso desconhecido: " + ACaminho};
    } else if (LPost) {
      TJson LCorpo;
      try {
        LCorpo = TJson::parse(ACorpo);
        LJsonValido = true;
      } catch (const TJson::exception& E) {
        LResposta = {400, std::string("JSON inválido: ") + E.what()};
      }
      if (LJsonValido) {
        const auto& LRecurso = *LRota->FRecurso;
        if (auto LErro = ValidarCorpo(LRecurso, LCorpo); !LErro.empty()) {
          LResposta = {400, LErro};
        } else {
          // One object or an array of them, each with its company.
          std::vector<const TJson*> LObjetos;
          if (LCorpo.is_object())
            LObjetos.push_back(&LCorpo);
          else
            for (const auto& LObjeto : LCorpo) LObjetos.push_back(&LObjeto);
          std::vector<std::string> LEmpresas;
          for (const auto* LObjeto : LObjetos) {
            auto LEmpresa = (*LObjeto)["empresaId"].get<std::string>();
            if (std::find(LEmpresas.begin(), LEmpresas.end(), LEmpresa) == LEmpresas.end())
              LEmpresas.push_back(std::move(LEmpresa));
          }
          std::string LListaEmpresas;
          for (const auto& LEmpresa : LEmpresas) LListaEmpresas += (LListaEmpresas.empty() ? "" : ",") + LEmpresa;
          if (!LEmpresas.empty()) LDetalhe += " empresa=" + LListaEmpresas;
          LDetalhe += " objetos=" + std::to_string(LObjetos.size());

          auto& LRecebido = FRecursos[LRecurso.FNome];
          auto LFalha = RecusaPara(LRota->FChave);
          if (!LFalha && FAleatorias.FFracao > 0 &&
              std::uniform_real_distribution<double>(0, 1)(FGerador) < FAleatorias.FFracao) {
            const auto LStatus =
                KStatusAleatorios[std::uniform_int_distribution<size_t>(0, std::size(KStatusAleatorios) - 1)(FGerador)];
            LFalha = TRecusa{.FNuvem = FNuvem,
                             .FRecurso = LRota->FChave,
                             .FStatus = LStatus,
                             .FCorpo = "Falha aleatória da nuvem local (" + std::to_string(LStatus) + ")"};
          }
          if (LFalha && LFalha->FTipo == TTipoFalha::Recusar) {
            ++LRecebido.FRecusados;
            LResposta = {LFalha->FStatus, LFalha->FCorpo};
          } else {
            AplicarFalha(LFalha, LResposta);
            ++LRecebido.FPosts;
            for (const auto& LEmpresa : LEmpresas) ++LRecebido.FEmpresas[LEmpresa].FPosts;
            for (const auto* LObjeto : LObjetos) {
              auto& LEmpresa = LRecebido.FEmpresas[(*LObjeto)["empresaId"].get<std::string>()];
              ++LEmpresa.FObjetos;
              if (LRecurso.FTemMarca)
                LEmpresa.FMaxCodAtualizacao =
                    std::max(LEmpresa.FMaxCodAtualizacao, (*LObjeto)["codAtualizacao"].get<int64_t>());
              if (LRecurso.FTemMd5) LEmpresa.FMd5Atualizacao = (*LObjeto)["md5Atualizacao"].get<std::string>();
              if (LRecurso.FCorpoObjeto) LEmpresa.FUltimoCorpo = LObjeto->dump(-1, ' ', false, TJson::error_handler_t::replace);
            }
          }
        }
      }
    } else {
      LDetalhe = " empresa=" + LRota->FEmpresa;
      auto& LRecebido = FRecursos[LRota->FRecurso->FNome];
      const auto LFalha = RecusaPara(LRota->FChave);
      if (LFalha && LFalha->FTipo == TTipoFalha::Recusar) {
        ++LRecebido.FRecusados;
        LResposta = {LFalha->FStatus, LFalha->FCorpo};
      } else {
        ++LRecebido.FConsultas;
        const auto LEmpresa = LRecebido.FEmpresas.find(LRota->FEmpresa);
        const bool LConhecida = LEmpresa != LRecebido.FEmpresas.end();
        if (LRota->FTipo == TRota::Marca)
          LResposta = {200, std::to_string(LConhecida ? LEmpresa->second.FMaxCodAtualizacao : 0)};
        else
          LResposta = {200, LConhecida ? LEmpresa->second.FMd5Atualizacao.value_or("") : ""};
        AplicarFalha(LFalha, LResposta);
      }
    }
  }

  std::string LLinha = std::string(NomeNuvem(FNuvem)) + " " + AMetodo + " " + (LRota ? LRota->FChave : ACaminho) + LDetalhe;
  if (LResposta.FStatus != 200)
    LLinha += " -> " + std::to_string(LResposta.FStatus) + " " + Resumo(LResposta.FCorpo);
  else if (!LPost)
    LLinha += " -> " + (LResposta.FCorpo.empty() ? std::string("\"\"") : LResposta.FCorpo);
  if (LResposta.FRetencaoSegundos > 0) LLinha += " (retida " + std::to_string(LResposta.FRetencaoSegundos) + " s)";
  if (LResposta.FCortar) LLinha += " (cortada)";
  FImprimir(LLinha);
  if (LPost && FJsonl) FJsonl->Gravar(FNuvem, LRota ? LRota->FChave : ACaminho, ACorpo, LJsonValido, LResposta.FStatus);
  return LResposta;
}

TResposta TNuvemLocal::Controlar(const std::string& AMetodo, const std::string& ACaminho,
                                 const std::map<std::string, std::string>& AParametros) {
  const auto LParametro = [&](const std::string& ANome) -> std::optional<std::string> {
    const auto LIt = AParametros.find(ANome);
    if (LIt == AParametros.end()) return std::nullopt;
    return LIt->second;
  };
  const auto LExigirMetodo = [&](const char* AEsperado) { return AMetodo == AEsperado || (AMetodo == "HEAD" && std::string(AEsperado) == "GET"); };

  TResposta LResposta{200, "ok"};
  try {
    if (ACaminho == "recusar" || ACaminho == "cortar" || ACaminho == "reter" || ACaminho == "aleatorias" ||
        ACaminho == "indisponivel" || ACaminho == "normal") {
      if (!LExigirMetodo("POST")) {
        LResposta = {405, "Use POST em /controle/" + ACaminho};
      } else if (ACaminho == "recusar") {
        std::string LRecurso = LParametro("recurso").value_or("");
        const auto LNuvem = TirarPrefixoNuvem(LRecurso);
        if (LNuvem && *LNuvem != FNuvem)
          throw EBorvanErro(std::string("Esta porta controla a nuvem ") + NomeNuvem(FNuvem));
        Recusar(MontarRecusa("Recusa inválida: ", FNuvem, LRecurso, LParametro("status"), LParametro("corpo"),
                             LParametro("n")));
      } else if (ACaminho == "cortar" || ACaminho == "reter") {
        std::string LRecurso = LParametro("recurso").value_or("");
        const auto LNuvem = TirarPrefixoNuvem(LRecurso);
        if (LNuvem && *LNuvem != FNuvem)
          throw EBorvanErro(std::string("Esta porta controla a nuvem ") + NomeNuvem(FNuvem));
        TRecusa LFalha = MontarRecusa(std::string("Falha inválida: "), FNuvem, LRecurso, std::nullopt,
                                      std::nullopt, LParametro("n"));
        if (ACaminho == "cortar") {
          LFalha.FTipo = TTipoFalha::Cortar;
        } else {
          const std::string LSegundos = LParametro("segundos").value_or("");
          const auto LValor = LerInteiro(LSegundos, 1, 600);
          if (!LValor) throw EBorvanErro("Segundos inválidos (1 a 600): " + LSegundos);
          LFalha.FTipo = TTipoFalha::Reter;
          LFalha.FSegundos = static_cast<int>(*LValor);
        }
        Recusar(LFalha);
      } else if (ACaminho == "aleatorias") {
        const std::string LTexto = LParametro("fracao").value_or("");
        const auto LFracao = LerFracao(LTexto);
        if (!LFracao) throw EBorvanErro("Fração inválida (0 a 1): " + LTexto);
        TFalhasAleatorias LAleatorias{.FFracao = *LFracao};
        if (const auto LSemente = LParametro("semente")) {
          const auto LValor = LerInteiro(*LSemente, 0, std::numeric_limits<int64_t>::max());
          if (!LValor) throw EBorvanErro("Semente inválida: " + *LSemente);
          LAleatorias.FSemente = static_cast<uint64_t>(*LValor);
        }
        DefinirAleatorias(LAleatorias);
      } else if (ACaminho == "indisponivel") {
        const std::string LAtivo = LParametro("ativo").value_or("1");
        if (LAtivo != "1" && LAtivo != "0" && LAtivo != "true" && LAtivo != "false")
          throw EBorvanErro("Valor inválido de ativo (1 ou 0): " + LAtivo);
        DefinirIndisponivel(LAtivo == "1" || LAtivo == "true");
      } else {
        Normalizar();
      }
    } else if (ACaminho == "estado") {
      if (!LExigirMetodo("GET"))
        LResposta = {405, "Use GET em /controle/estado"};
      else
        LResposta = {200, Estado(), "application/json"};
    } else {
      LResposta = {404, "Comando de controle desconhecido: " + ACaminho};
    }
  } catch (const EBorvanErro& E) {
    LResposta = {400, E.what()};
  }

  std::string LLinha = std::string(NomeNuvem(FNuvem)) + " " + AMetodo + " controle/" + ACaminho;
  for (const auto& [LNome, LValor] : AParametros) LLinha += " " + LNome + "=" + LValor;
  if (LResposta.FStatus != 200) LLinha += " -> " + std::to_string(LResposta.FStatus) + " " + Resumo(LResposta.FCorpo);
  FImprimir(LLinha);
  return LResposta;
}

void TNuvemLocal::Recusar(const TRecusa& ARecusa) {
  std::lock_guard LTrava(FTrava);
  if (ARecusa.FEnesima == 0) {
    std::erase_if(FRecusas, [&](const TRecusaAtiva& A) {
      return A.FRecusa.FEnesima == 0 && A.FRecusa.FRecurso == ARecusa.FRecurso;
    });
  }
  FRecusas.push_back({ARecusa, FPedidosPorChave[ARecusa.FRecurso]});
}

void TNuvemLocal::DefinirAleatorias(const TFalhasAleatorias& AAleatorias) {
  std::lock_guard LTrava(FTrava);
  FAleatorias = AAleatorias;
  FGerador.seed(AAleatorias.FSemente);
}

void TNuvemLocal::AplicarFalha(const std::optional<TRecusa>& AFalha, TResposta& AResposta) {
  if (!AFalha) return;
  if (AFalha->FTipo == TTipoFalha::Cortar) AResposta.FCortar = true;
  if (AFalha->FTipo == TTipoFalha::Reter) AResposta.FRetencaoSegundos = AFalha->FSegundos;
}

void TNuvemLocal::DefinirIndisponivel(bool AIndisponivel) {
  std::lock_guard LTrava(FTrava);
  FIndisponivel = AIndisponivel;
}

void TNuvemLocal::Normalizar() {
  std::lock_guard LTrava(FTrava);
  FIndisponivel = false;
  FRecusas.clear();
  FAleatorias = {};
}

std::string TNuvemLocal::Estado() const {
  std::lock_guard LTrava(FTrava);
  TJson LEstado = {{"nuvem", NomeNuvem(FNuvem)}, {"indisponivel", FIndisponivel}};
  TJson LRecusas = TJson::array();
  for (const auto& LAtiva : FRecusas) {
    TJson LItem = {{"recurso", LAtiva.FRecusa.FRecurso}, {"tipo", NomeTipo(LAtiva.FRecusa.FTipo)}};
    if (LAtiva.FRecusa.FTipo == TTipoFalha::Recusar) {
      LItem["status"] = LAtiva.FRecusa.FStatus;
      LItem["corpo"] = LAtiva.FRecusa.FCorpo;
    }
    if (LAtiva.FRecusa.FTipo == TTipoFalha::Reter) LItem["segundos"] = LAtiva.FRecusa.FSegundos;
    LItem["n"] = LAtiva.FRecusa.FEnesima;
    LRecusas.push_back(std::move(LItem));
  }
  LEstado["recusas"] = std::move(LRecusas);
  LEstado["aleatorias"] = {{"fracao", FAleatorias.FFracao}, {"semente", FAleatorias.FSemente}};
  TJson LRecursos = TJson::object();
  for (const auto& [LNome, LRecebido] : FRecursos) {
    const auto* LRecurso = ProcurarRecurso(FNuvem, LNome);
    TJson LEmpresas = TJson::object();
    for (const auto& [LId, LEmpresa] : LRecebido.FEmpresas) {
      TJson LItem = TJson::object();
      if (LRecurso->FTemMarca) LItem["maxCodAtualizacao"] = LEmpresa.FMaxCodAtualizacao;
      if (LRecurso->FTemMd5) LItem["md5Atualizacao"] = LEmpresa.FMd5Atualizacao.value_or("");
      LItem["posts"] = LEmpresa.FPosts;
      LItem["objetos"] = LEmpresa.FObjetos;
      if (!LEmpresa.FUltimoCorpo.empty()) LItem["ultimo"] = TJson::parse(LEmpresa.FUltimoCorpo);
      LEmpresas[LId] = std::move(LItem);
    }
    LRecursos[LNome] = {{"posts", LRecebido.FPosts},
                        {"consultas", LRecebido.FConsultas},
                        {"recusados", LRecebido.FRecusados},
                        {"empresas", std::move(LEmpresas)}};
  }
  LEstado["recursos"] = std::move(LRecursos);
  return LEstado.dump(-1, ' ', false, TJson::error_handler_t::replace);
}

}  // namespace borvan
