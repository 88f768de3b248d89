#include "tests/peers/HttpPeer.h"

#include "tests/support/Sockets.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

#ifndef TARROW_TEST_PEER_HOST
#error "TARROW_TEST_PEER_HOST comes from the build"
#endif

namespace tarrow::test {

namespace {

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return std::string(text);
}

// How long a waiting thread sleeps between looks at whether the peer stops.
constexpr int kStopCheckMs = 20;

bool SendAll(TTestSocket fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        std::ptrdiff_t n = SendSome(fd, bytes.data(), bytes.size());
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string PeerHost()
{
    return TARROW_TEST_PEER_HOST;
}

std::optional<std::string> TPeerRequest::Header(std::string_view name) const
{
    for (const auto& [key, value] : Headers)
        if (SameText(key, name)) return value;
    return std::nullopt;
}

int TPeerRequest::HeaderCount(std::string_view name) const
{
    return static_cast<int>(std::count_if(Headers.begin(), Headers.end(),
                                          [&](const auto& header) { return SameText(header.first, name); }));
}

THttpPeer::THttpPeer()
{
    int port = 0;
    listener_ = ListenOn(PeerHost(), port, 16);
    port_ = static_cast<std::uint16_t>(port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

THttpPeer::~THttpPeer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    acceptor_.join();
    for (auto& worker : workers_) worker.Thread.join();
    CloseSocket(listener_);
}

bool THttpPeer::Stopping() const
{
    std::lock_guard lock(mutex_);
    return stopping_;
}

void THttpPeer::Answer(TPeerAnswer answer)
{
    std::lock_guard lock(mutex_);
    answers_.push_back(std::move(answer));
}

void THttpPeer::SetDefaultAnswer(TPeerAnswer answer)
{
    std::lock_guard lock(mutex_);
    defaultAnswer_ = std::move(answer);
}

void THttpPeer::NeverRead()
{
    std::lock_guard lock(mutex_);
    neverRead_ = true;
}

std::string THttpPeer::Url(std::string_view path) const
{
    return "http://" + PeerHost() + ":" + std::to_string(port_) + std::string(path);
}

std::vector<TPeerRequest> THttpPeer::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

TPeerRequest THttpPeer::LastRequest() const
{
    std::lock_guard lock(mutex_);
    if (requests_.empty()) throw std::runtime_error("the peer received no request");
    return requests_.back();
}

int THttpPeer::Connections() const
{
    std::lock_guard lock(mutex_);
    return connections_;
}

TPeerAnswer THttpPeer::NextAnswer()
{
    std::lock_guard lock(mutex_);
    if (answers_.empty()) return defaultAnswer_;
    TPeerAnswer answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
}

bool THttpPeer::Sleep(std::chrono::milliseconds time)
{
    std::unique_lock lock(mutex_);
    return !stopped_.wait_for(lock, time, [this] { return stopping_; });
}

void THttpPeer::AcceptLoop()
{
    for (;;) {
        if (Stopping()) return;
        if (!WaitReadable(listener_, kStopCheckMs)) continue;
        TTestSocket fd = kNoTestSocket;
        try {
            fd = AcceptOne(listener_);
        } catch (const std::runtime_error&) {
            continue;
        }
        std::erase_if(workers_, [](TWorker& worker) {
            if (!worker.Done->load()) return false;
            worker.Thread.join();
            return true;
        });
        int connection;
        {
            std::lock_guard lock(mutex_);
            connection = ++connections_;
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        workers_.push_back({std::thread([this, fd, connection, done] {
                                Serve(fd, connection);
                                done->store(true);
                            }),
                            done});
    }
}

void THttpPeer::Serve(TTestSocket fd, int connection)
{
    std::string buffer;
    // Reads until the predicate holds; false when the client closed or the peer stops.
    auto readUntil = [&](auto done) {
        while (!done()) {
            if (Stopping()) return false;
            if (!WaitReadable(fd, kStopCheckMs)) continue;
            char chunk[16384];
            std::ptrdiff_t n = ReceiveSome(fd, chunk, sizeof chunk);
            if (n <= 0) return false;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        return true;
    };

    bool neverRead;
    {
        std::lock_guard lock(mutex_);
        neverRead = neverRead_;
    }
    if (neverRead) {
        // Held open, unread, until the peer stops.
        while (Sleep(std::chrono::seconds(60))) {
        }
        CloseSocket(fd);
        return;
    }

    for (;;) {
        TPeerRequest request;
        request.Connection = connection;
        // Anything but a request line (a TLS handshake, say) is refused by closing at once.
        if (!readUntil([&] { return !buffer.empty(); })) break;
        if (buffer[0] < 'A' || buffer[0] > 'Z') break;
        if (!readUntil([&] { return buffer.find("\r\n\r\n") != std::string::npos; })) break;
        const std::size_t headEnd = buffer.find("\r\n\r\n");
        std::string_view head(buffer.data(), headEnd);
        std::size_t lineEnd = head.find("\r\n");
        std::string_view requestLine = head.substr(0, lineEnd);
        auto sp1 = requestLine.find(' ');
        auto sp2 = requestLine.rfind(' ');
        request.Method = std::string(requestLine.substr(0, sp1));
        request.Target = std::string(requestLine.substr(sp1 + 1, sp2 - sp1 - 1));
        request.Version = std::string(requestLine.substr(sp2 + 1));
        std::size_t contentLength = 0;
        while (lineEnd != std::string_view::npos) {
            std::size_t next = head.find("\r\n", lineEnd + 2);
            std::string_view line = head.substr(
                lineEnd + 2, next == std::string_view::npos ? std::string_view::npos : next - lineEnd - 2);
            lineEnd = next;
            auto colon = line.find(':');
            if (colon == std::string_view::npos) continue;
            request.Headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
            if (SameText(request.Headers.back().first, "Content-Length"))
                contentLength = std::stoul(request.Headers.back().second);
        }
        const std::size_t total = headEnd + 4 + contentLength;
        if (!readUntil([&] { return buffer.size() >= total; })) break;
        request.Body = buffer.substr(headEnd + 4, contentLength);
        buffer.erase(0, total);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }

        TPeerAnswer answer = NextAnswer();
        if (answer.ResultOfRequest) {
            std::string action = request.Header("SOAPAction").value_or("");
            std::erase(action, '"');
            answer.Body = SoapResult(action.substr(action.rfind('/') + 1), *answer.ResultOfRequest).Body;
        }
        if (answer.CloseWithoutAnswer) break;
        if (answer.Delay.count() > 0 && !Sleep(answer.Delay)) break;

        std::string bytes;
        if (answer.Raw) {
            bytes = *answer.Raw;
        } else {
            bytes = "HTTP/1.1 " + std::to_string(answer.Status) + " " + answer.Reason + "\r\n";
            if (!answer.ContentType.empty()) bytes += "Content-Type: " + answer.ContentType + "\r\n";
            for (const std::string& header : answer.Headers) bytes += header + "\r\n";
            bytes += "Content-Length: " + std::to_string(answer.Body.size()) + "\r\n\r\n" + answer.Body;
        }
        const int pieces = std::max(1, answer.Pieces);
        const std::size_t size = (bytes.size() + pieces - 1) / pieces;
        bool sent = true;
        for (std::size_t at = 0; sent && at < bytes.size(); at += size) {
            if (at > 0 && answer.Pause.count() > 0 && !Sleep(answer.Pause)) sent = false;
            if (sent) sent = SendAll(fd, std::string_view(bytes).substr(at, size));
        }
        // Raw bytes carry no framing we can trust: the connection ends with them.
        if (!sent || answer.Raw) break;
    }
    CloseSocket(fd);
}

TSilentListener::TSilentListener()
{
    int port = 0;
    listener_ = ListenOn(PeerHost(), port, 0);
    port_ = static_cast<std::uint16_t>(port);
    // The first connection takes the backlog's only place; it is never accepted.
    filler_ = ConnectTo(PeerHost(), port);
}

TSilentListener::~TSilentListener()
{
    CloseSocket(filler_);
    CloseSocket(listener_);
}

std::string TSilentListener::Url() const
{
    return "http://" + PeerHost() + ":" + std::to_string(port_) + "/parceiros/orvane/van/van.asmx";
}

std::uint16_t ClosedPort()
{
    int port = 0;
    CloseSocket(ListenOn(PeerHost(), port, 1));
    return static_cast<std::uint16_t>(port);
}

std::string SoapEnvelope(std::string_view bodyContent, std::optional<std::string_view> headerContent)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                      "<soap:Envelope xmlns:soap=\"" +
                      std::string(kSoap11Namespace) +
                      "\" "
                      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                      "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">";
    if (headerContent) xml += "<soap:Header>" + std::string(*headerContent) + "</soap:Header>";
    xml += "<soap:Body>" + std::string(bodyContent) + "</soap:Body></soap:Envelope>";
    return xml;
}

TPeerAnswer SoapResult(std::string_view operation, std::string_view resultText)
{
    const std::string op(operation);
    TPeerAnswer answer;
    answer.Body = SoapEnvelope("<" + op + "Response xmlns=\"http://tempuri.org/\"><" + op + "Result>" +
                               std::string(resultText) + "</" + op + "Result></" + op + "Response>");
    return answer;
}

TPeerAnswer SoapResultOfRequest(std::string_view resultText)
{
    TPeerAnswer answer;
    answer.ResultOfRequest = std::string(resultText);
    return answer;
}

TPeerAnswer SoapFault(std::string_view code, std::string_view text, std::string_view extra)
{
    TPeerAnswer answer;
    answer.Status = 500;
    answer.Reason = "Internal Server Error";
    answer.Body = SoapEnvelope("<soap:Fault><faultcode>" + std::string(code) + "</faultcode><faultstring>" +
                               std::string(text) + "</faultstring>" + std::string(extra) + "</soap:Fault>");
    return answer;
}

}  // namespace tarrow::test
