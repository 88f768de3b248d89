#pragma once
// Peers on the loopback interface for transport and conversation tests.
//
// TLoopbackListener: a listening socket on 127.0.0.1 whose pending connection a test can accept
// and then close, reset or feed.
//
// TScriptedServer: a server thread that accepts one connection and runs the test's script on it
// ("send this packet, read the next one"), so a test says what the server answers and checks
// what it received.

#include "tests/support/Sockets.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tarrow::test {

class TLoopbackListener {
  public:
    TLoopbackListener();
    ~TLoopbackListener();
    TLoopbackListener(const TLoopbackListener&) = delete;
    TLoopbackListener& operator=(const TLoopbackListener&) = delete;

    int Port() const { return port_; }
    void AcceptAndClose();
    // Closes with a reset, so the client's next sends fail.
    void AcceptAndReset();
    void AcceptAndSend(const std::vector<std::uint8_t>& bytes);

    // A port on 127.0.0.1 where nothing listens.
    static int UnusedPort();

  private:
    TTestSocket Accept();

    TTestSocket listener_ = kNoTestSocket;
    TTestSocket accepted_ = kNoTestSocket;
    int port_ = 0;
};

// One accepted connection, as the script sees it. Failures raise std::runtime_error.
class TScriptedPeer {
  public:
    explicit TScriptedPeer(TTestSocket socket) : socket_(socket) {}

    void Send(const std::vector<std::uint8_t>& bytes);
    void SendPacket(std::uint8_t sequence, const std::vector<std::uint8_t>& payload);
    // A 7-byte compressed frame header and body (stored when lengthBeforeCompression is 0).
    void SendFrame(std::uint8_t sequence, const std::vector<std::uint8_t>& body,
                   std::uint32_t lengthBeforeCompression);
    std::vector<std::uint8_t> Receive(std::size_t count);

    struct TReceivedPacket {
        std::uint8_t Sequence = 0;
        std::vector<std::uint8_t> Payload;
    };
    TReceivedPacket ReceivePacket();
    // Waits until the client closes its side; true when it did.
    bool WaitForClose();

  private:
    TTestSocket socket_;
};

class TScriptedServer {
  public:
    using TScript = std::function<void(TScriptedPeer&)>;

    explicit TScriptedServer(TScript script);
    // Waits for the script to end.
    ~TScriptedServer();
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;

    int Port() const { return port_; }
    // Waits for the script to end and fails the test with what went wrong in it.
    void Finish();

  private:
    TTestSocket listener_ = kNoTestSocket;
    int port_ = 0;
    std::thread thread_;
    std::exception_ptr failure_;
};

} // namespace tarrow::test
