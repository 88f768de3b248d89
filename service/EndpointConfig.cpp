#include "service/EndpointConfig.h"

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/ProgramDir.h"
#include "platform/Text.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace tarrow {

namespace {

std::mutex g_enderecoMutex;
std::string g_enderecoPadrao;  // set by tests; empty: the environment's or the built-in one

}  // namespace

std::string EnderecoPadraoServico()
{
    std::lock_guard lock(g_enderecoMutex);
    if (!g_enderecoPadrao.empty()) return g_enderecoPadrao;
    if (const char* env = std::getenv("TARROW_SERVICE_URL"); env != nullptr && *env != '\0') return env;
    return std::string(kEnderecoPadraoServico);
}

void DefineEnderecoPadraoServico(std::string endereco)
{
    std::lock_guard lock(g_enderecoMutex);
    g_enderecoPadrao = std::move(endereco);
}

std::string ArquivoTarrowConf()
{
    return ProgramDirectory() + "Tarrow.conf";
}

TConfiguracaoServico LeConfiguracaoServico(const std::string& arquivoConf, const TDecifraSenha& decifra)
{
    TIniFile conf(arquivoConf);
    TConfiguracaoServico configuracao;
    configuracao.Endereco = conf.ReadString("WebService", "URL", "");
    if (configuracao.Endereco.empty()) {
        configuracao.Endereco = EnderecoPadraoServico();
        conf.WriteString("WebService", "URL", configuracao.Endereco);
    }
    // Every attempt reads the file; http addresses, the usual case, are spared two more reads.
    if (SameText(std::string_view(configuracao.Endereco).substr(0, 6), "https:")) {
        configuracao.Certificados.Verify = conf.ReadInteger("WebService", "VerificarCertificado", 1) != 0;
        std::filesystem::path ca = PathFromUtf8(conf.ReadString("WebService", "CertificadoCA", ""));
        if (!ca.empty() && ca.is_relative()) ca = PathFromUtf8(arquivoConf).parent_path() / ca;
        configuracao.Certificados.CaFile = Utf8FromPath(ca);
    }
    THttpProxy& proxy = configuracao.Proxy;
    proxy.Server = conf.ReadString("Proxy", "Proxy", "");
    if (!proxy.Server.empty()) {
        proxy.User = conf.ReadString("Proxy", "ProxyUsuario", "");
        proxy.Bypass = conf.ReadString("Proxy", "SemProxy", "");
        const std::string cifrada = conf.ReadString("Proxy", "ProxySenha", "");
        if (!cifrada.empty()) {
            // Sending the stored text as the password would only earn the proxy's refusal.
            if (!decifra) throw Exception("ProxySenha in " + arquivoConf + " cannot be deciphered here");
            proxy.Password = decifra(cifrada);
        }
    }
    return configuracao;
}

}  // namespace tarrow
