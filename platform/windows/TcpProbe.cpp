#include "platform/TcpProbe.h"

// Windows: the connect attempt over Winsock.

#include "platform/windows/Winsock.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>

namespace tarrow {

bool TcpCanConnect(const std::string& host, std::uint16_t port)
{
    if (host.empty() || IsReservedInvalidName(host) || !StartWinsock()) return false;
    addrinfo hints{};
    // IPv4 only, like the database transport: only the first address is tried, and a host that
    // also publishes an IPv6 address would otherwise fail the check on a store without IPv6 routes.
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* raw = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &raw) != 0 || raw == nullptr)
        return false;
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> info(raw, freeaddrinfo);
    const SOCKET socket = ::socket(info->ai_family, info->ai_socktype, info->ai_protocol);
    if (socket == INVALID_SOCKET) return false;
    const bool connected = ::connect(socket, info->ai_addr, static_cast<int>(info->ai_addrlen)) == 0;
    closesocket(socket);
    return connected;
}

}  // namespace tarrow
