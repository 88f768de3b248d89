#include "mysql/MySqlLogin.h"

#include "mysql/MySqlErrors.h"
#include "tests/mysql/Raised.h"
#include "tests/mysql/ServerPackets.h"

#include <gtest/gtest.h>

#include <string>

namespace tarrow {
namespace {

using test::GreetingPacket;
using test::RaisedMySqlError;
using test::TGreetingShape;

std::span<const std::uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Hex(std::span<const std::uint8_t> bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// -- SHA-1

TEST(Sha1, PublishedTestVectors)
{
    EXPECT_EQ(Hex(TSHA1Managed::ComputeHash(Bytes(""))), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Hex(TSHA1Managed::ComputeHash(Bytes("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(
        Hex(TSHA1Managed::ComputeHash(Bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"))),
        "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    TSHA1Managed sha;
    const std::string thousand(1000, 'a');
    for (int i = 0; i < 1000; ++i) sha.Update(Bytes(thousand));
    EXPECT_EQ(Hex(sha.Final()), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

// -- Greeting

TEST(Greeting, FullGreetingGivesVersionThreadCapabilitiesAndTwentyScrambleBytes)
{
    TGreetingShape shape;
    shape.Capabilities = 0xA28F;
    shape.Status = 0x0022;
    const TGreeting greeting = ParseGreeting(GreetingPacket(shape));
    EXPECT_EQ(greeting.ServerVersion, "10.11.19-MariaDB");
    EXPECT_EQ(greeting.ThreadId, 42u);
    EXPECT_EQ(greeting.ServerCapabilities, 0xA28Fu);
    EXPECT_EQ(greeting.ServerLanguage, 8);
    EXPECT_EQ(greeting.ServerStatus, 0x22);
    EXPECT_TRUE(greeting.FullScramble);
    EXPECT_EQ(greeting.Scramble, shape.Scramble);
}

TEST(Greeting, ShortGreetingLeavesCapabilitiesZeroStatusTwoAndTheScrambleShort)
{
    TGreetingShape shape;
    shape.Short = true;
    const TGreeting greeting = ParseGreeting(GreetingPacket(shape));
    EXPECT_EQ(greeting.ServerCapabilities, 0u);
    EXPECT_EQ(greeting.ServerStatus, 2);
    EXPECT_FALSE(greeting.FullScramble);
    EXPECT_EQ(greeting.Scramble[7], 8);
    EXPECT_EQ(greeting.Scramble[8], 0);
}

TEST(Greeting, WithoutTheSecondScramblePartTheFlagsAreReadButTheScrambleIsShort)
{
    TGreetingShape shape;
    shape.FullScramble = false;
    const TGreeting greeting = ParseGreeting(GreetingPacket(shape));
    EXPECT_EQ(greeting.ServerCapabilities, 0xF7FFu);
    EXPECT_FALSE(greeting.FullScramble);
}

TEST(Greeting, ProtocolVersion9Is2007NamingBothVersions)
{
    TGreetingShape shape;
    shape.ProtocolVersion = 9;
    const auto e = RaisedMySqlError([&] { ParseGreeting(GreetingPacket(shape)); });
    EXPECT_EQ(e.ErrorCode(), 2007);
    EXPECT_EQ(e.Message(), "Protocol mismatch. Server Version = 9 Client Version = 10");
}

TEST(Greeting, AGreetingCutBeforeItsScrambleIsMalformed)
{
    auto packet = GreetingPacket(TGreetingShape{});
    packet.resize(1 + 17 + 4 + 5);
    const auto e = RaisedMySqlError([&] { ParseGreeting(packet); });
    EXPECT_EQ(e.ErrorCode(), 2027);
}

// -- Client flags

TEST(ClientFlags, TheProgramsDefaultsAgainstA41ServerAre0x3A28F)
{
    EXPECT_EQ(ComputeClientFlags(0x10002, 0, 0xF7FF, kProtocolDefault), 0x3A28Fu);
}

TEST(ClientFlags, AnOlderServerWithoutThe41BitsLeaves0xA08FInTheLowBits)
{
    EXPECT_EQ(ComputeClientFlags(0x10002, 0, 0x002C, kProtocolDefault) & 0xFFFF, 0xA08Fu);
}

TEST(ClientFlags, CompressionOnlyWhenAskedAndOffered)
{
    EXPECT_TRUE(ComputeClientFlags(0x10022, 0, 0xF7FF, 0) & kClientCompress);
    EXPECT_FALSE(ComputeClientFlags(0x10022, 0, 0xF7DF, 0) & kClientCompress);
    EXPECT_FALSE(ComputeClientFlags(0x10002, 0, 0xF7FF, 0) & kClientCompress);
}

TEST(ClientFlags, TlsOnlyWithTheTlsProtocolOrFlagAndAServerThatOffersIt)
{
    EXPECT_TRUE(ComputeClientFlags(0, 0, 0xFFFF, kProtocolSsl) & kClientSsl);
    EXPECT_TRUE(ComputeClientFlags(kClientSsl, 0, 0xFFFF, 0) & kClientSsl);
    EXPECT_FALSE(ComputeClientFlags(0, 0, 0xFFFF, 0) & kClientSsl);
    EXPECT_FALSE(ComputeClientFlags(0, 0, 0xF7FF, kProtocolSsl) & kClientSsl);
}

// -- Login packet

TLoginRequest Request41(const TGreeting& greeting, std::string_view user, std::string_view password,
                        std::string_view database)
{
    TLoginRequest request;
    request.ClientFlags = ComputeClientFlags(0x10002, 0, greeting.ServerCapabilities, 0);
    request.ServerCapabilities = greeting.ServerCapabilities;
    request.Scramble = greeting.Scramble;
    request.FullScramble = greeting.FullScramble;
    request.User = user;
    request.Password = password;
    request.Database = database;
    return request;
}

TEST(LoginPacket, A41LoginStartsWithFlagsMaximumPacketCharsetAnd23Zeros)
{
    const TGreeting greeting = ParseGreeting(GreetingPacket(TGreetingShape{}));
    const auto packet = BuildLoginPacket(Request41(greeting, "root", "segredo", "gerente"));
    std::vector<std::uint8_t> expected = {0x8F, 0xA2, 0x03, 0x00, 0x00, 0x00, 0x00, 0x40, 0x08};
    expected.insert(expected.end(), 23, 0);
    for (char c : std::string("root")) expected.push_back(static_cast<std::uint8_t>(c));
    expected.push_back(0);
    expected.push_back(20);
    const auto token = Scramble41("segredo", greeting.Scramble);
    expected.insert(expected.end(), token.begin(), token.end());
    // The database name's terminator is the byte left off.
    for (char c : std::string("gerente")) expected.push_back(static_cast<std::uint8_t>(c));
    EXPECT_EQ(packet, expected);
}

TEST(LoginPacket, AnEmptyDatabaseNameKeepsItsTerminator)
{
    const TGreeting greeting = ParseGreeting(GreetingPacket(TGreetingShape{}));
    const auto packet = BuildLoginPacket(Request41(greeting, "root", "", ""));
    ASSERT_EQ(packet.size(), 32u + 5u + 1u + 1u);
    EXPECT_EQ(packet[36], 0); // user's terminator
    EXPECT_EQ(packet[37], 0); // empty password
    EXPECT_EQ(packet[38], 0); // the empty database name's terminator
}

TEST(LoginPacket, EmptyPasswordIsOneZeroByte)
{
    const TGreeting greeting = ParseGreeting(GreetingPacket(TGreetingShape{}));
    const auto packet = BuildLoginPacket(Request41(greeting, "u", "", "db"));
    EXPECT_EQ(std::vector<std::uint8_t>(packet.begin() + 32, packet.end()),
              (std::vector<std::uint8_t>{'u', 0, 0, 'd', 'b'}));
}

TEST(LoginPacket, WithoutTheSecondScramblePartThePasswordIsEightXAndAZero)
{
    TGreetingShape shape;
    shape.FullScramble = false;
    const TGreeting greeting = ParseGreeting(GreetingPacket(shape));
    const auto packet = BuildLoginPacket(Request41(greeting, "u", "segredo", "db"));
    EXPECT_EQ(std::vector<std::uint8_t>(packet.begin() + 32, packet.end()),
              (std::vector<std::uint8_t>{'u', 0, 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 0, 'd', 'b'}));
}

TEST(LoginPacket, AnOldProtocolLoginHasTwoFlagBytesThreeZerosAndTheOldScramble)
{
    TGreetingShape shape;
    shape.Short = true;
    TGreeting greeting = ParseGreeting(GreetingPacket(shape));
    greeting.ServerCapabilities = 0x002C; // long flags, database in login, compression; no 4.1 bits
    const auto packet = BuildLoginPacket(Request41(greeting, "u", "segredo", "db"));
    const auto scramble = OldScramble("segredo", std::span(greeting.Scramble).first(8));
    std::vector<std::uint8_t> expected = {0x8F, 0xA0, 0, 0, 0, 'u', 0};
    expected.insert(expected.end(), scramble.begin(), scramble.end());
    expected.push_back('d');
    expected.push_back('b');
    EXPECT_EQ(packet, expected);
}

// -- Scrambles

TEST(Scrambles, OldHashMatchesTheServersStoredPreviousPasswordForm)
{
    // What the server stores for the password "segredo" with its pre-4.1 password function.
    const auto hash = OldPasswordHash(Bytes("segredo"));
    EXPECT_EQ(hash[0], 0x084ee72fu);
    EXPECT_EQ(hash[1], 0x16d89fb3u);
}

TEST(Scrambles, OldScrambleIsEightCharactersAndAZero)
{
    const std::vector<std::uint8_t> message = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(OldScramble("segredo", message),
              (std::vector<std::uint8_t>{0x52, 0x55, 0x4B, 0x57, 0x52, 0x5B, 0x4A, 0x46, 0x00}));
    EXPECT_EQ(OldScramble("", message), std::vector<std::uint8_t>{0});
}

TEST(Scrambles, SpacesAndTabsChangeTheOldScrambleButNotThe41Token)
{
    const std::vector<std::uint8_t> message = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(OldScramble("seg redo", message), OldScramble("segredo\t", message));
    TScramble scramble{};
    EXPECT_NE(Scramble41("seg redo", scramble), Scramble41("segredo", scramble));
}

TEST(Scrambles, The41TokenOfAKnownPasswordAndChallenge)
{
    TScramble scramble;
    for (int i = 0; i < 20; ++i) scramble[i] = static_cast<std::uint8_t>(i + 1);
    const TSha1Digest expected = {0xCF, 0xE8, 0xA9, 0xD7, 0xE1, 0x02, 0x0A, 0xC6, 0x42, 0x66,
                                  0x73, 0x7B, 0x83, 0xA2, 0x6A, 0x2E, 0x97, 0x93, 0x22, 0x5D};
    EXPECT_EQ(Scramble41("segredo", scramble), expected);
}

TEST(Scrambles, SecondChallengeWithoutStarAnswersTheNewScrambleXorTheStageOneHash)
{
    std::vector<std::uint8_t> challenge = {1, 2, 3, 4};
    for (int i = 100; i < 120; ++i) challenge.push_back(static_cast<std::uint8_t>(i));
    TScramble scramble{};
    const auto answer = AnswerSecondChallenge("seg redo", challenge, scramble);
    EXPECT_EQ(answer,
              (std::vector<std::uint8_t>{0x44, 0x1C, 0x12, 0x79, 0x38, 0x2D, 0x34, 0xF5, 0xDE, 0x7F,
                                         0x7D, 0x63, 0x8D, 0x5F, 0x81, 0x4D, 0x9E, 0x6C, 0x52, 0x6D}));
}

TEST(Scrambles, SecondChallengeWithStarTakesTheNewBytesAndAnswersWithTheOldScramble)
{
    std::vector<std::uint8_t> challenge = {'*', 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    challenge.resize(24, 9);
    TScramble scramble{};
    const auto answer = AnswerSecondChallenge("segredo", challenge, scramble);
    EXPECT_EQ(scramble[0], 1);
    EXPECT_EQ(scramble[19], 9);
    EXPECT_EQ(answer, (std::vector<std::uint8_t>{0x52, 0x55, 0x4B, 0x57, 0x52, 0x5B, 0x4A, 0x46, 0x00}));
}

} // namespace
} // namespace tarrow
