#pragma once
// The socket calls the TCP transport makes, one implementation per platform (posix/ and windows/
// beside this file). Every failure is told with the Windows socket library's code: Windows reports
// it itself, the Linux build translates errno. Interrupted calls are retried inside.

#include "mysql/CRVioTcp.h"

#include <cstddef>
#include <cstdint>

namespace tarrow::sockets {

// Starts the socket library once per process; false when it cannot be had.
bool Start();

// A new blocking IPv4 stream socket, or kNoSocket with the code in error.
TSocketHandle OpenStream(int& error);

// Connects to an IPv4 address (network byte order); 0, or the failure's code.
int Connect(TSocketHandle socket, std::uint32_t address, std::uint16_t port);

// No-delay sending and keep-alive.
void SetStreamOptions(TSocketHandle socket);

// 0 for none; true when the socket took it, else the code in error.
bool SetReceiveTimeout(TSocketHandle socket, std::int64_t milliseconds, int& error);

void ShutdownAndClose(TSocketHandle socket);

// Bytes received or sent, or -1 with the code in error.
std::ptrdiff_t Receive(TSocketHandle socket, std::uint8_t* buffer, std::size_t count, int& error);
std::ptrdiff_t Send(TSocketHandle socket, const std::uint8_t* buffer, std::size_t count, int& error);

// 1 when data (or the peer's close) is waiting, 0 when none came in time (a negative time waits for
// ever), -1 on failure with the code in error.
int WaitReadable(TSocketHandle socket, int milliseconds, int& error);

// True, with the address in network byte order, when host is a dotted IPv4 address.
bool ParseDottedAddress(const std::string& host, std::uint32_t& address);

} // namespace tarrow::sockets
