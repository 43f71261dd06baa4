// The store of named connection definitions (ConnectionDefs.ini).
#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>

#include "db/conexao.h"
#include "support/erros.h"

namespace borvan {

namespace {

std::string Aparar(const std::string& ATexto) {
  const auto branco = [](unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
  };
  size_t inicio = 0;
  size_t fim = ATexto.size();
  while (inicio < fim && branco(ATexto[inicio])) ++inicio;
  while (fim > inicio && branco(ATexto[fim - 1])) --fim;
  return ATexto.substr(inicio, fim - inicio);
}

std::string Maiusculas(std::string ATexto) {
  std::transform(ATexto.begin(), ATexto.end(), ATexto.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return ATexto;
}

// Keys of section ASecao (names compared without letter case); the first
// occurrence of a key wins. Returns false when the section is absent.
bool LerSecao(std::istream& AEntrada, const std::string& ASecao,
              std::map<std::string, std::string>& AChaves) {
  const std::string procurada = Maiusculas(ASecao);
  bool achou = false;
  bool dentro = false;
  std::string linha;
  bool primeira = true;
  while (std::getline(AEntrada, linha)) {
    if (primeira && linha.compare(0, 3, "\xEF\xBB\xBF") == 0) linha.erase(0, 3);
    primeira = false;
    linha = Aparar(linha);
    if (linha.empty() || linha[0] == ';' || linha[0] == '#') continue;
    if (linha.front() == '[') {
      const size_t fim = linha.find(']');
      if (fim == std::string::npos) continue;
      dentro = Maiusculas(Aparar(linha.substr(1, fim - 1))) == procurada;
      achou = achou || dentro;
      continue;
    }
    if (!dentro) continue;
    const size_t igual = linha.find('=');
    if (igual == std::string::npos) continue;
    AChaves.try_emplace(Maiusculas(Aparar(linha.substr(0, igual))),
                        Aparar(linha.substr(igual + 1)));
  }
  return achou;
}

}  // namespace

TDefinicaoConexao TDefinicaoConexao::Ler(const std::string& AArquivo, const std::string& ASecao) {
  std::ifstream arquivo(AArquivo, std::ios::binary);
  if (!arquivo) throw EBorvanErro("Connection definition file not found: " + AArquivo);
  std::map<std::string, std::string> chaves;
  if (!LerSecao(arquivo, ASecao, chaves)) {
    throw EBorvanErro("Connection definition [" + ASecao + "] not found in " + AArquivo);
  }
  const auto valor = [&](const char* AChave) -> std::string {
    const auto item = chaves.find(Maiusculas(AChave));
    if (item == chaves.end() || item->second.empty()) {
      throw EBorvanErro("Connection definition [" + ASecao + "] in " + AArquivo + " has no " +
                        AChave);
    }
    // A NUL would cut the connection text short of what the host check saw.
    if (item->second.find('\0') != std::string::npos) {
      throw EBorvanErro("Connection definition [" + ASecao + "] in " + AArquivo +
                        " has a NUL byte in " + AChave);
    }
    return item->second;
  };

  TDefinicaoConexao definicao;
  definicao.DriverID = valor("DriverID");
  if (Maiusculas(definicao.DriverID) != "FB") {
    throw EBorvanErro("Connection definition [" + ASecao + "] in " + AArquivo + " has DriverID " +
                      definicao.DriverID + ", expected FB");
  }
  definicao.Server = valor("Server");
  definicao.Database = valor("Database");
  const auto conjunto = chaves.find("CHARACTERSET");
  definicao.CharacterSet =
      conjunto == chaves.end() || conjunto->second.empty() ? "UTF8" : valor("CharacterSet");
  return definicao;
}

std::string TDefinicaoConexao::TextoConexao() const { return Server + ":" + Database; }

}  // namespace borvan
