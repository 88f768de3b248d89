#pragma once
// The error vocabulary of the MySQL protocol layer: the fixed client error texts 2000..2047, the
// rule that builds an EMySqlException's message from them, and the argument error that a few
// malformed values raise instead.

#include "platform/Errors.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tarrow {

// Client error codes this layer raises by name; the others of the table exist for the texts only.
inline constexpr int kCrUnknownError = 2000;
inline constexpr int kCrConnHostError = 2003;
inline constexpr int kCrIpSockError = 2004;
inline constexpr int kCrUnknownHost = 2005;
inline constexpr int kCrServerGoneError = 2006;
inline constexpr int kCrVersionError = 2007;
inline constexpr int kCrServerHandshakeError = 2012;
inline constexpr int kCrServerLost = 2013;
inline constexpr int kCrCommandsOutOfSync = 2014;
inline constexpr int kCrMalformedPacket = 2027;
inline constexpr int kCrWrongProtocol = 2046;
// Raised by the packet layer without a table text.
inline constexpr int kErPacketsOutOfOrder = 1156;
inline constexpr int kErInflateFailed = 1157;

// The fixed text of a client error code; empty for any code outside 2000..2047.
std::string_view ClientErrorText(int code);

// One value for a placeholder of a message pattern: a number (%d, %u, %x, %X) or a text (%s).
using TFormatArg = std::variant<std::int64_t, std::string>;

// Fills a printf-like pattern as the system's message texts expect it: %d %u %x %X %s with an
// optional "-" flag, width and precision (precision cuts texts, as in "%-.64s"); "%%" is a percent
// sign. A placeholder without an argument, or with one of the wrong kind, stays as it stands.
std::string FormatText(std::string_view pattern, std::initializer_list<TFormatArg> args);

// The message of an EMySqlException: the code's table text (filled from args when any are given),
// then CR LF and the detail when the detail is not empty. A server error, whose code is outside
// the table, thus reads CR LF followed by the server's text.
std::string MySqlErrorMessage(int code, std::initializer_list<TFormatArg> args, std::string_view detail);

inline EMySqlException MySqlError(int code, std::string_view detail = {})
{
    return EMySqlException(code, MySqlErrorMessage(code, {}, detail));
}

inline EMySqlException MySqlError(int code, std::initializer_list<TFormatArg> args,
                                  std::string_view detail = {})
{
    return EMySqlException(code, MySqlErrorMessage(code, args, detail));
}

// A value the protocol cannot represent (a length prefix of 255, an 8-byte number cut short, a
// maximal packet where whole packets are needed). It is not a protocol error: the mysql_
// operations let it pass to their caller instead of storing it in the session.
class EArgumentException : public Exception {
    using Exception::Exception;
};

} // namespace tarrow
