#include "mysql/MySqlErrors.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

TEST(ClientErrors, TableCoversExactly2000To2047)
{
    EXPECT_EQ(ClientErrorText(2000), "Unknown MySQL error");
    EXPECT_EQ(ClientErrorText(2013), "Lost connection to MySQL server during query");
    EXPECT_EQ(ClientErrorText(2014), "Commands out of sync;  You can't run this command now");
    EXPECT_EQ(ClientErrorText(2044),
              "Can't open shared memory. Server abandoded and don't sent the answer event (%s)");
    EXPECT_EQ(ClientErrorText(2047), "Invalid connection handle");
    for (int code = 2000; code <= 2047; ++code) EXPECT_FALSE(ClientErrorText(code).empty()) << code;
    EXPECT_TRUE(ClientErrorText(1999).empty());
    EXPECT_TRUE(ClientErrorText(2048).empty());
    EXPECT_TRUE(ClientErrorText(1045).empty());
}

TEST(ClientErrors, MessageIsTheFilledTextThenCrLfAndTheDetail)
{
    EXPECT_EQ(
        MySqlError(2003, {std::string("db.example"), std::int64_t{10061}}, "Connection timed out").Message(),
        "Can't connect to MySQL server on 'db.example' (10061)\r\nConnection timed out");
    EXPECT_EQ(MySqlError(2007, {std::int64_t{9}, std::int64_t{10}}).Message(),
              "Protocol mismatch. Server Version = 9 Client Version = 10");
    EXPECT_EQ(MySqlError(2013).Message(), "Lost connection to MySQL server during query");
    EXPECT_EQ(MySqlError(2013, "").Message(), "Lost connection to MySQL server during query");
    EXPECT_EQ(MySqlError(2013).ErrorCode(), 2013);
}

TEST(ClientErrors, TextWithoutArgumentsStaysAsItStands)
{
    EXPECT_EQ(MySqlError(2005).Message(), "Unknown MySQL Server Host '%-.64s' (%d)");
}

TEST(ClientErrors, ServerCodesOutsideTheTableReadAsCrLfAndTheServersText)
{
    const auto error = MySqlError(1064, "#42000You have an error in your SQL syntax");
    EXPECT_EQ(error.ErrorCode(), 1064);
    EXPECT_EQ(error.Message(), "\r\n#42000You have an error in your SQL syntax");
    EXPECT_EQ(MySqlError(1157).Message(), "");
}

TEST(FormatText, PlaceholdersOfTheMessageTexts)
{
    EXPECT_EQ(FormatText("Socket error on read. WSAGetLastError return %d($%X)",
                         {std::int64_t{10060}, std::int64_t{10060}}),
              "Socket error on read. WSAGetLastError return 10060($274C)");
    EXPECT_EQ(FormatText("%-.64s via TCP/IP", {std::string(70, 'h')}), std::string(64, 'h') + " via TCP/IP");
    EXPECT_EQ(FormatText("[%5s|%-5s|%3d]", {std::string("ab"), std::string("cd"), std::int64_t{7}}),
              "[   ab|cd   |  7]");
    EXPECT_EQ(FormatText("100%% %s", {std::string("done")}), "100% done");
    EXPECT_EQ(FormatText("%x %u", {std::int64_t{255}, std::int64_t{-1}}), "ff 4294967295");
}

TEST(FormatText, MissingOrMismatchedArgumentsLeaveThePlaceholder)
{
    EXPECT_EQ(FormatText("%s and %d", {std::string("one")}), "one and %d");
    EXPECT_EQ(FormatText("%d", {std::string("text")}), "%d");
    EXPECT_EQ(FormatText("ends with %", {}), "ends with %");
}

} // namespace
} // namespace tarrow
