#include "sync/sincronizar_cliente.h"

#include <algorithm>

#include "cloud/lumio/lumio.h"
#include "cloud/quenda/quenda.h"

namespace borvan {
namespace {

const char* const SQL_QUENDA =
    "   select CLI_CODIGO,          INATIVO,          CLI_NOME,          NOME_FANTASIA,"
    "          CID_CODIGO,          DT_CADASTRO,          COD_ATUALIZACAO     from CLIENTES"
    "    where EMPRESA = :EMPRESA      and COD_ATUALIZACAO > :COD_ATUALIZACAO"
    " order by EMPRESA, COD_ATUALIZACAO";

const char* const SQL_LUMIO =
    "   select C.CLI_CODIGO,          C.CLI_NOME,          C.NOME_FANTASIA,          C.ENDERECO,"
    "          C.NUMERO,          C.COMPLEMENTO,          C.BAIRRO,          C.CEP,"
    "          C.PESSOA,          C.CPF_CNPJ,          C.RG_IE,          C.INSC_ESTADUAL,"
    "          C.FONE,          C.CELULAR,          (select first 1 EMAIL"
    "             from CLIENTES_EMAIL CE            where CE.EMPRESA = C.EMPRESA"
    "              and CE.CLI_CODIGO = C.CLI_CODIGO) as EMAIL,          C.LIMITE_CREDITO,"
    "          C.DT_CADASTRO,          C.DATA_ULT_COMPRA,          C.VALOR_ULT_COMPRA,"
    "          C.REP_CODIGO,          C.INATIVO,          C.INDICADOR_PRESENCA,"
    "          C.CID_CODIGO,          C.OBSERVACAO,          C.COD_ATUALIZACAO"
    "     from CLIENTES C    where EMPRESA = :EMPRESA      and COD_ATUALIZACAO > :COD_ATUALIZACAO"
    " order by EMPRESA, COD_ATUALIZACAO";

}  // namespace

const char* TSincronizarCliente::SqlPedidoVenda() { return SQL_LUMIO; }

void TSincronizarCliente::Execute() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoCliente,
      .Tabela = "CLIENTES",
      .TextoAbertura = "Atualizando clientes... Empresa: ",
      .TextoFechamento = "Clientes atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TQuendaClienteService>(),
      .Sql = [](int32_t) { return std::string(SQL_QUENDA); },
      .Montar = [this](TLinhaJson& ALinha) { Enviar(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarCliente::ExecutePedidoVenda() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoCliente,
      .Tabela = "CLIENTES",
      .TextoAbertura = "Atualizando Clientes Lumio... Empresa: ",
      .TextoFechamento = "Clientes atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TLumioClienteService>(),
      .Sql = [](int32_t) { return std::string(SQL_LUMIO); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarCliente::Enviar(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Inteiro("clienteId", "CLI_CODIGO");
  L.FlagNegada("ativo", "INATIVO");
  L.Valor("grupoId", FEmpresa.GrupoId);
  L.Texto("nome", "CLI_NOME");
  L.Texto("fantasia", "NOME_FANTASIA");
  L.Inteiro("cidadeId", "CID_CODIGO");
  L.Data("dataCadastro", "DT_CADASTRO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

void TSincronizarCliente::EnviarPedidoVenda(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Inteiro("clienteId", "CLI_CODIGO");
  L.Texto("nome", "CLI_NOME");
  L.Texto("fantasia", "NOME_FANTASIA");
  L.Texto("endereco", "ENDERECO");
  L.Texto("numero", "NUMERO");
  L.Texto("complemento", "COMPLEMENTO");
  L.Texto("bairro", "BAIRRO");
  L.Texto("cep", "CEP");
  L.Texto("pessoa", "PESSOA");
  L.Texto("cpfCnpj", "CPF_CNPJ");
  L.Texto("rgIE", "RG_IE");
  L.Texto("inscricaoEstadual", "INSC_ESTADUAL");
  L.Texto("telefone", "FONE");
  L.Texto("celular", "CELULAR");
  std::string email = L.LerTexto("EMAIL");
  email.erase(std::remove(email.begin(), email.end(), '\x1F'), email.end());
  L.Valor("email", email);
  L.Decimal("limiteCredito", "LIMITE_CREDITO");
  L.Data("dataUltimaCompra", "DATA_ULT_COMPRA");
  L.Decimal("valorUltimaCompra", "VALOR_ULT_COMPRA");
  L.Inteiro("representanteId", "REP_CODIGO");
  L.FlagNegada("ativo", "INATIVO");
  L.Inteiro("indicadorPresenca", "INDICADOR_PRESENCA");
  L.TextoAparado("observacao", "OBSERVACAO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
  int32_t cidade = L.LerInteiro("CID_CODIGO");
  if (cidade > 0) {
    L.Json().IniciarObjeto("cidade");
    L.Json().Inteiro("id", cidade);
    L.Json().FinalizarObjeto();
  }
}

}  // namespace borvan
