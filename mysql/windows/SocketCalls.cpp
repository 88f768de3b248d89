#include "mysql/SocketCalls.h"

// Windows: Winsock, which reports its own codes.

#include "platform/TcpProbe.h"
#include "platform/windows/Winsock.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <memory>

namespace tarrow {

namespace {

SOCKET Native(TSocketHandle socket)
{
    return socket == kNoSocket ? INVALID_SOCKET : static_cast<SOCKET>(socket);
}

// Larger pieces than an int can count go in several calls; the callers loop until all is done.
int Piece(std::size_t count)
{
    return count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

} // namespace

TNameResolution ResolveHostName(const std::string& host)
{
    TNameResolution resolution;
    if (IsReservedInvalidName(host)) {
        resolution.ErrorCode = WSAHOST_NOT_FOUND;
        return resolution;
    }
    if (!StartWinsock()) {
        resolution.ErrorCode = WSANOTINITIALISED;
        return resolution;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0 || found == nullptr) {
        resolution.ErrorCode = result != 0 ? result : WSANO_DATA;
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
    return StartWinsock();
}

TSocketHandle OpenStream(int& error)
{
    const SOCKET handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle == INVALID_SOCKET) {
        error = WSAGetLastError();
        return kNoSocket;
    }
    return static_cast<TSocketHandle>(handle);
}

int Connect(TSocketHandle socket, std::uint32_t address, std::uint16_t port)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    if (::connect(Native(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return 0;
    return WSAGetLastError();
}

void SetStreamOptions(TSocketHandle socket)
{
    const BOOL on = TRUE;
    ::setsockopt(Native(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    ::setsockopt(Native(socket), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
}

bool SetReceiveTimeout(TSocketHandle socket, std::int64_t milliseconds, int& error)
{
    // Winsock counts in a DWORD of milliseconds: a year (a statement "without time-out") does not
    // fit, so it waits the longest time the DWORD holds, about 49 days.
    const DWORD value = milliseconds > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<DWORD>(milliseconds);
    if (::setsockopt(Native(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value),
                     sizeof value) == 0)
        return true;
    error = WSAGetLastError();
    return false;
}

void ShutdownAndClose(TSocketHandle socket)
{
    ::shutdown(Native(socket), SD_BOTH);
    ::closesocket(Native(socket));
}

std::ptrdiff_t Receive(TSocketHandle socket, std::uint8_t* buffer, std::size_t count, int& error)
{
    const int received = ::recv(Native(socket), reinterpret_cast<char*>(buffer), Piece(count), 0);
    if (received == SOCKET_ERROR) {
        error = WSAGetLastError();
        return -1;
    }
    return received;
}

std::ptrdiff_t Send(TSocketHandle socket, const std::uint8_t* buffer, std::size_t count, int& error)
{
    const int sent = ::send(Native(socket), reinterpret_cast<const char*>(buffer), Piece(count), 0);
    if (sent == SOCKET_ERROR) {
        error = WSAGetLastError();
        return -1;
    }
    return sent;
}

int WaitReadable(TSocketHandle socket, int milliseconds, int& error)
{
    WSAPOLLFD watched{};
    watched.fd = Native(socket);
    watched.events = POLLRDNORM;
    const int result = ::WSAPoll(&watched, 1, milliseconds);
    if (result == SOCKET_ERROR) {
        error = WSAGetLastError();
        return -1;
    }
    if (result > 0 && (watched.revents & POLLNVAL) != 0) {
        error = WSAENOTSOCK;
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
