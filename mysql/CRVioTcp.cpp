#include "mysql/CRVioTcp.h"

// The transport's rules, the same on every platform; the socket calls themselves live in
// posix/SocketCalls.cpp and windows/SocketCalls.cpp.

#include "mysql/MySqlErrors.h"
#include "mysql/SocketCalls.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace tarrow {

namespace {

constexpr int kWsaeWouldBlock = 10035;

// A lookup on a worker thread. The thread owns what it needs through this block, never the
// transport, so a lookup that outlives its wait (and its transport) writes only here.
struct TLookup {
    std::mutex Mutex;
    std::condition_variable Finished;
    bool Done = false;
    TNameResolution Result;
};

} // namespace

std::string SocketErrorText(const char* operation, int code)
{
    return FormatText(std::string("Socket error on ") + operation + ". WSAGetLastError return %d($%X)",
                      {std::int64_t{code}, std::int64_t{code}});
}

TCRVioTcp::TCRVioTcp(std::string host, int port) : host_(std::move(host)), port_(port) {}

TCRVioTcp::~TCRVioTcp()
{
    Close();
}

void TCRVioTcp::SetTimeout(int seconds)
{
    if (seconds == timeout_) return;
    timeout_ = seconds;
    if (socket_ != kNoSocket) ApplyReceiveTimeout();
}

void TCRVioTcp::ApplyReceiveTimeout()
{
    const std::int64_t milliseconds = timeout_ > 0 ? std::int64_t{timeout_} * 1000 : 0;
    int code = 0;
    if (!sockets::SetReceiveTimeout(socket_, milliseconds, code))
        throw std::system_error(code, std::generic_category(), "setsockopt(SO_RCVTIMEO)");
}

std::uint32_t TCRVioTcp::ResolveAddress(const std::string& host)
{
    std::uint32_t dotted = 0;
    if (sockets::ParseDottedAddress(host, dotted)) return dotted;

    TNameResolution resolution;
    bool finished = true;
    if (timeout_ >= 1) {
        auto lookup = std::make_shared<TLookup>();
        try {
            std::thread([lookup, resolver = resolver_, host] {
                TNameResolution result = resolver(host);
                std::lock_guard lock(lookup->Mutex);
                lookup->Result = result;
                lookup->Done = true;
                lookup->Finished.notify_all();
            }).detach();
            std::unique_lock lock(lookup->Mutex);
            finished = lookup->Finished.wait_for(
                lock, std::chrono::milliseconds(std::int64_t{timeout_} * 1000), [&] { return lookup->Done; });
            if (finished) resolution = lookup->Result;
        } catch (const std::system_error&) {
            // No thread to be had: the lookup runs here, as it does without a time-out.
            resolution = resolver_(host);
        }
    } else {
        resolution = resolver_(host);
    }
    if (!finished) {
        SetLastError("Connection timed out");
        throw SocketException(kCrUnknownHost);
    }
    if (!resolution.Resolved) {
        SetLastError(SocketErrorText("connect", resolution.ErrorCode));
        throw SocketException(kCrUnknownHost);
    }
    return resolution.Address;
}

void TCRVioTcp::Connect()
{
    Close();
    ResetReadAhead();
    const std::string host = host_.empty() ? std::string("localhost") : host_;
    int code = 0;
    const TSocketHandle handle = sockets::Start() ? sockets::OpenStream(code) : kNoSocket;
    // Like a failed lookup, a socket that cannot be created is reported with code 2005.
    if (handle == kNoSocket) throw SocketException(kCrUnknownHost);
    try {
        const std::uint32_t address = ResolveAddress(host);
        code = sockets::Connect(handle, address, static_cast<std::uint16_t>(port_));
        if (code != 0 && code != kWsaeWouldBlock) {
            SetLastError(SocketErrorText("connect", code));
            throw SocketException(kCrConnHostError);
        }
        sockets::SetStreamOptions(handle);
        socket_ = handle;
        const int timeout = timeout_;
        timeout_ = -1;
        SetTimeout(timeout);
    } catch (...) {
        sockets::ShutdownAndClose(handle);
        socket_ = kNoSocket;
        throw;
    }
}

void TCRVioTcp::Close()
{
    if (socket_ == kNoSocket) return;
    sockets::ShutdownAndClose(socket_);
    socket_ = kNoSocket;
}

std::size_t TCRVioTcp::ReceiveSome(std::uint8_t* buffer, std::size_t count)
{
    ClearLastError();
    int code = 0;
    const std::ptrdiff_t received = sockets::Receive(socket_, buffer, count, code);
    if (received < 0) {
        SetLastError(SocketErrorText("read", code));
        return 0;
    }
    return static_cast<std::size_t>(received);
}

std::size_t TCRVioTcp::SendSome(const std::uint8_t* buffer, std::size_t count)
{
    ClearLastError();
    int code = 0;
    const std::ptrdiff_t sent = sockets::Send(socket_, buffer, count, code);
    if (sent < 0) {
        SetLastError(SocketErrorText("write", code));
        return 0;
    }
    return static_cast<std::size_t>(sent);
}

std::size_t TCRVioTcp::Write(const std::uint8_t* buffer, std::size_t count)
{
    if (socket_ == kNoSocket) return 0;
    return TCRVio::Write(buffer, count);
}

bool TCRVioTcp::WaitForData(int seconds)
{
    ClearLastError();
    if (HasReadAhead()) return true;
    const int milliseconds = seconds < 0 ? -1 : (seconds > 2147483 ? 2147483647 : seconds * 1000);
    int code = 0;
    const int result = sockets::WaitReadable(socket_, milliseconds, code);
    if (result < 0) {
        SetLastError(SocketErrorText("select", code));
        throw SocketException(kCrServerGoneError);
    }
    return result > 0;
}

} // namespace tarrow
