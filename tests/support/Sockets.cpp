#include "tests/support/Sockets.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <stdexcept>

namespace tarrow::test {

namespace {

#if defined(_WIN32)
using TNative = SOCKET;
constexpr int kSendFlags = 0;

void EnsureStarted()
{
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("Winsock did not start");
}
#else
using TNative = int;
constexpr int kSendFlags = MSG_NOSIGNAL;

void EnsureStarted() {}
#endif

TNative Native(TTestSocket socket) { return static_cast<TNative>(socket); }

sockaddr_in AddressOf(const std::string& host, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
        throw std::runtime_error("not a dotted address: " + host);
    return address;
}

TTestSocket NewStream()
{
    EnsureStarted();
    // Never inherited: a program a test starts (a peer, a client) must not hold our connections
    // open after we close them.
#if defined(_WIN32)
    const TNative socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) throw std::runtime_error("socket failed");
    SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
#else
    const TNative socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (socket < 0) throw std::runtime_error("socket failed");
#endif
    return static_cast<TTestSocket>(socket);
}

}  // namespace

TTestSocket ListenOn(const std::string& host, int& port, int backlog)
{
    const TTestSocket listener = NewStream();
    sockaddr_in address = AddressOf(host, port);
    if (::bind(Native(listener), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(Native(listener), backlog) != 0) {
        CloseSocket(listener);
        throw std::runtime_error("cannot listen on " + host);
    }
    socklen_t size = sizeof address;
    ::getsockname(Native(listener), reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return listener;
}

TTestSocket ConnectTo(const std::string& host, int port)
{
    const TTestSocket socket = NewStream();
    const sockaddr_in address = AddressOf(host, port);
    if (::connect(Native(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        CloseSocket(socket);
        throw std::runtime_error("cannot connect to " + host + ":" + std::to_string(port));
    }
    return socket;
}

bool WaitReadable(TTestSocket socket, int milliseconds)
{
#if defined(_WIN32)
    WSAPOLLFD watched{Native(socket), POLLRDNORM, 0};
    return ::WSAPoll(&watched, 1, milliseconds) > 0;
#else
    pollfd watched{Native(socket), POLLIN, 0};
    return ::poll(&watched, 1, milliseconds) > 0;
#endif
}

TTestSocket AcceptOne(TTestSocket listener)
{
#if defined(_WIN32)
    const TNative accepted = ::accept(Native(listener), nullptr, nullptr);
    if (accepted == INVALID_SOCKET) throw std::runtime_error("accept failed");
    SetHandleInformation(reinterpret_cast<HANDLE>(accepted), HANDLE_FLAG_INHERIT, 0);
#else
    const TNative accepted = ::accept4(Native(listener), nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted < 0) throw std::runtime_error("accept failed");
#endif
    return static_cast<TTestSocket>(accepted);
}

std::ptrdiff_t SendSome(TTestSocket socket, const void* bytes, std::size_t count)
{
    return ::send(Native(socket), static_cast<const char*>(bytes), static_cast<int>(count), kSendFlags);
}

std::ptrdiff_t ReceiveSome(TTestSocket socket, void* bytes, std::size_t count)
{
    return ::recv(Native(socket), static_cast<char*>(bytes), static_cast<int>(count), 0);
}

void CloseWithReset(TTestSocket socket)
{
    linger reset{};
    reset.l_onoff = 1;
    reset.l_linger = 0;
    ::setsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
    CloseSocket(socket);
}

void CloseSocket(TTestSocket socket)
{
#if defined(_WIN32)
    ::closesocket(Native(socket));
#else
    ::close(Native(socket));
#endif
}

int SocketOption(TTestSocket socket, int level, int name)
{
    int value = 0;
    socklen_t size = sizeof value;
    ::getsockopt(Native(socket), level, name, reinterpret_cast<char*>(&value), &size);
    return value;
}

std::int64_t ReceiveTimeoutMs(TTestSocket socket)
{
#if defined(_WIN32)
    DWORD value = 0;
    int size = sizeof value;
    ::getsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&value), &size);
    return value;
#else
    timeval value{};
    socklen_t size = sizeof value;
    ::getsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO, &value, &size);
    return std::int64_t{value.tv_sec} * 1000 + value.tv_usec / 1000;
#endif
}

}  // namespace tarrow::test
