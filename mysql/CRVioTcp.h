#pragma once
// The TCP transport: one IPv4 stream socket to the database server, with a bounded host-name
// lookup, no-delay sending, keep-alive and a receive time-out in seconds. Socket failures are
// explained in the last error text with the Windows socket library's codes (10060 for a receive
// time-out, 10061 for a refused connect): Windows reports them, the Linux build imitates them.

#include "mysql/CRVio.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarrow {

// A socket: Winsock's SOCKET on Windows, a file descriptor on Linux; kNoSocket when there is none.
using TSocketHandle = std::intptr_t;
inline constexpr TSocketHandle kNoSocket = -1;

#if !defined(_WIN32)
// Linux: the socket library's code for a failure of the system call that set errno (one table for
// every socket call, the resolver's failures included).
int SocketErrorCode(int posixError);
// The same for a failure of getaddrinfo (its EAI_ result).
int ResolverErrorCode(int resolverError);
#endif

// "Socket error on <operation>. WSAGetLastError return <code>(<code in hexadecimal>)"
std::string SocketErrorText(const char* operation, int code);

// The outcome of one host-name lookup: the IPv4 address in network byte order, or a socket
// library error code.
struct TNameResolution {
    bool Resolved = false;
    std::uint32_t Address = 0;
    int ErrorCode = 0;
};

// Resolves a name to its first IPv4 address. Names under the reserved top-level domain "invalid"
// are answered here as unknown, so they never reach the network.
TNameResolution ResolveHostName(const std::string& host);

using TNameResolver = std::function<TNameResolution(const std::string& host)>;

class TCRVioTcp : public TCRVio {
  public:
    static constexpr int kDefaultTimeout = 30;

    TCRVioTcp(std::string host, int port);
    ~TCRVioTcp() override;

    int Timeout() const override { return timeout_; }
    // Stored, and applied at once to an open socket as its receive time-out.
    void SetTimeout(int seconds) override;
    void Connect() override;
    void Close() override;
    std::size_t ReceiveSome(std::uint8_t* buffer, std::size_t count) override;
    std::size_t SendSome(const std::uint8_t* buffer, std::size_t count) override;
    std::size_t Write(const std::uint8_t* buffer, std::size_t count) override;
    bool WaitForData(int seconds) override;

    // kNoSocket while closed.
    TSocketHandle SocketHandle() const noexcept { return socket_; }
    const std::string& Host() const noexcept { return host_; }
    int Port() const noexcept { return port_; }

    // Replaces the host-name lookup (tests use it for slow or failing lookups). The lookup runs on
    // a worker thread that may outlive this transport, so the resolver must not refer to it.
    void SetNameResolver(TNameResolver resolver) { resolver_ = std::move(resolver); }

  private:
    std::uint32_t ResolveAddress(const std::string& host);
    void ApplyReceiveTimeout();

    std::string host_;
    int port_;
    TSocketHandle socket_ = kNoSocket;
    int timeout_ = kDefaultTimeout;
    TNameResolver resolver_ = ResolveHostName;
};

} // namespace tarrow
