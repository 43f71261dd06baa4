// The Quenda endpoint clients and their service wrappers, by the names the
// synchronizers and the notification use.
#pragma once

#include "cloud/endpoints.h"

namespace borvan {

using TQuendaServiceClient = TEndpointClient<TNuvemQuenda, recursos::QuendaService>;
using TQuendaServiceService = TEndpointService<TNuvemQuenda, recursos::QuendaService>;
using TQuendaClienteClient = TEndpointClient<TNuvemQuenda, recursos::QuendaCliente>;
using TQuendaClienteService = TEndpointService<TNuvemQuenda, recursos::QuendaCliente>;
using TQuendaReceberClient = TEndpointClient<TNuvemQuenda, recursos::QuendaReceber>;
using TQuendaReceberService = TEndpointService<TNuvemQuenda, recursos::QuendaReceber>;
using TQuendaVendaClient = TEndpointClient<TNuvemQuenda, recursos::QuendaVenda>;
using TQuendaVendaService = TEndpointService<TNuvemQuenda, recursos::QuendaVenda>;
using TQuendaProdutoClient = TEndpointClient<TNuvemQuenda, recursos::QuendaProduto>;
using TQuendaProdutoService = TEndpointService<TNuvemQuenda, recursos::QuendaProduto>;
using TQuendaCondicaoPagamentoClient = TEndpointClient<TNuvemQuenda, recursos::QuendaCondicaoPagamento>;
using TQuendaCondicaoPagamentoService = TEndpointService<TNuvemQuenda, recursos::QuendaCondicaoPagamento>;
using TQuendaFormaPagamentoClient = TEndpointClient<TNuvemQuenda, recursos::QuendaFormaPagamento>;
using TQuendaFormaPagamentoService = TEndpointService<TNuvemQuenda, recursos::QuendaFormaPagamento>;
using TQuendaOperacaoFiscalClient = TEndpointClient<TNuvemQuenda, recursos::QuendaOperacaoFiscal>;
using TQuendaOperacaoFiscalService = TEndpointService<TNuvemQuenda, recursos::QuendaOperacaoFiscal>;

}  // namespace borvan
