#include "service/van.h"

#include "platform/Errors.h"
#include "service/EndpointConfig.h"
#include "service/VanProxy.h"

#include <atomic>

namespace tarrow {

namespace {

// The one registration fact that the start-up changes; the others never do.
std::atomic<bool> g_estiloDocumento{false};

}  // namespace

TVanSoapRegistration RegistroVanSoap()
{
    TVanSoapRegistration registration;
    registration.Namespace = std::string(ServiceNamespace);
    registration.Encoding = "utf-8";
    registration.SoapActionTemplate = std::string(ServiceNamespace) + "%operationName%";
    registration.XmlTypes = {{{"retorno_parcela", ServiceNamespace}, {"retorno_pedido", ServiceNamespace}}};
    registration.DocumentStyle = g_estiloDocumento.load();
    return registration;
}

void RegistraVanSoapDocumento()
{
    g_estiloDocumento.store(true);
}

VanSoap* TVanSoapRef::operator->() const
{
    if (!proxy_) throw Exception(kMensagemProxyVazio);
    return proxy_.get();
}

TOpcoesVanSoap OpcoesVanSoapManual()
{
    TOpcoesVanSoap opcoes;
    opcoes.Tempos = {60000, 60000, 60000};
    return opcoes;
}

TOpcoesVanSoap OpcoesVanSoapAutomatico()
{
    TOpcoesVanSoap opcoes;
    opcoes.Tempos = {60000, 300000, 300000};
    return opcoes;
}

namespace {

// Fills result as soon as the proxy is bound, so that a caller who catches the error of a refused
// address still holds the proxy.
void CriaVanSoapEm(TVanSoapRef& result, const TOpcoesVanSoap& opcoes)
{
    result.reset();
    const std::string arquivo = opcoes.ArquivoConf.empty() ? ArquivoTarrowConf() : opcoes.ArquivoConf;
    const TConfiguracaoServico configuracao = LeConfiguracaoServico(arquivo);

    auto proxy = std::make_unique<TVanSoapProxy>(RegistroVanSoap());
    TVanSoapProxy& bound = *proxy;
    result = TVanSoapRef(std::move(proxy));
    bound.Transport().SetTimeouts(opcoes.Tempos);
    bound.Transport().SetCertificateCheck(configuracao.Certificados);
    bound.Transport().SetURL(configuracao.Endereco);
}

}  // namespace

TVanSoapRef CriaVanSoap(const TOpcoesVanSoap& opcoes)
{
    TVanSoapRef result;
    CriaVanSoapEm(result, opcoes);
    return result;
}

TVanSoapRef ObtemVanSoap(const TOpcoesVanSoap& opcoes) noexcept
{
    TVanSoapRef result;
    try {
        CriaVanSoapEm(result, opcoes);
    } catch (...) {
        // Deliberately silent: the attempt fails when the caller calls through what it got.
    }
    return result;
}

}  // namespace tarrow
