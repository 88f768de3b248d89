#include "service/van.h"

#include "platform/Errors.h"

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

}  // namespace tarrow
