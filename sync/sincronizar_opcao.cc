#include "sync/sincronizar_opcao.h"

#include "cloud/lumio/lumio.h"
#include "support/utilidades.h"

namespace borvan {
namespace {

const char* const SQL_OPCOES =
    "   select O.CLI_COD_CONSUMIDOR,\r\n"
    "          O.VEN_FP_ENTRADA,\r\n"
    "          O.VEN_FP_DEMAIS \r\n"
    "     from OPCOES O\r\n"
    "    where EMPRESA = :EMPRESA\r\n"
    " order by EMPRESA\r\n";

}  // namespace

std::string TSincronizarOpcao::MontarSql() { return SQL_OPCOES; }

TSincronizarOpcao::TOpcoes TSincronizarOpcao::LerOpcoes() {
  auto query = CriarQuery();
  query->SetSql(MontarSql());
  query->ParamSmallInt("EMPRESA", FEmpresa.LocalId);
  query->Abrir();
  TOpcoes opcoes;
  if (!query->Eof()) {
    opcoes.Consumidor = query->Texto("CLI_COD_CONSUMIDOR");
    opcoes.Entrada = query->Texto("VEN_FP_ENTRADA");
    opcoes.Demais = query->Texto("VEN_FP_DEMAIS");
  }
  return opcoes;
}

std::string TSincronizarOpcao::GerarCodigoMd5() {
  TOpcoes opcoes = LerOpcoes();
  return CalcularMd5(opcoes.Consumidor + "|" + opcoes.Entrada + "|" + opcoes.Demais);
}

void TSincronizarOpcao::ExecutePedidoVenda() {
  std::string nuvem;
  if (FEmpresa.CodigoMd5Opcao.empty()) {
    TLumioOpcaoService servico(TOKEN_BORVAN);
    nuvem = servico.CodigoMd5(FEmpresa.Id);
  }
  const std::string referencia = FEmpresa.CodigoMd5Opcao.empty() ? nuvem : FEmpresa.CodigoMd5Opcao;
  const std::string local = GerarCodigoMd5();
  FLog.Info("MD5: " + nuvem + " " + local);
  if (referencia == local) {
    FEmpresa.CodigoMd5Opcao = local;
    return;
  }

  FLog.Info("Atualizando opções Lumio... Empresa: " + FEmpresa.Id);
  EnviarPedidoVenda(local);
  // Only now does the cloud hold this digest; after a refused post the
  // old one stays and the next run posts again.
  FEmpresa.CodigoMd5Opcao = local;
  FLog.Info("Opções Lumio atualizadas.");
}

void TSincronizarOpcao::EnviarPedidoVenda(const std::string& ACodigoMd5) {
  // Read again: the object is built from its own read of the row.
  TOpcoes opcoes = LerOpcoes();
  TLumioOpcaoService servico(TOKEN_BORVAN);
  TJsonEscritor json;
  json.IniciarObjeto();
  json.Texto("empresaId", FEmpresa.Id);
  json.Texto("md5Atualizacao", ACodigoMd5);
  // The code goes out as the number the column holds; without one (null
  // column, no options row) 0 keeps the body valid JSON.
  json.NumeroTexto("consumidorId", opcoes.Consumidor.empty() ? "0" : opcoes.Consumidor);
  json.IniciarObjeto("formaPagamentoEntrada");
  json.Texto("formaPagamentoId", opcoes.Entrada);
  json.FinalizarObjeto();
  json.IniciarObjeto("formaPagamentoParcelas");
  json.Texto("formaPagamentoId", opcoes.Demais);
  json.FinalizarObjeto();
  json.FinalizarObjeto();
  servico.Save(json);
}

}  // namespace borvan
