#pragma once
// A transport over memory for byte-level tests: it serves scripted input, records every send,
// and can be told to fail sends or return short receives.

#include "mysql/CRVio.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace tarrow::test {

class TMemoryVio : public TCRVio {
  public:
    TMemoryVio() { ResetReadAhead(); }

    // Bytes the transport will receive; each call to Feed is served by separate receives when
    // SplitReceives is on.
    void Feed(const std::vector<std::uint8_t>& bytes)
    {
        input.insert(input.end(), bytes.begin(), bytes.end());
    }

    std::vector<std::uint8_t> input;
    std::size_t inputPosition = 0;
    // Largest receive served at once (0: as much as asked).
    std::size_t receiveLimit = 0;
    std::vector<std::uint8_t> output;
    std::vector<std::size_t> sends; // size of every Write call
    int receiveCalls = 0;
    int sendCalls = 0;
    int failingSends = 0; // the next sends that move nothing
    int pauses = 0;
    int timeout = 30;

    int Timeout() const override { return timeout; }
    void SetTimeout(int seconds) override { timeout = seconds; }
    void Connect() override { ResetReadAhead(); }
    void Close() override {}
    std::size_t ReceiveSome(std::uint8_t* buffer, std::size_t count) override
    {
        ++receiveCalls;
        ClearLastError();
        std::size_t n = std::min(count, input.size() - inputPosition);
        if (receiveLimit > 0) n = std::min(n, receiveLimit);
        if (n > 0) std::memcpy(buffer, input.data() + inputPosition, n);
        inputPosition += n;
        return n;
    }
    std::size_t SendSome(const std::uint8_t* buffer, std::size_t count) override
    {
        ++sendCalls;
        ClearLastError();
        if (failingSends > 0) {
            --failingSends;
            SetLastError("Socket error on write. WSAGetLastError return 10054($2776)");
            return 0;
        }
        output.insert(output.end(), buffer, buffer + count);
        return count;
    }
    std::size_t Write(const std::uint8_t* buffer, std::size_t count) override
    {
        sends.push_back(count);
        return TCRVio::Write(buffer, count);
    }
    bool WaitForData(int) override { return inputPosition < input.size(); }

  protected:
    void PauseAfterFailure() override { ++pauses; }
};

// The 4-byte header and payload of one packet.
inline std::vector<std::uint8_t> Packet(std::uint8_t sequence, const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(payload.size()),
                                       static_cast<std::uint8_t>(payload.size() >> 8),
                                       static_cast<std::uint8_t>(payload.size() >> 16), sequence};
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

inline std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts)
{
    std::vector<std::uint8_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace tarrow::test
