// A fresh directory under /tmp, removed with everything in it.
#pragma once

#include <string>

namespace borvan::teste {

class TDiretorioTemporario {
 public:
  TDiretorioTemporario();
  ~TDiretorioTemporario();
  TDiretorioTemporario(const TDiretorioTemporario&) = delete;
  TDiretorioTemporario& operator=(const TDiretorioTemporario&) = delete;

  const std::string& Caminho() const { return FCaminho; }
  // Caminho() + "/" + ANome.
  std::string Arquivo(const std::string& ANome) const;

 private:
  std::string FCaminho;
};

// Whole-file helpers for tests.
std::string LerArquivo(const std::string& ACaminho);
void GravarArquivo(const std::string& ACaminho, const std::string& AConteudo);

}  // namespace borvan::teste
