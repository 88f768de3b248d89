#pragma once
// A small HTTP server on a loopback address that a test scripts: it says what the peer answers,
// call by call, and afterwards checks what the peer received. One thread per connection, so a
// peer that keeps one client waiting still serves another; connections are kept alive.

#include "tests/support/Sockets.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace tarrow::test {

// The loopback address every peer of the tests listens on (a CMake cache variable).
std::string PeerHost();

// One scripted answer.
struct TPeerAnswer {
    int Status = 200;
    std::string Reason = "OK";
    std::string ContentType = "text/xml; charset=utf-8";  // "" sends no Content-Type
    // More header lines as they stand ("Connection: close"); the peer keeps the connection open
    // whatever they say, so a client that ignores them would post on it again.
    std::vector<std::string> Headers;
    std::string Body;
    // Silence after the request has been read, before the first byte of the answer.
    std::chrono::milliseconds Delay{0};
    // The answer goes out in this many pieces with Pause between them (1: at once).
    int Pieces = 1;
    std::chrono::milliseconds Pause{0};
    // Read the request, then close without a byte of answer.
    bool CloseWithoutAnswer = false;
    // Bytes sent as they stand instead of a built answer (status line and headers included).
    std::optional<std::string> Raw;
    // The Body becomes SoapResult of the operation the request's SOAPAction names, with this text.
    std::optional<std::string> ResultOfRequest;
};

struct TPeerRequest {
    std::string Method;
    std::string Target;
    std::string Version;
    std::vector<std::pair<std::string, std::string>> Headers;
    std::string Body;
    int Connection = 0;  // 1 for the first TCP connection the peer accepted, and so on

    // The first header of that name (compared without regard to case).
    std::optional<std::string> Header(std::string_view name) const;
    int HeaderCount(std::string_view name) const;
};

class THttpPeer {
  public:
    THttpPeer();
    ~THttpPeer();
    THttpPeer(const THttpPeer&) = delete;
    THttpPeer& operator=(const THttpPeer&) = delete;

    // Queued answers are used in order; when none is left the default answer is sent.
    void Answer(TPeerAnswer answer);
    void SetDefaultAnswer(TPeerAnswer answer);
    // From now on connections are accepted and never read from, so a client's send stalls once
    // the socket buffers are full; they close when the client gives up.
    void NeverRead();

    std::string Url(std::string_view path = "/parceiros/orvane/van/van.asmx") const;
    std::uint16_t Port() const { return port_; }

    std::vector<TPeerRequest> Requests() const;
    TPeerRequest LastRequest() const;  // fails the test when nothing was received
    int Connections() const;

  private:
    void AcceptLoop();
    void Serve(TTestSocket fd, int connection);
    bool Stopping() const;
    TPeerAnswer NextAnswer();
    // Waits for the time given or until the peer stops; false when it stops.
    bool Sleep(std::chrono::milliseconds time);

    TTestSocket listener_ = kNoTestSocket;
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    bool neverRead_ = false;
    std::deque<TPeerAnswer> answers_;
    TPeerAnswer defaultAnswer_;
    std::vector<TPeerRequest> requests_;
    int connections_ = 0;
    // Connection threads; finished ones are joined as new connections come in.
    struct TWorker {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Done;
    };
    std::vector<TWorker> workers_;
    std::thread acceptor_;
};

// A listener whose backlog is full: connection attempts are never completed, so a client waits
// until its connect limit runs out.
class TSilentListener {
  public:
    TSilentListener();
    ~TSilentListener();
    TSilentListener(const TSilentListener&) = delete;
    TSilentListener& operator=(const TSilentListener&) = delete;
    std::string Url() const;

  private:
    TTestSocket listener_ = kNoTestSocket;
    TTestSocket filler_ = kNoTestSocket;
    std::uint16_t port_ = 0;
};

// A loopback port with nothing listening on it.
std::uint16_t ClosedPort();

// ---- SOAP answers ---------------------------------------------------------------------------

inline constexpr std::string_view kSoap11Namespace = "http://schemas.xmlsoap.org/soap/envelope/";

// <?xml?> and a SOAP 1.1 envelope around the given Body content (and Header content, when given).
std::string SoapEnvelope(std::string_view bodyContent, std::optional<std::string_view> headerContent = {});
// The answer a .asmx service gives: <opResponse xmlns=ns><opResult>text</opResult></opResponse>.
TPeerAnswer SoapResult(std::string_view operation, std::string_view resultText);
// SoapResult for whatever operation the request calls.
TPeerAnswer SoapResultOfRequest(std::string_view resultText);
// A fault with status 500.
TPeerAnswer SoapFault(std::string_view code, std::string_view text, std::string_view extra = {});

}  // namespace tarrow::test
