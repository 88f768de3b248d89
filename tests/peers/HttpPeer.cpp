#include "tests/peers/HttpPeer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

sockaddr_in Address(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, PeerHost().c_str(), &address.sin_addr) != 1)
        throw std::runtime_error("peer host is not an IPv4 address: " + PeerHost());
    return address;
}

// A listening socket on the peer host; port 0 picks a free one.
int Listen(int backlog, std::uint16_t& port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = Address(0);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, backlog) != 0) {
        close(fd);
        throw std::runtime_error("cannot listen on " + PeerHost() + ": " + std::strerror(errno));
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

bool SendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
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
    listener_ = Listen(16, port_);
    if (pipe2(wake_, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

THttpPeer::~THttpPeer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    // The byte stays unread, so every poll on the pipe wakes from now on.
    (void)!write(wake_[1], "x", 1);
    acceptor_.join();
    for (auto& worker : workers_) worker.Thread.join();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
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
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) return;
        int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
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

void THttpPeer::Serve(int fd, int connection)
{
    std::string buffer;
    // Reads until the predicate holds; false when the client closed or the peer stops.
    auto readUntil = [&](auto done) {
        while (!done()) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents != 0) return false;
            char chunk[16384];
            ssize_t n = recv(fd, chunk, sizeof chunk, 0);
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
        pollfd fds[2] = {{fd, POLLRDHUP, 0}, {wake_[0], POLLIN, 0}};
        while (poll(fds, 2, -1) < 0) {
        }
        close(fd);
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
    close(fd);
}

TSilentListener::TSilentListener()
{
    listener_ = Listen(0, port_);
    // The first connection takes the backlog's only place; it is never accepted.
    filler_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Address(port_);
    if (filler_ < 0 || connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot fill the silent listener's backlog");
}

TSilentListener::~TSilentListener()
{
    close(filler_);
    close(listener_);
}

std::string TSilentListener::Url() const
{
    return "http://" + PeerHost() + ":" + std::to_string(port_) + "/parceiros/orvane/van/van.asmx";
}

std::uint16_t ClosedPort()
{
    std::uint16_t port = 0;
    close(Listen(1, port));
    return port;
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
