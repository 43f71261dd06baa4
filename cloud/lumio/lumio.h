// The Lumio endpoint clients and their service wrappers, by the names the
// synchronizers and the notification use.
#pragma once

#include "cloud/endpoints.h"

namespace borvan {

using TLumioServiceClient = TEndpointClient<TNuvemLumio, recursos::LumioService>;
using TLumioServiceService = TEndpointService<TNuvemLumio, recursos::LumioService>;
using TLumioClienteClient = TEndpointClient<TNuvemLumio, recursos::LumioCliente>;
using TLumioClienteService = TEndpointService<TNuvemLumio, recursos::LumioCliente>;
using TLumioProdutoClient = TEndpointClient<TNuvemLumio, recursos::LumioProduto>;
using TLumioProdutoService = TEndpointService<TNuvemLumio, recursos::LumioProduto>;
using TLumioProdutoUnidadeComercialClient = TEndpointClient<TNuvemLumio, recursos::LumioProdutoUnidadeComercial>;
using TLumioProdutoUnidadeComercialService = TEndpointService<TNuvemLumio, recursos::LumioProdutoUnidadeComercial>;
using TLumioCondicaoPagamentoClient = TEndpointClient<TNuvemLumio, recursos::LumioCondicaoPagamento>;
using TLumioCondicaoPagamentoService = TEndpointService<TNuvemLumio, recursos::LumioCondicaoPagamento>;
using TLumioFormaPagamentoClient = TEndpointClient<TNuvemLumio, recursos::LumioFormaPagamento>;
using TLumioFormaPagamentoService = TEndpointService<TNuvemLumio, recursos::LumioFormaPagamento>;
using TLumioOperacaoFiscalClient = TEndpointClient<TNuvemLumio, recursos::LumioOperacaoFiscal>;
using TLumioOperacaoFiscalService = TEndpointService<TNuvemLumio, recursos::LumioOperacaoFiscal>;
using TLumioRepresentanteClient = TEndpointClient<TNuvemLumio, recursos::LumioRepresentante>;
using TLumioRepresentanteService = TEndpointService<TNuvemLumio, recursos::LumioRepresentante>;
using TLumioSituacaoTributariaClient = TEndpointClient<TNuvemLumio, recursos::LumioSituacaoTributaria>;
using TLumioSituacaoTributariaService = TEndpointService<TNuvemLumio, recursos::LumioSituacaoTributaria>;
using TLumioSituacaoTributariaPisClient = TEndpointClient<TNuvemLumio, recursos::LumioSituacaoTributariaPis>;
using TLumioSituacaoTributariaPisService = TEndpointService<TNuvemLumio, recursos::LumioSituacaoTributariaPis>;
using TLumioSituacaoTributariaCofinsClient = TEndpointClient<TNuvemLumio, recursos::LumioSituacaoTributariaCofins>;
using TLumioSituacaoTributariaCofinsService = TEndpointService<TNuvemLumio, recursos::LumioSituacaoTributariaCofins>;
using TLumioNcmIbptClient = TEndpointClient<TNuvemLumio, recursos::LumioNcmIbpt>;
using TLumioNcmIbptService = TEndpointService<TNuvemLumio, recursos::LumioNcmIbpt>;
using TLumioOpcaoClient = TEndpointClient<TNuvemLumio, recursos::LumioOpcao>;
using TLumioOpcaoService = TEndpointService<TNuvemLumio, recursos::LumioOpcao>;

}  // namespace borvan
