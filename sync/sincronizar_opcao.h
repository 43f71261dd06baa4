// The sales-order options of a company (OPCOES), towards Lumio only.
// Unlike the row-based entities there is no COD_ATUALIZACAO: a change is
// detected by the MD5 digest of the options row, compared with the digest
// the cloud holds (asked once) or, afterwards, with the one remembered in
// TEmpresa::CodigoMd5Opcao.
#pragma once

#include <string>

#include "sync/sincronizar_base.h"

namespace borvan {

class TSincronizarOpcao : public TSincronizarBase {
 public:
  using TSincronizarBase::TSincronizarBase;
  // Quenda receives no options: no query, no request, no log line.
  void Execute() override {}
  // Logs "MD5: <cloud digest> <local digest>" and, when the digests
  // differ, posts the options object between "Atualizando opções Lumio...
  // Empresa: <Id>" and "Opções Lumio atualizadas.". CodigoMd5Opcao takes
  // the local digest only when the cloud holds it (equal digests or an
  // accepted post), so a refused post is posted again on the next run.
  // Throws on cloud and database failures; catches nothing.
  void ExecutePedidoVenda() override;

 private:
  struct TOpcoes {
    std::string Consumidor;
    std::string Entrada;
    std::string Demais;
  };

  static std::string MontarSql();
  // The company's options row; all empty when the company has none.
  TOpcoes LerOpcoes();
  std::string GerarCodigoMd5();
  void EnviarPedidoVenda(const std::string& ACodigoMd5);
};

}  // namespace borvan
