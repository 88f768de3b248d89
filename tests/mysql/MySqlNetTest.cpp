#include "mysql/MySqlNet.h"

#include "tests/mysql/MemoryVio.h"
#include "tests/mysql/Raised.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>

namespace tarrow {
namespace {

using test::Bytes;
using test::Concat;
using test::Packet;
using test::RaisedArgumentError;
using test::RaisedMySqlError;
using test::TMemoryVio;

constexpr std::size_t kMax = 16777215;

struct NetOverMemory : ::testing::Test {
    TMySqlNet net;
    TMemoryVio* vio = nullptr;
    void SetUp() override
    {
        auto owned = std::make_unique<TMemoryVio>();
        vio = owned.get();
        net.AttachTransport(std::move(owned));
    }
    // The header of the packet at offset in what was sent.
    std::vector<std::uint8_t> SentHeader(std::size_t offset) const
    {
        return {vio->output.begin() + static_cast<long>(offset),
                vio->output.begin() + static_cast<long>(offset) + 4};
    }
};

// -- Writing

TEST_F(NetOverMemory, SmallCommandLeavesWithItsHeaderInOneSend)
{
    net.NewCommand();
    net.WriteByte(3);
    net.WriteBytes(std::string_view("select 1"));
    net.FlushPacket();
    EXPECT_EQ(vio->output, Concat({{9, 0, 0, 0, 3}, Bytes("select 1")}));
    EXPECT_EQ(vio->sends, std::vector<std::size_t>{13});
    EXPECT_EQ(net.SequenceNumber(), 1);
}

TEST_F(NetOverMemory, PayloadsUpTo8188BytesAreCoalescedLongerOnesSentFromTheCallersMemory)
{
    std::vector<std::uint8_t> payload(8188, 'a');
    net.NewCommand();
    net.WriteBytes(payload);
    net.FlushPacket();
    EXPECT_EQ(vio->sends, std::vector<std::size_t>{8192});

    vio->output.clear();
    vio->sends.clear();
    payload.push_back('b');
    net.NewCommand();
    net.WriteBytes(payload);
    net.FlushPacket();
    // The header announces all 8189 bytes although they leave in two sends.
    EXPECT_EQ(vio->sends, (std::vector<std::size_t>{8192, 1}));
    EXPECT_EQ(SentHeader(0), (std::vector<std::uint8_t>{0xFD, 0x1F, 0, 0}));
    EXPECT_EQ(vio->output.back(), 'b');
}

TEST_F(NetOverMemory, APayloadOfExactly16777215BytesIsFollowedByAnEmptyPacket)
{
    std::vector<std::uint8_t> payload(kMax, 7);
    net.NewCommand();
    net.WriteBytes(payload);
    net.FlushPacket();
    ASSERT_EQ(vio->output.size(), 4 + kMax + 4);
    EXPECT_EQ(SentHeader(0), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0}));
    EXPECT_EQ(SentHeader(4 + kMax), (std::vector<std::uint8_t>{0, 0, 0, 1}));
}

TEST_F(NetOverMemory, APayloadOf16777216BytesIsAFullPacketAndAOneBytePacket)
{
    std::vector<std::uint8_t> payload(kMax + 1, 7);
    payload.back() = 9;
    net.NewCommand();
    net.WriteBytes(payload);
    net.FlushPacket();
    ASSERT_EQ(vio->output.size(), 4 + kMax + 4 + 1);
    EXPECT_EQ(SentHeader(0), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0}));
    EXPECT_EQ(SentHeader(4 + kMax), (std::vector<std::uint8_t>{1, 0, 0, 1}));
    EXPECT_EQ(vio->output.back(), 9);
}

TEST_F(NetOverMemory, APayloadSplitAfterACommandByteCountsTheByteInTheFirstPacket)
{
    std::vector<std::uint8_t> payload(kMax + 100, 7);
    net.NewCommand();
    net.WriteByte(3);
    net.WriteBytes(payload);
    net.FlushPacket();
    ASSERT_EQ(vio->output.size(), 4 + kMax + 4 + 101);
    EXPECT_EQ(vio->output[4], 3);
    EXPECT_EQ(SentHeader(4 + kMax), (std::vector<std::uint8_t>{101, 0, 0, 1}));
}

TEST_F(NetOverMemory, AShortWriteIsALostConnectionWithTheTransportsText)
{
    vio->failingSends = 3;
    net.NewCommand();
    net.WriteByte(14);
    const auto e = RaisedMySqlError([&] { net.FlushPacket(); });
    EXPECT_EQ(e.ErrorCode(), 2013);
    EXPECT_EQ(e.Message(), "Lost connection to MySQL server during query\r\n"
                           "Socket error on write. WSAGetLastError return 10054($2776)");
}

TEST_F(NetOverMemory, LengthCodedValuesAreWrittenInTheirShortestForm)
{
    net.NewCommand();
    for (std::uint64_t value : {250ull, 251ull, 65535ull, 65536ull, 16777215ull, 16777216ull})
        net.WriteLengthCoded(value);
    net.FlushPacket();
    const std::vector<std::uint8_t> expected = {250,  252,  251,  0,   252, 0xFF, 0xFF, 253, 0, 0, 1, 253,
                                                0xFF, 0xFF, 0xFF, 254, 0,   0,    0,    1,   0, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(vio->output.begin() + 4, vio->output.end()), expected);
}

// -- Reading

TEST_F(NetOverMemory, ReadsOnePacketAndChecksItsSequenceNumber)
{
    vio->Feed(Packet(0, {1, 2, 3}));
    vio->Feed(Packet(1, {4}));
    net.NewCommand();
    net.ReadPacket();
    EXPECT_EQ(std::vector<std::uint8_t>(net.Packet().begin(), net.Packet().end()),
              (std::vector<std::uint8_t>{1, 2, 3}));
    net.ReadPacket();
    EXPECT_EQ(net.ReadByte(), 4);
}

TEST_F(NetOverMemory, SequenceNumbersWrapFrom255To0)
{
    for (int i = 0; i < 258; ++i) vio->Feed(Packet(static_cast<std::uint8_t>(i), {1}));
    net.NewCommand();
    for (int i = 0; i < 258; ++i) ASSERT_NO_THROW(net.ReadPacket()) << i;
}

TEST_F(NetOverMemory, AnOutOfOrderReplyIs1156NamingBothNumbers)
{
    vio->Feed(Packet(2, {0}));
    net.NewCommand();
    net.WriteByte(14);
    net.FlushPacket();
    const auto e = RaisedMySqlError([&] { net.ReadPacket(); });
    EXPECT_EQ(e.ErrorCode(), 1156);
    EXPECT_EQ(e.Message(), "\r\nReceiveHeader: Net packets out of order: received[2], expected[1]");
}

TEST_F(NetOverMemory, AMaximalPacketIsJoinedWithWhatContinuesIt)
{
    std::vector<std::uint8_t> big(kMax, 'x');
    vio->Feed(Packet(0, big));
    vio->Feed(Packet(1, {}));
    vio->Feed(Packet(2, big));
    vio->Feed(Packet(3, std::vector<std::uint8_t>(10, 'y')));
    net.NewCommand();
    net.ReadPacket();
    EXPECT_EQ(net.Length(), kMax);
    net.ReadPacket();
    EXPECT_EQ(net.Length(), kMax + 10);
    EXPECT_EQ(net.Packet().back(), 'y');
}

TEST_F(NetOverMemory, APacketBeyondTheMaximumIs2027BeforeItsBytesAreRead)
{
    // Only headers follow the first packet: reading any payload would be a lost connection (2013).
    net.SetMaxPacketSize(kMax + 5);
    vio->Feed(Packet(0, std::vector<std::uint8_t>(kMax, 'x')));
    vio->Feed({6, 0, 0, 1});    // joined with the maximal packet: kMax + 6 bytes
    vio->Feed({0xFF, 0xFF, 0xFF, 2});
    vio->Feed({0, 0, 0, 3});
    net.NewCommand();
    EXPECT_EQ(RaisedMySqlError([&] { net.ReadPacket(); }).ErrorCode(), 2027);
    net.SetMaxPacketSize(kMax - 1);
    EXPECT_EQ(RaisedMySqlError([&] { net.ReadPacket(); }).ErrorCode(), 2027);
    net.SetMaxPacketSize(0);
    EXPECT_EQ(RaisedMySqlError([&] { net.ReceiveBuffer(); }).ErrorCode(), 2027);
}

TEST_F(NetOverMemory, AServerErrorPacketRaisesTheServersCodeAndText)
{
    vio->Feed(Packet(1, Concat({{0xFF, 0x28, 0x04}, Bytes("#42000You have an error in your SQL syntax")})));
    net.NewCommand();
    net.WriteByte(3);
    net.FlushPacket();
    const auto e = RaisedMySqlError([&] { net.ReadPacket(); });
    EXPECT_EQ(e.ErrorCode(), 1064);
    EXPECT_EQ(e.Message(), "\r\n#42000You have an error in your SQL syntax");
}

TEST_F(NetOverMemory, APeerThatClosesMidPacketIs2013WithoutDetail)
{
    vio->Feed({10, 0, 0, 0, 1, 2});
    net.NewCommand();
    const auto e = RaisedMySqlError([&] { net.ReadPacket(); });
    EXPECT_EQ(e.ErrorCode(), 2013);
    EXPECT_EQ(e.Message(), "Lost connection to MySQL server during query");
}

TEST_F(NetOverMemory, LengthCodedValuesAreRead)
{
    vio->Feed(Packet(0, {250, 251, 252, 0x10, 0x27, 253, 1, 2, 3, 254, 1, 0, 0, 0, 0, 0, 0, 1, 255}));
    net.NewCommand();
    net.ReadPacket();
    EXPECT_EQ(net.ReadLengthCoded(), 250);
    EXPECT_EQ(net.ReadLengthCoded(), -1);
    EXPECT_EQ(net.ReadLengthCoded(), 10000);
    EXPECT_EQ(net.ReadLengthCoded(), 0x030201);
    EXPECT_EQ(net.ReadLengthCoded(), 0x0100000000000001);
    EXPECT_THROW(net.ReadLengthCoded(), EArgumentException);
}

TEST_F(NetOverMemory, ReadersStopAtThePacketsEnd)
{
    vio->Feed(Packet(0, {1, 2, 3}));
    vio->Feed(Packet(1, {254, 1, 2}));
    net.NewCommand();
    net.ReadPacket();
    {
        const auto e = RaisedMySqlError([&] { net.ReadInt32(); });
        EXPECT_EQ(e.ErrorCode(), 2027);
        EXPECT_EQ(e.Message(), "Malformed packet");
    }
    EXPECT_THROW(net.ReadInt64(), EArgumentException);
    EXPECT_EQ(net.ReadZString(), "\x01\x02\x03");
    EXPECT_EQ(net.ReadZString(), "");
    net.ReadPacket();
    {
        const auto e = RaisedArgumentError([&] { net.ReadLengthCoded(); });
        EXPECT_EQ(e.Message(), "");
    }
}

TEST_F(NetOverMemory, ReceiveBufferRefusesAMaximalPacket)
{
    vio->Feed(Packet(0, std::vector<std::uint8_t>(kMax, 1)));
    net.NewCommand();
    const auto e = RaisedArgumentError([&] { net.ReceiveBuffer(); });
    EXPECT_EQ(e.Message(), "Cannot retrieve huge data in FetchAll mode");
}

TEST_F(NetOverMemory, ReceiveBufferRaisesAnErrorPacket)
{
    vio->Feed(Packet(0, {3, 'd', 'e', 'f'}));
    vio->Feed(Packet(1, Concat({{0xFF, 0x7A, 0x04}, Bytes("#HY000Query execution was interrupted")})));
    net.NewCommand();
    EXPECT_EQ(net.ReceiveBuffer(), (std::vector<std::uint8_t>{3, 'd', 'e', 'f'}));
    const auto e = RaisedMySqlError([&] { net.ReceiveBuffer(); });
    EXPECT_EQ(e.ErrorCode(), 1146);
    EXPECT_EQ(e.Message(), "\r\n#HY000Query execution was interrupted");
}

TEST_F(NetOverMemory, DrainPacketReadsInPiecesAndSeesTheFirstByte)
{
    std::vector<std::uint8_t> row(200000, 'r');
    row[0] = 0xFE;
    vio->Feed(Packet(0, row));
    vio->Feed(Packet(1, {}));
    vio->Feed(Packet(2, {0xFF, 0x15, 0x04, '#', '2', '8', '0', '0', '0', 'x'}));
    net.NewCommand();
    std::uint8_t first = 1;
    EXPECT_EQ(net.DrainPacket(65536, false, first), 200000u);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(net.DrainPacket(65536, true, first), 0u);
    EXPECT_EQ(first, 0);
    EXPECT_THROW(net.DrainPacket(65536, true, first), EMySqlException);
}

// -- Compressed framing

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& bytes)
{
    uLongf length = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<std::uint8_t> out(length);
    compress(out.data(), &length, bytes.data(), static_cast<uLong>(bytes.size()));
    out.resize(length);
    return out;
}

std::vector<std::uint8_t> Inflate(const std::uint8_t* body, std::size_t bodyLength, std::size_t length)
{
    std::vector<std::uint8_t> out(length);
    uLongf outLength = static_cast<uLongf>(length);
    EXPECT_EQ(uncompress(out.data(), &outLength, body, static_cast<uLong>(bodyLength)), Z_OK);
    return out;
}

TEST_F(NetOverMemory, CompressedFramingStores50BytesAndCompresses51)
{
    net.SetCompress(true);
    net.NewCommand();
    net.WriteBytes(std::vector<std::uint8_t>(46, 'a')); // 4 + 46 = 50 bytes
    net.FlushPacket();
    ASSERT_EQ(vio->output.size(), 7u + 50u);
    EXPECT_EQ(std::vector<std::uint8_t>(vio->output.begin(), vio->output.begin() + 7),
              (std::vector<std::uint8_t>{50, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(vio->output.begin() + 7, vio->output.begin() + 11),
              (std::vector<std::uint8_t>{46, 0, 0, 0}));
    EXPECT_EQ(net.SequenceNumber(), 1); // set to the compressed sequence number

    vio->output.clear();
    net.NewCommand();
    net.WriteBytes(std::vector<std::uint8_t>(47, 'a')); // 51 bytes
    net.FlushPacket();
    const auto& out = vio->output;
    ASSERT_GE(out.size(), 7u);
    const std::size_t body = out[0] | out[1] << 8 | out[2] << 16;
    EXPECT_EQ(out.size(), 7 + body);
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[4] | out[5] << 8 | out[6] << 16, 51);
    const auto inflated = Inflate(out.data() + 7, body, 51);
    EXPECT_EQ(std::vector<std::uint8_t>(inflated.begin(), inflated.begin() + 4),
              (std::vector<std::uint8_t>{47, 0, 0, 0}));
    EXPECT_EQ(inflated.back(), 'a');
}

std::vector<std::uint8_t> Frame(std::uint8_t sequence, const std::vector<std::uint8_t>& body,
                                std::uint32_t before)
{
    return Concat({{static_cast<std::uint8_t>(body.size()), static_cast<std::uint8_t>(body.size() >> 8),
                    static_cast<std::uint8_t>(body.size() >> 16), sequence, static_cast<std::uint8_t>(before),
                    static_cast<std::uint8_t>(before >> 8), static_cast<std::uint8_t>(before >> 16)},
                   body});
}

TEST_F(NetOverMemory, CompressedInputIsInflatedAcrossFrames)
{
    // Two packets in one compressed frame, then a packet that spans a stored and a compressed frame.
    const auto both = Concat({Packet(1, Bytes("first")), Packet(2, Bytes("second"))});
    const auto spanning = Concat({Packet(3, std::vector<std::uint8_t>(300, 's'))});
    const std::vector<std::uint8_t> head(spanning.begin(), spanning.begin() + 100);
    const std::vector<std::uint8_t> tail(spanning.begin() + 100, spanning.end());
    vio->Feed(Frame(1, Deflate(both), static_cast<std::uint32_t>(both.size())));
    vio->Feed(Frame(2, head, 0));
    vio->Feed(Frame(3, Deflate(tail), static_cast<std::uint32_t>(tail.size())));
    net.SetCompress(true);
    net.NewCommand();
    net.WriteByte(3);
    net.FlushPacket();
    net.ReadPacket();
    EXPECT_EQ(net.ReadZString(), "first");
    net.ReadPacket();
    EXPECT_EQ(net.ReadZString(), "second");
    net.ReadPacket();
    EXPECT_EQ(net.Length(), 300u);
}

TEST_F(NetOverMemory, AFrameOutOfOrderIs1156FromTheFrameHeader)
{
    vio->Feed(Frame(5, Packet(1, {0}), 0));
    net.SetCompress(true);
    net.NewCommand();
    net.WriteByte(14);
    net.FlushPacket();
    const auto e = RaisedMySqlError([&] { net.ReadPacket(); });
    EXPECT_EQ(e.ErrorCode(), 1156);
    EXPECT_EQ(e.Message(), "\r\nReceiveCompHeader: Net packets out of order: received[5], expected[1]");
}

TEST_F(NetOverMemory, AFrameThatDoesNotInflateIs1157WithAnEmptyMessage)
{
    vio->Feed(Frame(0, {1, 2, 3, 4, 5, 6}, 60));
    net.SetCompress(true);
    net.NewCommand();
    const auto e = RaisedMySqlError([&] { net.ReadPacket(); });
    EXPECT_EQ(e.ErrorCode(), 1157);
    EXPECT_EQ(e.Message(), "");
}

TEST(ServerErrorPacket, CodeIsSignedAndTheTextEndsAtAZeroByte)
{
    const std::vector<std::uint8_t> packet = {0xFF, 0xFE, 0xFF, 'a', 'b', 0, 'c'};
    const auto error = ServerError(packet);
    EXPECT_EQ(error.ErrorCode(), -2);
    EXPECT_EQ(error.Message(), "\r\nab");
    const auto e = RaisedMySqlError([&] { ServerError(std::vector<std::uint8_t>{0xFF, 0x15}); });
    EXPECT_EQ(e.ErrorCode(), 2027);
    // 0 would read as success and 0xFFFF as -1, "no more results".
    for (const std::uint8_t low : {0x00, 0xFF}) {
        const auto malformed = ServerError(std::vector<std::uint8_t>{0xFF, low, low, 'x'});
        EXPECT_EQ(malformed.ErrorCode(), 2027);
        EXPECT_EQ(malformed.Message(), "Malformed packet");
    }
}

} // namespace
} // namespace tarrow
