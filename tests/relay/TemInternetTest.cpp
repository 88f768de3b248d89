#include "relay/Funcoes.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace tarrow {
namespace {

// A listening socket on 127.0.0.1; port 0 picks a free one.
class TListener {
public:
    explicit TListener(std::uint16_t port)
    {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        int on = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd_, 4) == 0;
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~TListener() { Close(); }
    void Close()
    {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    bool ok() const { return ok_; }
    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    bool ok_ = false;
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
    unsetenv("TARROW_INTERNET_HOST");
    EXPECT_EQ(HostTesteInternet(), kHostInternetPadrao);
    setenv("TARROW_INTERNET_HOST", "proxy.loja.local", 1);
    EXPECT_EQ(HostTesteInternet(), "proxy.loja.local");
    DefineHostTesteInternet("127.0.0.1");
    EXPECT_EQ(HostTesteInternet(), "127.0.0.1");
    unsetenv("TARROW_INTERNET_HOST");
}

}  // namespace
}  // namespace tarrow
