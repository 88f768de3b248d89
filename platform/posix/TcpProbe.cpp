#include "platform/TcpProbe.h"

// Linux: the connect attempt over POSIX sockets.

#include <netdb.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <memory>

namespace tarrow {

namespace {

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket()
    {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace

bool TcpCanConnect(const std::string& host, std::uint16_t port)
{
    if (host.empty() || IsReservedInvalidName(host)) return false;
    addrinfo hints{};
    // IPv4 only, like the database transport: only the first address is tried, and a host that
    // also publishes an IPv6 address would otherwise fail the check on a store without IPv6 routes.
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* raw = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &raw) != 0 || raw == nullptr)
        return false;
    std::unique_ptr<addrinfo, AddrInfoDeleter> info(raw);
    Socket socket(::socket(info->ai_family, info->ai_socktype, info->ai_protocol));
    if (socket.fd() < 0) return false;
    return ::connect(socket.fd(), info->ai_addr, info->ai_addrlen) == 0;
}

}  // namespace tarrow
