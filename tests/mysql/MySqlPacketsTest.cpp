#include "mysql/MySqlPackets.h"

#include "mysql/MySqlErrors.h"
#include "tests/mysql/Raised.h"
#include "tests/mysql/ServerPackets.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

using test::ColumnPacket;
using test::OldColumnPacket;
using test::RaisedMySqlError;
using test::RowPacket;
using test::TColumnSpec;

std::string Value(const TMySqlBinds& binds, std::size_t column)
{
    const auto& bind = binds.Binds[column];
    return std::string(reinterpret_cast<const char*>(binds.Row.data()) + bind.Offset, bind.Length);
}

// -- OK and end packets

TEST(OkPacket, InsertAnsweredWithOneRowAndId57)
{
    const auto ok = ParseOkPacket(test::OkPacket(1, 57, 0x0002, 3, "Records: 1"), true, true);
    EXPECT_EQ(ok.AffectedRows, 1);
    EXPECT_EQ(ok.InsertId, 57);
    EXPECT_TRUE(ok.HasStatus);
    EXPECT_EQ(ok.ServerStatus, 2);
    EXPECT_EQ(ok.WarningCount, 3);
    EXPECT_EQ(ok.Info, "Records: 1");
}

TEST(OkPacket, WithoutThe41ProtocolOnlyTransactionsBringTheStatus)
{
    const std::vector<std::uint8_t> withStatus = {0, 2, 0, 0x08, 0x00, 'h', 'i'};
    const auto ok = ParseOkPacket(withStatus, false, true);
    EXPECT_EQ(ok.ServerStatus, 8);
    EXPECT_FALSE(ok.HasWarnings);
    EXPECT_EQ(ok.Info, "hi");
    const auto old = ParseOkPacket(std::vector<std::uint8_t>{0, 2, 0, 'h', 'i'}, false, false);
    EXPECT_FALSE(old.HasStatus);
    EXPECT_EQ(old.Info, "hi");
}

TEST(OkPacket, TheMessageIsTakenWithOrWithoutItsLengthPrefix)
{
    const std::vector<std::uint8_t> prefixed = {0, 0, 0, 2, 0, 0, 0, 4, 'a', 'b', 'c', 'd'};
    EXPECT_EQ(ParseOkPacket(prefixed, true, true).Info, "abcd");
    const std::vector<std::uint8_t> bare = {0, 0, 0, 2, 0, 0, 0, 'a', 'b', 'c', 'd'};
    EXPECT_EQ(ParseOkPacket(bare, true, true).Info, "abcd");
    const std::vector<std::uint8_t> none = {0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(ParseOkPacket(none, true, true).Info, "");
}

TEST(OkPacket, ACutPacketIsMalformed)
{
    const auto e = RaisedMySqlError([&] {
        ParseOkPacket(std::vector<std::uint8_t>{0, 1, 0, 2}, true, true);
    });
    EXPECT_EQ(e.ErrorCode(), 2027);
}

TEST(EndPacket, CarriesWarningsAndStatusWhenLongerThanOneByte)
{
    EXPECT_TRUE(IsEndPacket(test::EndPacket(1, 0x0A)));
    const auto end = ParseEndPacket(test::EndPacket(1, 0x0A));
    EXPECT_EQ(end.WarningCount, 1);
    EXPECT_EQ(end.ServerStatus, 0x0A);
    EXPECT_FALSE(ParseEndPacket(std::vector<std::uint8_t>{0xFE}).HasCounts);
    EXPECT_FALSE(ParseEndPacket(std::vector<std::uint8_t>{0xFE, 1, 0}).HasCounts);
    // A row whose first value is announced with 254 is at least 9 bytes long.
    EXPECT_FALSE(IsEndPacket(std::vector<std::uint8_t>{0xFE, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(IsEndPacket(std::vector<std::uint8_t>{}));
}

// -- Rows

TEST(Row, NullEmptyAndOrdinaryValues)
{
    const auto row = RowPacket({std::nullopt, std::string(), std::string("abc")});
    TMySqlBinds binds;
    ParseRow(row, 3, binds);
    EXPECT_TRUE(binds.Binds[0].IsNull);
    EXPECT_EQ(binds.Binds[0].Offset, 0u);
    EXPECT_EQ(binds.Binds[0].Length, 0u);
    EXPECT_FALSE(binds.Binds[1].IsNull);
    EXPECT_EQ(binds.Binds[1].Length, 0u);
    EXPECT_GE(binds.Binds[1].Offset, 1u);
    EXPECT_EQ(Value(binds, 2), "abc");
    EXPECT_EQ(binds.Row.data(), row.data()); // the bindings point into the packet
}

TEST(Row, LengthPrefixes250And252And253And254)
{
    for (std::size_t length : {250u, 251u, 300u, 65535u, 65536u, 16777216u}) {
        const auto row = RowPacket({std::string(length, 'v'), std::string("z")});
        TMySqlBinds binds;
        ParseRow(row, 2, binds);
        EXPECT_EQ(binds.Binds[0].Length, length);
        EXPECT_EQ(Value(binds, 1), "z");
    }
    const auto row300 = RowPacket({std::string(300, 'v')});
    EXPECT_EQ(std::vector<std::uint8_t>(row300.begin(), row300.begin() + 3),
              (std::vector<std::uint8_t>{252, 0x2C, 0x01}));
}

TEST(Row, With254OnlyTheLowFourLengthBytesCount)
{
    std::vector<std::uint8_t> row = {254, 3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'};
    TMySqlBinds binds;
    ParseRow(row, 1, binds);
    EXPECT_EQ(Value(binds, 0), "abc");
}

TEST(Row, Prefix255IsAnArgumentError)
{
    TMySqlBinds binds;
    EXPECT_THROW(ParseRow(std::vector<std::uint8_t>{255, 1}, 1, binds), EArgumentException);
}

TEST(Row, ValuesRunningPastThePacketAreMalformed)
{
    const std::vector<std::vector<std::uint8_t>> cut = {
        {},                // no value at all
        {5, 'a', 'b'},     // shorter than announced
        {252, 1},          // length cut
        {253, 0, 0},       // length cut
        {254, 1, 0, 0, 0}, // length cut
        {254, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 'a'},
        {1, 'a'}, // second column missing
    };
    for (const auto& row : cut) {
        TMySqlBinds binds;
        try {
            ParseRow(row, 2, binds);
            ADD_FAILURE() << "accepted a row of " << row.size() << " bytes";
        } catch (const EMySqlException& e) {
            EXPECT_EQ(e.ErrorCode(), 2027);
        }
    }
}

// -- Column descriptions

TEST(ColumnDescription, A41DescriptionGivesNamesAndTheFixedBlock)
{
    TColumnSpec shape;
    shape.Charset = 33;
    shape.Length = 765;
    shape.Type = 253;
    shape.Flags = 0x1001;
    shape.Decimals = 31;
    const auto info = ParseFieldInfo(ColumnPacket(shape), true, true);
    EXPECT_EQ(info.Database, "gerente");
    EXPECT_EQ(info.Table, "m");
    EXPECT_EQ(info.BaseTable, "movment");
    EXPECT_EQ(info.Name, "registro");
    EXPECT_EQ(info.BaseColumnName, "numlanc");
    EXPECT_EQ(info.CharsetNumber, 33);
    EXPECT_EQ(info.Length, 765u);
    EXPECT_EQ(info.Type, 253);
    EXPECT_EQ(info.Flags, 0x1001);
    EXPECT_EQ(info.Decimals, 31);
}

TEST(ColumnDescription, BlobWithLengthFFFFFFFFKeepsTheFullLength)
{
    TColumnSpec shape;
    shape.Type = 252;
    shape.Length = 0xFFFFFFFF;
    EXPECT_EQ(ParseFieldInfo(ColumnPacket(shape), true, true).Length, 4294967295u);
}

TEST(ColumnDescription, NumericFlagFollowsTheType)
{
    struct {
        std::uint8_t type;
        std::uint32_t length;
        bool numeric;
    } cases[] = {{0, 10, true},   {3, 11, true},    {5, 22, true},    {8, 20, true},      {9, 9, true},
                 {13, 4, true},   {7, 14, true},    {7, 8, true},     {7, 19, false},     {10, 10, false},
                 {12, 19, false}, {246, 12, false}, {253, 30, false}, {252, 65535, false}};
    for (const auto& c : cases) {
        TColumnSpec shape;
        shape.Type = c.type;
        shape.Length = c.length;
        const auto info = ParseFieldInfo(ColumnPacket(shape), true, true);
        EXPECT_EQ((info.Flags & kNumericFlag) != 0, c.numeric) << int(c.type) << "/" << c.length;
    }
}

TEST(ColumnDescription, OldLayoutReadsTwoFlagBytesWithLongFlagsAndOneWithout)
{
    const auto withLong =
        ParseFieldInfo(OldColumnPacket("movment", "numlanc", 11, 3, 0x4203, 0, true), false, true);
    EXPECT_EQ(withLong.Table, "movment");
    EXPECT_EQ(withLong.BaseTable, "movment");
    EXPECT_EQ(withLong.Name, "numlanc");
    EXPECT_EQ(withLong.BaseColumnName, "");
    EXPECT_EQ(withLong.Database, "");
    EXPECT_EQ(withLong.CharsetNumber, 0);
    EXPECT_EQ(withLong.Length, 11u);
    EXPECT_EQ(withLong.Flags, 0x4203 | kNumericFlag);
    EXPECT_EQ(withLong.Decimals, 0);

    const auto shortFlags =
        ParseFieldInfo(OldColumnPacket("t", "preco", 12, 4, 0x03, 2, false), false, false);
    EXPECT_EQ(shortFlags.Flags, 0x03 | kNumericFlag);
    EXPECT_EQ(shortFlags.Decimals, 2);
}

TEST(ColumnDescription, ACutFixedBlockIsMalformed)
{
    auto packet = ColumnPacket(TColumnSpec{});
    packet.resize(packet.size() - 3);
    EXPECT_THROW(ParseFieldInfo(packet, true, true), EMySqlException);
    EXPECT_THROW(ParseFieldInfo(OldColumnPacket("t", "c", 1, 1, 1, 0, false), false, true), EMySqlException);
}

} // namespace
} // namespace tarrow
