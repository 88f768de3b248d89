#pragma once
// The few socket calls the tests' own peers make, the same on Linux and under Windows (Winsock is
// started on first use). Failures raise std::runtime_error.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarrow::test {

using TTestSocket = std::intptr_t;
inline constexpr TTestSocket kNoTestSocket = -1;

// A socket listening on host (dotted IPv4) at port, 0 for one the system picks; port is set to the
// port it listens on.
TTestSocket ListenOn(const std::string& host, int& port, int backlog = 4);
// Connects to host (dotted IPv4) and port.
TTestSocket ConnectTo(const std::string& host, int port);
// Waits up to milliseconds for a connection or data; true when one came.
bool WaitReadable(TTestSocket socket, int milliseconds);
TTestSocket AcceptOne(TTestSocket listener);
// Bytes moved, or a negative number on failure; never raises a signal.
std::ptrdiff_t SendSome(TTestSocket socket, const void* bytes, std::size_t count);
std::ptrdiff_t ReceiveSome(TTestSocket socket, void* bytes, std::size_t count);
// Closes with a reset instead of an orderly close.
void CloseWithReset(TTestSocket socket);
void CloseSocket(TTestSocket socket);

// An option's value as an int (TCP_NODELAY, SO_KEEPALIVE).
int SocketOption(TTestSocket socket, int level, int name);
// The receive time-out the socket holds, in milliseconds.
std::int64_t ReceiveTimeoutMs(TTestSocket socket);

}  // namespace tarrow::test
