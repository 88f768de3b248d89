// The factory: binds a proxy over the HTTP transport to the address and certificates the
// configuration names. Apart from the registration in van.cpp, which needs no transport.

#include "service/van.h"

#include "service/EndpointConfig.h"
#include "service/VanProxy.h"

namespace tarrow {

namespace {

// Fills result as soon as the proxy is bound, so that a caller who catches the error of a refused
// address still holds the proxy.
void CriaVanSoapEm(TVanSoapRef& result, const TOpcoesVanSoap& opcoes)
{
    result.reset();
    const std::string arquivo = opcoes.ArquivoConf.empty() ? ArquivoTarrowConf() : opcoes.ArquivoConf;
    const TConfiguracaoServico configuracao = LeConfiguracaoServico(arquivo, opcoes.DecifraSenha);

    auto proxy = std::make_unique<TVanSoapProxy>(RegistroVanSoap());
    TVanSoapProxy& bound = *proxy;
    result = TVanSoapRef(std::move(proxy));
    bound.Transport().SetTimeouts(opcoes.Tempos);
    bound.Transport().SetCertificateCheck(configuracao.Certificados);
    bound.Transport().SetProxy(configuracao.Proxy);
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
