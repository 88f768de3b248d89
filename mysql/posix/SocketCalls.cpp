#include "mysql/SocketCalls.h"

// Linux: POSIX sockets, their errno translated into the Windows socket library's codes.

#include "platform/TcpProbe.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace tarrow {

namespace {

constexpr int kWsaeTimedOut = 10060;
constexpr int kWsaHostNotFound = 11001;
constexpr int kWsaTryAgain = 11002;
constexpr int kWsaNoRecovery = 11003;
constexpr int kWsaNoData = 11004;

struct TErrorCodePair {
    int Posix;
    int Socket;
};

constexpr TErrorCodePair kSocketErrorCodes[] = {
    {EINTR, 10004},
    // A closed handle: the socket library reports "not a socket" for it.
    {EBADF, 10038},
    {EACCES, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    // Our sockets block, so "would block" comes only from a receive whose time-out (SO_RCVTIMEO)
    // ran out, which the socket library reports as a time-out.
    {EAGAIN, kWsaeTimedOut},
#if EWOULDBLOCK != EAGAIN
    {EWOULDBLOCK, kWsaeTimedOut},
#endif
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    // Writing to a connection the peer has dropped.
    {EPIPE, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, kWsaeTimedOut},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
};

int LastSocketError()
{
    return SocketErrorCode(errno);
}

} // namespace

int SocketErrorCode(int posixError)
{
    for (const auto& pair : kSocketErrorCodes)
        if (pair.Posix == posixError) return pair.Socket;
    return posixError;
}

int ResolverErrorCode(int resolverError)
{
    switch (resolverError) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
        return kWsaHostNotFound;
    case EAI_AGAIN:
        return kWsaTryAgain;
    case EAI_FAIL:
        return kWsaNoRecovery;
    case EAI_SYSTEM:
        return SocketErrorCode(errno);
    default:
        return kWsaNoData;
    }
}

TNameResolution ResolveHostName(const std::string& host)
{
    TNameResolution resolution;
    if (IsReservedInvalidName(host)) {
        resolution.ErrorCode = kWsaHostNotFound;
        return resolution;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0 || found == nullptr) {
        resolution.ErrorCode = result != 0 ? ResolverErrorCode(result) : kWsaNoData;
        return resolution;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(found, ::freeaddrinfo);
    resolution.Resolved = true;
    resolution.Address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    return resolution;
}

namespace sockets {

bool Start()
{
    return true;
}

TSocketHandle OpenStream(int& error)
{
    const int handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle < 0) {
        error = LastSocketError();
        return kNoSocket;
    }
    return handle;
}

int Connect(TSocketHandle socket, std::uint32_t address, std::uint16_t port)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    int result;
    do {
        result = ::connect(static_cast<int>(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : LastSocketError();
}

void SetStreamOptions(TSocketHandle socket)
{
    const int on = 1;
    ::setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
}

// Milliseconds in 64 bits: 31536000 seconds (a statement "without time-out") must not overflow.
bool SetReceiveTimeout(TSocketHandle socket, std::int64_t milliseconds, int& error)
{
    timeval value{};
    value.tv_sec = static_cast<time_t>(milliseconds / 1000);
    value.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    if (::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value) == 0) return true;
    error = LastSocketError();
    return false;
}

void ShutdownAndClose(TSocketHandle socket)
{
    ::shutdown(static_cast<int>(socket), SHUT_RDWR);
    ::close(static_cast<int>(socket));
}

std::ptrdiff_t Receive(TSocketHandle socket, std::uint8_t* buffer, std::size_t count, int& error)
{
    ssize_t received;
    do {
        received = ::recv(static_cast<int>(socket), buffer, count, 0);
    } while (received < 0 && errno == EINTR);
    if (received < 0) error = LastSocketError();
    return received;
}

std::ptrdiff_t Send(TSocketHandle socket, const std::uint8_t* buffer, std::size_t count, int& error)
{
    ssize_t sent;
    do {
        // MSG_NOSIGNAL: a dropped connection must be a failed send, never a SIGPIPE that ends the
        // process.
        sent = ::send(static_cast<int>(socket), buffer, count, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) error = LastSocketError();
    return sent;
}

int WaitReadable(TSocketHandle socket, int milliseconds, int& error)
{
    pollfd watched{};
    watched.fd = static_cast<int>(socket);
    watched.events = POLLIN;
    int result;
    do {
        result = ::poll(&watched, 1, milliseconds);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        error = LastSocketError();
        return -1;
    }
    if (result > 0 && (watched.revents & POLLNVAL) != 0) {
        error = SocketErrorCode(EBADF);
        return -1;
    }
    return result > 0 ? 1 : 0;
}

bool ParseDottedAddress(const std::string& host, std::uint32_t& address)
{
    in_addr dotted{};
    if (::inet_pton(AF_INET, host.c_str(), &dotted) != 1) return false;
    address = dotted.s_addr;
    return true;
}

} // namespace sockets

} // namespace tarrow
