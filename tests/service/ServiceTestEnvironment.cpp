// Every web service test program starts from the same safe ground: the built-in service address is
// replaced by a loopback port where nothing listens, so a test that forgets to name its peer
// never reaches the real host, and no proxy of the environment is put between us and our peers.

#include "service/van.h"
#include "service/EndpointConfig.h"
#include "tests/peers/HttpPeer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#endif

namespace tarrow::test {
namespace {

class TServiceTestEnvironment : public ::testing::Environment {
  public:
    void SetUp() override
    {
#ifdef _WIN32
        // The answers are read through MSXML, a COM server; the tests run on this thread.
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
#endif
        // Wine's WinInet, like libcurl, falls back on these when the system names no proxy.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "TARROW_SERVICE_URL"}) {
#ifdef _WIN32
            _putenv((std::string(name) + "=").c_str());
            SetEnvironmentVariableA(name, nullptr);
#else
            unsetenv(name);
#endif
        }
        DefineEnderecoPadraoServico("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) +
                                    "/parceiros/orvane/van/van.asmx");
        RegistraVanSoapDocumento();
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TServiceTestEnvironment);

}  // namespace
}  // namespace tarrow::test
