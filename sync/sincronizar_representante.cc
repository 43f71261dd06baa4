#include "sync/sincronizar_representante.h"

#include "cloud/lumio/lumio.h"

namespace borvan {
namespace {

const char* const SQL_LUMIO =
    "   select REP_CODIGO,          REP_NOME,          EMAIL,          INATIVO,"
    "          COD_ATUALIZACAO     from REPRESENTANTES    where EMPRESA = :EMPRESA"
    "      and COD_ATUALIZACAO > :COD_ATUALIZACAO order by EMPRESA, COD_ATUALIZACAO";

}  // namespace

void TSincronizarRepresentante::ExecutePedidoVenda() {
  Executar({
      .Marca = &TEmpresa::MaxCodAtualizacaoRepresentante,
      .Tabela = "REPRESENTANTES",
      .TextoAbertura = "Atualizando representantes lumio... Empresa: ",
      .TextoFechamento = "Representantes lumio atualizados. MaxCodAtualizacao: ",
      .CriarServico = Servico<TLumioRepresentanteService>(),
      .Sql = [](int32_t) { return std::string(SQL_LUMIO); },
      .Montar = [this](TLinhaJson& ALinha) { EnviarPedidoVenda(ALinha); },
      .AntesDeEnviar = {},
  });
}

void TSincronizarRepresentante::EnviarPedidoVenda(TLinhaJson& L) {
  L.Valor("empresaId", FEmpresa.Id);
  L.Inteiro("representanteId", "REP_CODIGO");
  L.Texto("nome", "REP_NOME");
  L.Texto("email", "EMAIL");
  L.FlagNegada("ativo", "INATIVO");
  L.Inteiro("codAtualizacao", "COD_ATUALIZACAO");
}

}  // namespace borvan
