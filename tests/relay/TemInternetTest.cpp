#include "relay/Funcoes.h"

#include "tests/relay/Ambiente.h"
#include "tests/support/Sockets.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

using test::DefineAmbiente;

// A listening socket on 127.0.0.1; port 0 picks a free one.
class TListener {
public:
    explicit TListener(int port)
    {
        try {
            socket_ = test::ListenOn("127.0.0.1", port);
            port_ = static_cast<std::uint16_t>(port);
        } catch (const std::exception&) {
            socket_ = test::kNoTestSocket;
        }
    }
    ~TListener() { Close(); }
    void Close()
    {
        if (socket_ != test::kNoTestSocket) test::CloseSocket(socket_);
        socket_ = test::kNoTestSocket;
    }
    bool ok() const { return socket_ != test::kNoTestSocket; }
    std::uint16_t port() const { return port_; }

private:
    test::TTestSocket socket_ = test::kNoTestSocket;
    std::uint16_t port_ = 0;
};

TEST(TemInternet, TrueWhenTheHostAcceptsAConnectionOnPort80)
{
    TListener web(80);
    ASSERT_TRUE(web.ok()) << "cannot listen on 127.0.0.1:80 (the tests run as root)";
    EXPECT_TRUE(TemInternet("127.0.0.1"));
    EXPECT_TRUE(TemInternet("localhost"));
}

TEST(TemInternet, FalseWhenNothingListens)
{
    TListener closed(0);
    const std::uint16_t port = closed.port();
    closed.Close();
    EXPECT_FALSE(TemInternet("127.0.0.1", port));
}

TEST(TemInternet, FalseWithoutRaisingForANameThatDoesNotResolve)
{
    EXPECT_FALSE(TemInternet("loja.kesto.invalid"));
    EXPECT_FALSE(TemInternet("invalid."));
    EXPECT_FALSE(TemInternet(""));
}

TEST(TemInternet, ProbeHostIsADeploymentSettingThatTestsReplace)
{
    DefineAmbiente("TARROW_INTERNET_HOST", nullptr);
    EXPECT_EQ(HostTesteInternet(), kHostInternetPadrao);
    DefineAmbiente("TARROW_INTERNET_HOST", "proxy.loja.local");
    EXPECT_EQ(HostTesteInternet(), "proxy.loja.local");
    DefineHostTesteInternet("127.0.0.1");
    EXPECT_EQ(HostTesteInternet(), "127.0.0.1");
    DefineAmbiente("TARROW_INTERNET_HOST", nullptr);
}

}  // namespace
}  // namespace tarrow
