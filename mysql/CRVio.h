#pragma once
// The byte transport under the packet layer: an abstract connection with buffered reads (a
// 16384-byte read-ahead for small reads, large reads straight into the caller's memory) and
// retrying writes. Failures of single calls are reported by a short count and the last error text;
// only Connect and WaitForData raise.

#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarrow {

// A transport failure that carries only a client error code (2003, 2005, 2006, or the socket
// library's start-up result); the login turns a failed connect into error 2003.
class SocketException : public Exception {
  public:
    explicit SocketException(int errorCode);
    int ErrorCode() const noexcept { return errorCode_; }

  private:
    int errorCode_;
};

class TCRVio {
  public:
    static constexpr std::size_t kReadAheadSize = 16384;
    // Reads of at least this many bytes skip the read-ahead buffer once it is drained.
    static constexpr std::size_t kReadAheadBypass = 2048;

    TCRVio() = default;
    TCRVio(const TCRVio&) = delete;
    TCRVio& operator=(const TCRVio&) = delete;
    virtual ~TCRVio() = default;

    // Receive time-out in seconds; 0 means receives never time out.
    virtual int Timeout() const = 0;
    virtual void SetTimeout(int seconds) = 0;
    virtual void Connect() = 0;
    virtual void Close() = 0;
    // One receive or send call: the bytes moved, 0 on failure (then LastError() says why; empty
    // when the peer closed the connection).
    virtual std::size_t ReceiveSome(std::uint8_t* buffer, std::size_t count) = 0;
    virtual std::size_t SendSome(const std::uint8_t* buffer, std::size_t count) = 0;
    // Up to count bytes; fewer than asked means the connection failed.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t count);
    virtual std::size_t Write(const std::uint8_t* buffer, std::size_t count);
    // Waits until data can be read; seconds < 0 waits without limit. Raises SocketException 2006
    // when the wait itself fails.
    virtual bool WaitForData(int seconds) = 0;

    const std::string& LastError() const noexcept { return lastError_; }

  protected:
    // Connect (re)allocates the read-ahead buffer, empty.
    void ResetReadAhead();
    bool HasReadAhead() const noexcept { return readAheadPosition_ < readAheadFill_; }
    void SetLastError(std::string text) { lastError_ = std::move(text); }
    void ClearLastError() { lastError_.clear(); }
    // The pause after an empty receive or send; a virtual so tests need not wait.
    virtual void PauseAfterFailure();

  private:
    std::size_t TakeReadAhead(std::uint8_t* buffer, std::size_t count);

    std::string lastError_;
    std::vector<std::uint8_t> readAhead_;
    std::size_t readAheadFill_ = 0;
    std::size_t readAheadPosition_ = 0;
};

} // namespace tarrow
