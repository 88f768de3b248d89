#include "bench/relay/DelayRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <stdexcept>

namespace tarrow::bench {

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Address(const std::string& host, std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
        throw std::runtime_error("not an IPv4 address: " + host);
    return address;
}

void NoDelay(int fd)
{
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool SendAll(int fd, const std::string& bytes)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TDelayRelay::TDelayRelay(const std::string& host, std::uint16_t targetPort, std::chrono::milliseconds delay)
    : host_(host), targetPort_(targetPort), delay_(delay)
{
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Address(host_, 0);
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0)
        throw std::runtime_error("the relay cannot listen on " + host_ + ": " + std::strerror(errno));
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (pipe2(wake_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

TDelayRelay::~TDelayRelay()
{
    // The byte stays unread, so every poll on the pipe wakes from now on.
    (void)!write(wake_[1], "x", 1);
    acceptor_.join();
    for (auto& pump : pumps_) pump.join();
    for (int fd : sockets_) close(fd);
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

void TDelayRelay::AcceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) return;
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in target = Address(host_, targetPort_);
        if (server < 0 || connect(server, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
            if (server >= 0) close(server);
            close(client);
            continue;
        }
        ++connections_;
        NoDelay(client);
        NoDelay(server);
        // The sockets stay open until the relay goes, so neither pump closes what the other uses.
        sockets_.push_back(client);
        sockets_.push_back(server);
        pumps_.emplace_back([this, client, server] { Pump(client, server); });
        pumps_.emplace_back([this, client, server] { Pump(server, client); });
    }
}

void TDelayRelay::Pump(int from, int to)
{
    std::deque<std::pair<Clock::time_point, std::string>> inFlight;
    bool inputEnded = false;
    for (;;) {
        const auto now = Clock::now();
        while (!inFlight.empty() && inFlight.front().first <= now) {
            if (!SendAll(to, inFlight.front().second)) return;
            inFlight.pop_front();
        }
        if (inputEnded && inFlight.empty()) {
            shutdown(to, SHUT_WR);
            return;
        }
        int wait = -1;
        if (!inFlight.empty())
            wait = static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(inFlight.front().first - now).count());
        // A negative descriptor is left out of the poll: an ended input only waits for its bytes to go.
        pollfd fds[2] = {{inputEnded ? -1 : from, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, wait) < 0) continue;
        if (fds[1].revents != 0) return;
        if (fds[0].revents != 0) {
            char chunk[65536];
            const ssize_t n = recv(from, chunk, sizeof chunk, 0);
            if (n <= 0)
                inputEnded = true;
            else
                inFlight.emplace_back(Clock::now() + delay_, std::string(chunk, static_cast<std::size_t>(n)));
        }
    }
}

}  // namespace tarrow::bench
