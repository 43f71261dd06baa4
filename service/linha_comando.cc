#include "service/linha_comando.h"

#include <cctype>
#include <exception>
#include <stdexcept>

namespace borvan {
namespace {

bool IguaisSemCaixa(const std::string& A, const char* B) {
  size_t i = 0;
  for (; i < A.size() && B[i] != '\0'; ++i)
    if (std::toupper(static_cast<unsigned char>(A[i])) != std::toupper(static_cast<unsigned char>(B[i])))
      return false;
  return i == A.size() && B[i] == '\0';
}

}  // namespace

TLinhaComando InterpretarLinhaComando(int argc, const char* const* argv) {
  bool instalar = false;
  bool desinstalar = false;
  bool silencioso = false;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    std::string argumento = argv[i];
    if (argumento.empty() || (argumento[0] != '/' && argumento[0] != '-')) continue;
    std::string chave = argumento.substr(1);
    if (IguaisSemCaixa(chave, "INSTALL"))
      instalar = true;
    else if (IguaisSemCaixa(chave, "UNINSTALL"))
      desinstalar = true;
    else if (IguaisSemCaixa(chave, "SILENT"))
      silencioso = true;
  }
  TLinhaComando linha;
  linha.Silencioso = silencioso;
  if (instalar)
    linha.Acao = TAcaoLinhaComando::Instalar;
  else if (desinstalar)
    linha.Acao = TAcaoLinhaComando::Desinstalar;
  return linha;
}

TConfiguracaoServico ConfiguracaoServico(const std::string& AExecutavel) {
  TConfiguracaoServico configuracao;
  configuracao.Nome = "BorvanSistemas";
  configuracao.NomeExibicao = "Borvan Sistemas Ltda";
  configuracao.Descricao = "Envia dados do sistema Borvan para a nuvem.";
  configuracao.Executavel = AExecutavel;
  return configuracao;
}

int ExecutarInstalacao(const TLinhaComando& ALinha, TGerenciadorServico& AGerenciador,
                       const std::string& AExecutavel, std::ostream& ASaida, std::ostream& AErro) {
  if (ALinha.Acao == TAcaoLinhaComando::Executar)
    throw std::invalid_argument("ExecutarInstalacao: nem INSTALL nem UNINSTALL");
  bool instalar = ALinha.Acao == TAcaoLinhaComando::Instalar;
  TConfiguracaoServico configuracao = ConfiguracaoServico(AExecutavel);
  try {
    if (instalar)
      AGerenciador.Instalar(configuracao);
    else
      AGerenciador.Desinstalar(configuracao.Nome);
  } catch (const std::exception& AErroOcorrido) {
    AErro << (instalar ? "Erro ao instalar o serviço " : "Erro ao remover o serviço ") << configuracao.Nome
          << ": " << AErroOcorrido.what() << std::endl;
    return 1;
  }
  if (!ALinha.Silencioso)
    ASaida << "Serviço " << configuracao.Nome << (instalar ? " instalado." : " removido.") << std::endl;
  return 0;
}

}  // namespace borvan
