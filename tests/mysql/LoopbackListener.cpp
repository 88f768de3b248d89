#include "tests/mysql/LoopbackListener.h"

#include <gtest/gtest.h>

#include "tests/support/Sockets.h"

#include <stdexcept>

namespace tarrow::test {

namespace {

TTestSocket ListenOnLoopback(int& port)
{
    port = 0;
    return ListenOn("127.0.0.1", port);
}

// Scripts must end even when the client under test never answers.
constexpr int kScriptWaitMs = 20000;

void WaitForClient(TTestSocket socket)
{
    if (!WaitReadable(socket, kScriptWaitMs)) throw std::runtime_error("the client sent nothing in time");
}

} // namespace

TLoopbackListener::TLoopbackListener()
{
    listener_ = ListenOnLoopback(port_);
}

TLoopbackListener::~TLoopbackListener()
{
    if (accepted_ != kNoTestSocket) CloseSocket(accepted_);
    CloseSocket(listener_);
}

TTestSocket TLoopbackListener::Accept()
{
    WaitForClient(listener_);
    accepted_ = AcceptOne(listener_);
    return accepted_;
}

void TLoopbackListener::AcceptAndClose()
{
    CloseSocket(Accept());
    accepted_ = kNoTestSocket;
}

void TLoopbackListener::AcceptAndReset()
{
    CloseWithReset(Accept());
    accepted_ = kNoTestSocket;
}

void TLoopbackListener::AcceptAndSend(const std::vector<std::uint8_t>& bytes)
{
    TScriptedPeer(Accept()).Send(bytes);
}

int TLoopbackListener::UnusedPort()
{
    int port = 0;
    CloseSocket(ListenOnLoopback(port));
    return port;
}

void TScriptedPeer::Send(const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::ptrdiff_t n = SendSome(socket_, bytes.data() + done, bytes.size() - done);
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
        WaitForClient(socket_);
        const std::ptrdiff_t n = ReceiveSome(socket_, bytes.data() + done, count - done);
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
    while (WaitReadable(socket_, kScriptWaitMs)) {
        if (ReceiveSome(socket_, &byte, 1) <= 0) return true;
    }
    return false;
}

TScriptedServer::TScriptedServer(TScript script)
{
    listener_ = ListenOnLoopback(port_);
    thread_ = std::thread([this, script = std::move(script)] {
        TTestSocket socket = kNoTestSocket;
        try {
            WaitForClient(listener_);
            socket = AcceptOne(listener_);
            TScriptedPeer peer(socket);
            script(peer);
        } catch (...) {
            failure_ = std::current_exception();
        }
        if (socket != kNoTestSocket) CloseSocket(socket);
    });
}

TScriptedServer::~TScriptedServer()
{
    if (thread_.joinable()) thread_.join();
    CloseSocket(listener_);
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
