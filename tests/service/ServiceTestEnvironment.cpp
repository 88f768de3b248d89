// Every web service test program starts from the same safe ground: the built-in service address is
// replaced by a loopback port where nothing listens, so a test that forgets to name its peer
// never reaches the real host, and no proxy of the environment is put between us and our peers.
// A program built without the transport (Windows, for now) only registers the document style.

#include "service/van.h"
#ifndef TARROW_TEST_WITHOUT_TRANSPORT
#include "service/EndpointConfig.h"
#include "tests/peers/HttpPeer.h"
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#ifdef _WIN32
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
#ifndef TARROW_TEST_WITHOUT_TRANSPORT
        for (const char* name :
             {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            unsetenv(name);
        unsetenv("TARROW_SERVICE_URL");
        DefineEnderecoPadraoServico("http://" + PeerHost() + ":" + std::to_string(ClosedPort()) +
                                    "/parceiros/orvane/van/van.asmx");
#endif
        RegistraVanSoapDocumento();
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TServiceTestEnvironment);

}  // namespace
}  // namespace tarrow::test
