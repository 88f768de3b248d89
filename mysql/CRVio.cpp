#include "mysql/CRVio.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace tarrow {

SocketException::SocketException(int errorCode)
    : Exception("Socket error " + std::to_string(errorCode)), errorCode_(errorCode)
{
}

void TCRVio::ResetReadAhead()
{
    readAhead_.assign(kReadAheadSize, 0);
    readAheadFill_ = 0;
    readAheadPosition_ = 0;
}

void TCRVio::PauseAfterFailure()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

std::size_t TCRVio::TakeReadAhead(std::uint8_t* buffer, std::size_t count)
{
    const std::size_t n = std::min(count, readAheadFill_ - readAheadPosition_);
    if (n > 0) {
        std::memcpy(buffer, readAhead_.data() + readAheadPosition_, n);
        readAheadPosition_ += n;
    }
    if (readAheadPosition_ == readAheadFill_) readAheadFill_ = readAheadPosition_ = 0;
    return n;
}

std::size_t TCRVio::Read(std::uint8_t* buffer, std::size_t count)
{
    std::size_t done = TakeReadAhead(buffer, count);
    if (done == count) return done;
    if (count - done < kReadAheadBypass && readAhead_.size() == kReadAheadSize) {
        const std::size_t received = ReceiveSome(readAhead_.data(), kReadAheadSize);
        if (received == 0) {
            // One empty receive is enough to give up; a second would wait out the time-out again.
            PauseAfterFailure();
            return done;
        }
        readAheadFill_ = received;
        readAheadPosition_ = 0;
        done += TakeReadAhead(buffer + done, count - done);
    }
    while (done < count) {
        const std::size_t received = ReceiveSome(buffer + done, count - done);
        if (received == 0) {
            PauseAfterFailure();
            break;
        }
        done += received;
    }
    return done;
}

std::size_t TCRVio::Write(const std::uint8_t* buffer, std::size_t count)
{
    std::size_t done = 0;
    int failures = 0;
    while (done < count) {
        const std::size_t sent = SendSome(buffer + done, count - done);
        if (sent > 0) {
            done += sent;
            continue;
        }
        if (++failures >= 3) break;
        PauseAfterFailure();
    }
    return done;
}

} // namespace tarrow
