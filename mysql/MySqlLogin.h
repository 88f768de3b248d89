#pragma once
// The login's protocol steps as pure functions over bytes: the server greeting, the client
// capability flags, the login packet and the three password answers (pre-4.1 scramble, 4.1 token,
// second challenge). The session runs the conversation; these decide every byte of it.

#include "mysql/Sha1.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarrow {

// Capability flags of the protocol.
inline constexpr std::uint32_t kClientLongPassword = 0x00001;
inline constexpr std::uint32_t kClientFoundRows = 0x00002;
inline constexpr std::uint32_t kClientLongFlag = 0x00004;
inline constexpr std::uint32_t kClientConnectWithDb = 0x00008;
inline constexpr std::uint32_t kClientCompress = 0x00020;
inline constexpr std::uint32_t kClientLocalFiles = 0x00080;
inline constexpr std::uint32_t kClientProtocol41 = 0x00200;
inline constexpr std::uint32_t kClientSsl = 0x00800;
inline constexpr std::uint32_t kClientTransactions = 0x02000;
inline constexpr std::uint32_t kClientSecureConnection = 0x08000;
inline constexpr std::uint32_t kClientMultiStatements = 0x10000;
inline constexpr std::uint32_t kClientMultiResults = 0x20000;
// What every login asks for: long password, long column flags, LOCAL INFILE, 4.1 protocol,
// transactions, 4.1 password scramble, multiple statements and multiple results.
inline constexpr std::uint32_t kClientBaseFlags = 0x3A285;

// Server status bits.
inline constexpr std::uint16_t kServerStatusAutocommit = 0x0002;
inline constexpr std::uint16_t kServerMoreResultsExist = 0x0008;

inline constexpr std::uint8_t kProtocolVersion = 10;
// The login's character set (latin1) and maximum packet size.
inline constexpr std::uint8_t kLoginCharset = 8;
inline constexpr std::uint32_t kLoginMaxPacket = 0x40000000;

// Session protocol choices (mysql_options 9, mysql_ssl_set).
inline constexpr std::uint8_t kProtocolDefault = 0;
inline constexpr std::uint8_t kProtocolTcp = 1;
inline constexpr std::uint8_t kProtocolPipe = 3;
inline constexpr std::uint8_t kProtocolSsl = 5;

using TScramble = std::array<std::uint8_t, 20>;

struct TGreeting {
    std::uint8_t ProtocolVersion = 0;
    std::string ServerVersion;
    std::uint32_t ThreadId = 0;
    // Bytes 0..7 always; 8..19 only when FullScramble.
    TScramble Scramble{};
    bool FullScramble = false;
    std::uint32_t ServerCapabilities = 0;
    std::uint8_t ServerLanguage = 0;
    std::uint16_t ServerStatus = kServerStatusAutocommit;
};

// Parses the first packet of a connection. A protocol version other than 10 is error 2007; a
// greeting cut short before its scramble is a malformed packet (2027). Fields after the first
// scramble part are read only as far as the packet holds them (a short greeting leaves them at
// their defaults).
TGreeting ParseGreeting(std::span<const std::uint8_t> packet);

// The flags a login sends, from the flags asked for, the session's flags, the server's
// capabilities and the session's protocol.
std::uint32_t ComputeClientFlags(std::uint32_t requested, std::uint32_t sessionFlags,
                                 std::uint32_t serverCapabilities, std::uint8_t protocol);

struct TLoginRequest {
    std::uint32_t ClientFlags = 0;
    std::uint32_t ServerCapabilities = 0;
    TScramble Scramble{};
    bool FullScramble = false;
    std::string_view User;
    std::string_view Password;
    std::string_view Database;
};

// The login packet's payload as it is sent. The composed packet's last byte (the database name's
// terminator) is left off, except when the name is empty: the packet then keeps that 0, which a
// server needs to find where the empty name ends.
std::vector<std::uint8_t> BuildLoginPacket(const TLoginRequest& request);

// The pre-4.1 hash of a byte string (the stored form of a pre-4.1 password); spaces and tabs do
// not count.
std::array<std::uint32_t, 2> OldPasswordHash(std::span<const std::uint8_t> bytes);

// The pre-4.1 scramble of the password over an 8-byte message: 8 characters and a 0 byte; a lone
// 0 byte for an empty password. Spaces and tabs do not count.
std::vector<std::uint8_t> OldScramble(std::string_view password, std::span<const std::uint8_t> message);

// The 4.1 token: SHA1(scramble + SHA1(SHA1(password))) XOR SHA1(password).
TSha1Digest Scramble41(std::string_view password, const TScramble& scramble);

// The reply to a 24-byte second challenge; updates the scramble as the challenge says.
std::vector<std::uint8_t> AnswerSecondChallenge(std::string_view password,
                                                std::span<const std::uint8_t> challenge, TScramble& scramble);

// True when the answer to the login is a request for the pre-4.1 scramble (a lone 0xFE).
inline bool IsOldScrambleRequest(std::span<const std::uint8_t> answer)
{
    return answer.size() == 1 && answer[0] == 0xFE;
}
inline bool IsSecondChallenge(std::span<const std::uint8_t> answer)
{
    return answer.size() == 24 && answer[0] != 0;
}

} // namespace tarrow
