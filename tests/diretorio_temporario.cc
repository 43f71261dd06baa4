#include "tests/diretorio_temporario.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace borvan::teste {

TDiretorioTemporario::TDiretorioTemporario() {
  std::string modelo = "/tmp/borvan-teste-XXXXXX";
  if (mkdtemp(modelo.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  FCaminho = modelo;
}

TDiretorioTemporario::~TDiretorioTemporario() {
  std::error_code erro;
  std::filesystem::remove_all(FCaminho, erro);
}

std::string TDiretorioTemporario::Arquivo(const std::string& ANome) const {
  return FCaminho + "/" + ANome;
}

std::string LerArquivo(const std::string& ACaminho) {
  std::ifstream arquivo(ACaminho, std::ios::binary);
  std::ostringstream texto;
  texto << arquivo.rdbuf();
  return texto.str();
}

void GravarArquivo(const std::string& ACaminho, const std::string& AConteudo) {
  std::ofstream arquivo(ACaminho, std::ios::binary | std::ios::trunc);
  arquivo << AConteudo;
  if (!arquivo) throw std::runtime_error("cannot write " + ACaminho);
}

}  // namespace borvan::teste
