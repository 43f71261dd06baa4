// A fixture for synchronizer tests: a throw-away database, both stand-in
// clouds on the development ports, the developer marker and the log in a
// temporary executable directory, one company and the connection.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "db/conexao.h"
#include "service/empresa.h"
#include "support/log.h"
#include "tests/ambiente_teste.h"
#include "tests/banco_teste.h"
#include "tests/diretorio_temporario.h"
#include "tests/nuvem_teste.h"

namespace borvan::teste {

class TSincronizacaoTeste : public ::testing::Test {
 protected:
  TSincronizacaoTeste()
      : Ambiente(Diretorio.Caminho()),
        Quenda(8090),
        Lumio(8091),
        Conexao((Banco.GravarDefinicao(Diretorio.Arquivo("ConnectionDefs.ini")),
                 Diretorio.Arquivo("ConnectionDefs.ini")),
                "Borvan", "sysdba", "quillfern") {
    GravarArquivo(Diretorio.Arquivo("Eh.Programador"), "");
    Empresa.Id = "emp-7";
    Empresa.GrupoId = "grupo-3";
    Empresa.LocalId = 1;
  }

  // The log's lines, without their "hh:mm:ss - " prefix.
  std::vector<std::string> LinhasLog() const {
    std::vector<std::string> linhas;
    std::string texto = LerArquivo(Log.GetFullFileName());
    size_t inicio = 0;
    while (inicio < texto.size()) {
      size_t fim = texto.find("\r\n", inicio);
      if (fim == std::string::npos) fim = texto.size();
      std::string linha = texto.substr(inicio, fim - inicio);
      linhas.push_back(linha.size() > 11 ? linha.substr(11) : linha);
      inicio = fim + 2;
    }
    return linhas;
  }

  // The requests of one cloud with the given method.
  static std::vector<TRequisicaoRecebida> Filtrar(const TNuvemTeste& ANuvem,
                                                  const std::string& AMetodo) {
    std::vector<TRequisicaoRecebida> resultado;
    for (auto& requisicao : ANuvem.Requisicoes()) {
      if (requisicao.Metodo == AMetodo) resultado.push_back(requisicao);
    }
    return resultado;
  }

  // The "codAtualizacao" of every object of every POST, per post.
  static std::vector<std::vector<int>> Lotes(const std::vector<TRequisicaoRecebida>& APosts) {
    std::vector<std::vector<int>> lotes;
    for (const auto& post : APosts) {
      std::vector<int> codigos;
      for (const auto& objeto : nlohmann::json::parse(post.Corpo)) {
        codigos.push_back(objeto["codAtualizacao"].get<int>());
      }
      lotes.push_back(codigos);
    }
    return lotes;
  }

  // Inserts each case's Valores as a row of company 1 into ATabela, the
  // last case first, so that a body in the cases' order shows the rows
  // going out by COD_ATUALIZACAO; returns that body, the array of the
  // cases' Objeto texts.
  template <class TCaso, size_t N>
  std::string InserirDoUltimoAoPrimeiro(const std::string& ATabela, const TCaso (&ACasos)[N]) {
    for (size_t i = N; i-- > 0;) {
      Banco.Executar("insert into " + ATabela + " values (1, " + ACasos[i].Valores + ")");
    }
    std::string corpo;
    for (const TCaso& caso : ACasos) corpo += (corpo.empty() ? "[" : ",") + std::string(caso.Objeto);
    return corpo + "]";
  }

  // ADe, ADe + 1, ..., AAte.
  static std::vector<int> Sequencia(int ADe, int AAte) {
    std::vector<int> valores;
    for (int i = ADe; i <= AAte; ++i) valores.push_back(i);
    return valores;
  }

  TDiretorioTemporario Diretorio;
  TAmbienteTeste Ambiente;
  TBancoTeste Banco;
  TNuvemTeste Quenda;
  TNuvemTeste Lumio;
  TConexao Conexao;
  TLog Log;
  TEmpresa Empresa;
};

}  // namespace borvan::teste
