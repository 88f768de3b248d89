#pragma once
// A blocking TCP connect attempt that sends nothing: resolve the name, connect, close.

#include <cstdint>
#include <string>

namespace tarrow {

// True when a TCP connection to host:port could be opened. Resolution and connect failures give
// false; there is no time-out beyond the system's own.
bool TcpCanConnect(const std::string& host, std::uint16_t port);

// Names under the reserved top-level domain "invalid" never resolve; answering them without a
// lookup keeps the query off the network altogether.
bool IsReservedInvalidName(std::string host);

}  // namespace tarrow
