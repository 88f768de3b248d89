#include "mysql/CRVioTcp.h"

#include "mysql/MySqlErrors.h"
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
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace tarrow {

namespace {

// The socket library's codes. Every text the layers above show carries them, so a failure reads
// the same on every system the program runs on.
constexpr int kWsaeWouldBlock = 10035;
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

// -- The calls that differ on the Windows socket library. A Winsock build replaces this block
// (closesocket, WSAGetLastError, shutdown with SD_BOTH, WSAPoll, a DWORD time-out in milliseconds,
// no MSG_NOSIGNAL); socket, connect, setsockopt, recv, send, inet_pton and getaddrinfo keep their
// names there.

int LastSocketError()
{
    return SocketErrorCode(errno);
}

void ShutdownBoth(int socket)
{
    ::shutdown(socket, SHUT_RDWR);
}

int PollReadable(pollfd& watched, int milliseconds)
{
    return ::poll(&watched, 1, milliseconds);
}

void CloseSocketHandle(int socket)
{
    ::close(socket);
}

// Milliseconds in 64 bits: 31536000 seconds (a statement "without time-out") must not overflow.
bool SetReceiveTimeout(int socket, std::int64_t milliseconds)
{
    timeval value{};
    value.tv_sec = static_cast<time_t>(milliseconds / 1000);
    value.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    return ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value) == 0;
}

// MSG_NOSIGNAL: a dropped connection must be a failed send, never a SIGPIPE that ends the process.
constexpr int kSendFlags = MSG_NOSIGNAL;

// -- End of the calls that differ.

// A lookup on a worker thread. The thread owns what it needs through this block, never the
// transport, so a lookup that outlives its wait (and its transport) writes only here.
struct TLookup {
    std::mutex Mutex;
    std::condition_variable Finished;
    bool Done = false;
    TNameResolution Result;
};

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

std::string SocketErrorText(const char* operation, int code)
{
    return FormatText(std::string("Socket error on ") + operation + ". WSAGetLastError return %d($%X)",
                      {std::int64_t{code}, std::int64_t{code}});
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

TCRVioTcp::TCRVioTcp(std::string host, int port) : host_(std::move(host)), port_(port) {}

TCRVioTcp::~TCRVioTcp()
{
    Close();
}

void TCRVioTcp::SetTimeout(int seconds)
{
    if (seconds == timeout_) return;
    timeout_ = seconds;
    if (socket_ >= 0) ApplyReceiveTimeout();
}

void TCRVioTcp::ApplyReceiveTimeout()
{
    const std::int64_t milliseconds = timeout_ > 0 ? std::int64_t{timeout_} * 1000 : 0;
    if (!SetReceiveTimeout(socket_, milliseconds)) {
        const int code = LastSocketError();
        throw std::system_error(code, std::generic_category(), "setsockopt(SO_RCVTIMEO)");
    }
}

std::uint32_t TCRVioTcp::ResolveAddress(const std::string& host)
{
    in_addr dotted{};
    if (::inet_pton(AF_INET, host.c_str(), &dotted) == 1) return dotted.s_addr;

    TNameResolution resolution;
    bool finished = true;
    if (timeout_ >= 1) {
        auto lookup = std::make_shared<TLookup>();
        try {
            std::thread([lookup, resolver = resolver_, host] {
                TNameResolution result = resolver(host);
                std::lock_guard lock(lookup->Mutex);
                lookup->Result = result;
                lookup->Done = true;
                lookup->Finished.notify_all();
            }).detach();
            std::unique_lock lock(lookup->Mutex);
            finished = lookup->Finished.wait_for(
                lock, std::chrono::milliseconds(std::int64_t{timeout_} * 1000), [&] { return lookup->Done; });
            if (finished) resolution = lookup->Result;
        } catch (const std::system_error&) {
            // No thread to be had: the lookup runs here, as it does without a time-out.
            resolution = resolver_(host);
        }
    } else {
        resolution = resolver_(host);
    }
    if (!finished) {
        SetLastError("Connection timed out");
        throw SocketException(kCrUnknownHost);
    }
    if (!resolution.Resolved) {
        SetLastError(SocketErrorText("connect", resolution.ErrorCode));
        throw SocketException(kCrUnknownHost);
    }
    return resolution.Address;
}

void TCRVioTcp::Connect()
{
    Close();
    ResetReadAhead();
    const std::string host = host_.empty() ? std::string("localhost") : host_;
    const int handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    // Like a failed lookup, a socket that cannot be created is reported with code 2005.
    if (handle < 0) throw SocketException(kCrUnknownHost);
    try {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        address.sin_addr.s_addr = ResolveAddress(host);
        int result;
        do {
            result = ::connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        } while (result != 0 && errno == EINTR);
        if (result != 0) {
            const int code = LastSocketError();
            if (code != kWsaeWouldBlock) {
                SetLastError(SocketErrorText("connect", code));
                throw SocketException(kCrConnHostError);
            }
        }
        const int on = 1;
        ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ::setsockopt(handle, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
        socket_ = handle;
        const int timeout = timeout_;
        timeout_ = -1;
        SetTimeout(timeout);
    } catch (...) {
        CloseSocketHandle(handle);
        socket_ = -1;
        throw;
    }
}

void TCRVioTcp::Close()
{
    if (socket_ < 0) return;
    ShutdownBoth(socket_);
    CloseSocketHandle(socket_);
    socket_ = -1;
}

std::size_t TCRVioTcp::ReceiveSome(std::uint8_t* buffer, std::size_t count)
{
    ClearLastError();
    ssize_t received;
    do {
        received = ::recv(socket_, buffer, count, 0);
    } while (received < 0 && errno == EINTR);
    if (received < 0) {
        SetLastError(SocketErrorText("read", LastSocketError()));
        return 0;
    }
    return static_cast<std::size_t>(received);
}

std::size_t TCRVioTcp::SendSome(const std::uint8_t* buffer, std::size_t count)
{
    ClearLastError();
    ssize_t sent;
    do {
        sent = ::send(socket_, buffer, count, kSendFlags);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        SetLastError(SocketErrorText("write", LastSocketError()));
        return 0;
    }
    return static_cast<std::size_t>(sent);
}

std::size_t TCRVioTcp::Write(const std::uint8_t* buffer, std::size_t count)
{
    if (socket_ < 0) return 0;
    return TCRVio::Write(buffer, count);
}

bool TCRVioTcp::WaitForData(int seconds)
{
    ClearLastError();
    if (HasReadAhead()) return true;
    pollfd watched{};
    watched.fd = socket_;
    watched.events = POLLIN;
    const int milliseconds = seconds < 0 ? -1 : (seconds > 2147483 ? 2147483647 : seconds * 1000);
    int result;
    do {
        result = PollReadable(watched, milliseconds);
    } while (result < 0 && errno == EINTR);
    if (result < 0 || (result > 0 && (watched.revents & POLLNVAL) != 0)) {
        SetLastError(SocketErrorText("select", result < 0 ? LastSocketError() : SocketErrorCode(EBADF)));
        throw SocketException(kCrServerGoneError);
    }
    return result > 0;
}

} // namespace tarrow
