#include "tests/mysql/LoopbackListener.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace tarrow::test {

namespace {

int ListenOnLoopback(int& port)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 4) != 0) {
        ::close(listener);
        throw std::runtime_error("cannot listen on the loopback interface");
    }
    socklen_t size = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return listener;
}

// Scripts must end even when the client under test never answers.
constexpr int kScriptWaitMs = 20000;

void WaitReadable(int socket)
{
    pollfd watched{socket, POLLIN, 0};
    if (::poll(&watched, 1, kScriptWaitMs) <= 0) throw std::runtime_error("the client sent nothing in time");
}

} // namespace

TLoopbackListener::TLoopbackListener()
{
    listener_ = ListenOnLoopback(port_);
}

TLoopbackListener::~TLoopbackListener()
{
    if (accepted_ >= 0) ::close(accepted_);
    ::close(listener_);
}

int TLoopbackListener::Accept()
{
    WaitReadable(listener_);
    accepted_ = ::accept(listener_, nullptr, nullptr);
    if (accepted_ < 0) throw std::runtime_error("accept failed");
    return accepted_;
}

void TLoopbackListener::AcceptAndClose()
{
    ::close(Accept());
    accepted_ = -1;
}

void TLoopbackListener::AcceptAndReset()
{
    const int socket = Accept();
    linger reset{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(socket);
    accepted_ = -1;
}

void TLoopbackListener::AcceptAndSend(const std::vector<std::uint8_t>& bytes)
{
    TScriptedPeer(Accept()).Send(bytes);
}

int TLoopbackListener::UnusedPort()
{
    int port = 0;
    const int listener = ListenOnLoopback(port);
    ::close(listener);
    return port;
}

void TScriptedPeer::Send(const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) throw std::runtime_error("send to the client failed");
        done += static_cast<std::size_t>(n);
    }
}

void TScriptedPeer::SendPacket(std::uint8_t sequence, const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(payload.size()),
                                       static_cast<std::uint8_t>(payload.size() >> 8),
                                       static_cast<std::uint8_t>(payload.size() >> 16), sequence};
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    Send(bytes);
}

void TScriptedPeer::SendFrame(std::uint8_t sequence, const std::vector<std::uint8_t>& body,
                              std::uint32_t lengthBeforeCompression)
{
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(body.size()),
                                       static_cast<std::uint8_t>(body.size() >> 8),
                                       static_cast<std::uint8_t>(body.size() >> 16),
                                       sequence,
                                       static_cast<std::uint8_t>(lengthBeforeCompression),
                                       static_cast<std::uint8_t>(lengthBeforeCompression >> 8),
                                       static_cast<std::uint8_t>(lengthBeforeCompression >> 16)};
    bytes.insert(bytes.end(), body.begin(), body.end());
    Send(bytes);
}

std::vector<std::uint8_t> TScriptedPeer::Receive(std::size_t count)
{
    std::vector<std::uint8_t> bytes(count);
    std::size_t done = 0;
    while (done < count) {
        WaitReadable(socket_);
        const ssize_t n = ::recv(socket_, bytes.data() + done, count - done, 0);
        if (n <= 0) throw std::runtime_error("the client closed the connection");
        done += static_cast<std::size_t>(n);
    }
    return bytes;
}

TScriptedPeer::TReceivedPacket TScriptedPeer::ReceivePacket()
{
    const auto header = Receive(4);
    TReceivedPacket packet;
    packet.Sequence = header[3];
    packet.Payload =
        Receive(std::size_t{header[0]} | std::size_t{header[1]} << 8 | std::size_t{header[2]} << 16);
    return packet;
}

bool TScriptedPeer::WaitForClose()
{
    std::uint8_t byte;
    pollfd watched{socket_, POLLIN, 0};
    while (::poll(&watched, 1, kScriptWaitMs) > 0) {
        if (::recv(socket_, &byte, 1, 0) <= 0) return true;
    }
    return false;
}

TScriptedServer::TScriptedServer(TScript script)
{
    listener_ = ListenOnLoopback(port_);
    thread_ = std::thread([this, script = std::move(script)] {
        int socket = -1;
        try {
            WaitReadable(listener_);
            socket = ::accept(listener_, nullptr, nullptr);
            if (socket < 0) throw std::runtime_error("accept failed");
            TScriptedPeer peer(socket);
            script(peer);
        } catch (...) {
            failure_ = std::current_exception();
        }
        if (socket >= 0) ::close(socket);
    });
}

TScriptedServer::~TScriptedServer()
{
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
}

void TScriptedServer::Finish()
{
    if (thread_.joinable()) thread_.join();
    if (!failure_) return;
    try {
        std::rethrow_exception(failure_);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "server script: " << e.what();
    }
    failure_ = nullptr;
}

} // namespace tarrow::test
