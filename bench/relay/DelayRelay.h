#pragma once
// A slow link on loopback: a TCP relay that forwards every byte to one target after a set delay in
// each direction (a round trip costs twice the delay) and counts the connections it carries. Bytes
// keep their order, and a burst does not wait for the one before it: the delay is the link's, not
// a queue's.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tarrow::bench {

class TDelayRelay {
public:
    // Listens on host (a loopback address) on a port the system picks and forwards to host:port.
    TDelayRelay(const std::string& host, std::uint16_t targetPort, std::chrono::milliseconds delay);
    ~TDelayRelay();
    TDelayRelay(const TDelayRelay&) = delete;
    TDelayRelay& operator=(const TDelayRelay&) = delete;

    std::uint16_t Port() const { return port_; }
    int Connections() const { return connections_.load(); }

private:
    void AcceptLoop();
    // Moves bytes from one socket to the other, each chunk delay after it arrived; at the end of
    // the input the output is shut for writing once everything has gone.
    void Pump(int from, int to);

    std::string host_;
    std::uint16_t targetPort_;
    std::chrono::milliseconds delay_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::atomic<int> connections_{0};
    std::vector<std::thread> pumps_;
    std::vector<int> sockets_;
    std::thread acceptor_;
};

}  // namespace tarrow::bench
