#include "service/EndpointConfig.h"

#include "platform/IniFile.h"
#include "platform/ProgramDir.h"

#include <cstdlib>
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

std::string LeEnderecoServico(const std::string& arquivoConf)
{
    TIniFile conf(arquivoConf);
    std::string endereco = conf.ReadString("WebService", "URL", "");
    if (endereco.empty()) {
        endereco = EnderecoPadraoServico();
        conf.WriteString("WebService", "URL", endereco);
    }
    return endereco;
}

}  // namespace tarrow
