// Conversations with a scripted server on the loopback interface: what the client sends, byte for
// byte, and how it takes each answer.

#include "mysql/MySqlApiDirect.h"

#include "tests/mysql/LoopbackListener.h"
#include "tests/mysql/ServerPackets.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>

namespace tarrow {
namespace {

using test::TGreetingShape;
using test::TScriptedPeer;
using test::TScriptedServer;
using Bytes = std::vector<std::uint8_t>;

TMySQLAPIDirect& Api()
{
    return MySQLAPIDirect();
}

Bytes Text(const std::string& text)
{
    return {text.begin(), text.end()};
}

// Greeting, login packet (returned), OK.
TScriptedPeer::TReceivedPacket ServeLogin(TScriptedPeer& peer, const TGreetingShape& shape = {})
{
    peer.SendPacket(0, test::GreetingPacket(shape));
    auto login = peer.ReceivePacket();
    peer.SendPacket(2, test::OkPacket());
    return login;
}

struct Conversation : ::testing::Test {
    TMySqlSessionPtr session{Api().mysql_init()};

    TMySqlSession* Connect(int port, const std::string& password = "segredo",
                           const std::string& database = "gerente", std::uint32_t flags = 0x10002)
    {
        return Api().mysql_real_connect(session.get(), "127.0.0.1", "root", password, database, port, "",
                                        flags);
    }
};

// -- Login

TEST_F(Conversation, LoginWithTheProgramsDefaultsSendsTheExpectedPacket)
{
    TScriptedPeer::TReceivedPacket login;
    TScriptedServer server([&](TScriptedPeer& peer) {
        login = ServeLogin(peer);
        peer.WaitForClose();
    });
    ASSERT_EQ(Connect(server.Port()), session.get()) << Api().mysql_error(session.get());
    EXPECT_EQ(Api().mysql_get_server_info(session.get()), "10.11.19-MariaDB");
    EXPECT_EQ(Api().mysql_get_host_info(session.get()), "127.0.0.1 via TCP/IP");
    EXPECT_EQ(Api().mysql_get_client_info(), "4.1.3 Direct");
    EXPECT_EQ(Api().mysql_thread_id(session.get()), 42u);
    EXPECT_EQ(session->ClientFlags(), 0x3A28Fu);
    EXPECT_EQ(Api().mysql_errno(session.get()), 0);
    session.reset();
    server.Finish();

    EXPECT_EQ(login.Sequence, 1);
    Bytes start = {0x8F, 0xA2, 0x03, 0x00, 0x00, 0x00, 0x00, 0x40, 0x08};
    start.insert(start.end(), 23, 0);
    ASSERT_GE(login.Payload.size(), start.size());
    EXPECT_EQ(Bytes(login.Payload.begin(), login.Payload.begin() + 32), start);
    EXPECT_EQ(Bytes(login.Payload.end() - 7, login.Payload.end()), Text("gerente"));
}

TEST_F(Conversation, EmptyPasswordAndDatabaseEndTheLoginWithTwoZeroBytesAndNoSecondStep)
{
    TScriptedPeer::TReceivedPacket login;
    TScriptedServer server([&](TScriptedPeer& peer) {
        login = ServeLogin(peer);
        peer.WaitForClose();
    });
    ASSERT_EQ(Connect(server.Port(), "", ""), session.get());
    session.reset();
    server.Finish();
    EXPECT_EQ(Bytes(login.Payload.begin() + 32, login.Payload.end()), (Bytes{'r', 'o', 'o', 't', 0, 0, 0}));
}

TEST_F(Conversation, ProtocolVersion9IsRefusedWith2007)
{
    TScriptedServer server([&](TScriptedPeer& peer) {
        TGreetingShape shape;
        shape.ProtocolVersion = 9;
        peer.SendPacket(0, test::GreetingPacket(shape));
        peer.WaitForClose();
    });
    EXPECT_EQ(Connect(server.Port()), nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 2007);
    EXPECT_EQ(Api().mysql_error(session.get()), "Protocol mismatch. Server Version = 9 Client Version = 10");
    session.reset();
    server.Finish();
}

TEST_F(Conversation, ALoneFEAsksForTheOldScrambleAsPacket3)
{
    TScriptedPeer::TReceivedPacket reply;
    TScriptedServer server([&](TScriptedPeer& peer) {
        peer.SendPacket(0, test::GreetingPacket({}));
        peer.ReceivePacket();
        peer.SendPacket(2, {0xFE});
        reply = peer.ReceivePacket();
        peer.SendPacket(4, test::OkPacket());
        peer.WaitForClose();
    });
    ASSERT_EQ(Connect(server.Port()), session.get()) << Api().mysql_error(session.get());
    session.reset();
    server.Finish();
    EXPECT_EQ(reply.Sequence, 3);
    EXPECT_EQ(reply.Payload, OldScramble("segredo", std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(Conversation, ASecondChallengeOf24BytesIsAnsweredBothWays)
{
    Bytes challenge = {9, 8, 7, 6};
    for (int i = 0; i < 20; ++i) challenge.push_back(static_cast<std::uint8_t>(200 + i));
    Bytes starChallenge = challenge;
    starChallenge[0] = '*';
    for (const Bytes& sent : {challenge, starChallenge}) {
        TMySqlSessionPtr own(Api().mysql_init());
        TScriptedPeer::TReceivedPacket reply;
        TScriptedServer server([&](TScriptedPeer& peer) {
            peer.SendPacket(0, test::GreetingPacket({}));
            peer.ReceivePacket();
            peer.SendPacket(2, sent);
            reply = peer.ReceivePacket();
            peer.SendPacket(4, test::OkPacket());
            peer.WaitForClose();
        });
        ASSERT_EQ(
            Api().mysql_real_connect(own.get(), "127.0.0.1", "root", "segredo", "", server.Port(), "", 0),
            own.get());
        TScramble expectedScramble{};
        const auto expected = AnswerSecondChallenge("segredo", sent, expectedScramble);
        EXPECT_EQ(own->Scramble(), expectedScramble);
        own.reset();
        server.Finish();
        EXPECT_EQ(reply.Sequence, 3);
        EXPECT_EQ(reply.Payload, expected);
        EXPECT_EQ(reply.Payload.size(), sent[0] == '*' ? 9u : 20u);
    }
}

TEST_F(Conversation, WithoutTheFullScrambleThePasswordIsEightXAndAZero)
{
    TScriptedPeer::TReceivedPacket login;
    TScriptedServer server([&](TScriptedPeer& peer) {
        TGreetingShape shape;
        shape.FullScramble = false;
        login = ServeLogin(peer, shape);
        peer.WaitForClose();
    });
    ASSERT_EQ(Connect(server.Port(), "segredo", "db"), session.get());
    session.reset();
    server.Finish();
    EXPECT_EQ(Bytes(login.Payload.begin() + 37, login.Payload.end()),
              (Bytes{'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 0, 'd', 'b'}));
}

TEST_F(Conversation, AShortGreetingGivesTheOldLayoutAndTheOldScramble)
{
    TScriptedPeer::TReceivedPacket login;
    TScriptedServer server([&](TScriptedPeer& peer) {
        TGreetingShape shape;
        shape.Short = true;
        peer.SendPacket(0, test::GreetingPacket(shape));
        login = peer.ReceivePacket();
        peer.SendPacket(2, {0, 0, 0});
        peer.WaitForClose();
    });
    ASSERT_EQ(Connect(server.Port()), session.get()) << Api().mysql_error(session.get());
    EXPECT_EQ(session->ServerStatus(), 2);
    session.reset();
    server.Finish();
    // No capabilities: flags without the 4.1 bits, three zero bytes, user, old scramble; no database.
    Bytes expected = {0x8F, 0xA0, 0, 0, 0, 'r', 'o', 'o', 't', 0};
    const auto scramble = OldScramble("segredo", std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8});
    expected.insert(expected.end(), scramble.begin(), scramble.end());
    EXPECT_EQ(login.Payload, expected);
}

TEST_F(Conversation, ARefusedLoginReportsTheServersCodeAndText)
{
    TScriptedServer server([&](TScriptedPeer& peer) {
        peer.SendPacket(0, test::GreetingPacket({}));
        peer.ReceivePacket();
        peer.SendPacket(
            2,
            test::ErrorPacket(1045, "#28000Access denied for user 'root'@'localhost' (using password: YES)"));
        peer.WaitForClose();
    });
    EXPECT_EQ(Connect(server.Port()), nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 1045);
    EXPECT_EQ(Api().mysql_error(session.get()),
              "\r\n#28000Access denied for user 'root'@'localhost' (using password: YES)");
    session.reset();
    server.Finish();
}

TEST_F(Conversation, AnAnswerOutOfOrderDuringLoginIs1156)
{
    TScriptedServer server([&](TScriptedPeer& peer) {
        peer.SendPacket(0, test::GreetingPacket({}));
        peer.ReceivePacket();
        peer.SendPacket(3, test::OkPacket());
        peer.WaitForClose();
    });
    EXPECT_EQ(Connect(server.Port()), nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 1156);
    EXPECT_EQ(Api().mysql_error(session.get()),
              "\r\nReceiveHeader: Net packets out of order: received[3], expected[2]");
    session.reset();
    server.Finish();
}

TEST_F(Conversation, ProtocolsWithoutATransportAre2046OnAFreshSession)
{
    for (const std::uint8_t protocol : {2, 3, 4, 5, 6, 9}) {
        TMySqlSessionPtr fresh(Api().mysql_init());
        Api().mysql_options(fresh.get(), kMySqlOptProtocol, &protocol);
        EXPECT_EQ(Api().mysql_real_connect(fresh.get(), "127.0.0.1", "root", "", "", 1, "", 0), nullptr);
        EXPECT_EQ(Api().mysql_errno(fresh.get()), 2046) << int(protocol);
        EXPECT_EQ(Api().mysql_error(fresh.get()), "Wrong or unknown protocol");
    }
    TMySqlSessionPtr tls(Api().mysql_init());
    Api().mysql_ssl_set(tls.get(), "k", "c", "ca", "", "");
    EXPECT_EQ(Api().mysql_real_connect(tls.get(), "127.0.0.1", "root", "", "", 1, "", 0), nullptr);
    EXPECT_EQ(Api().mysql_errno(tls.get()), 2046);
    TMySqlSessionPtr pipe(Api().mysql_init());
    Api().mysql_options(pipe.get(), kMySqlOptNamedPipe, nullptr);
    EXPECT_EQ(Api().mysql_real_connect(pipe.get(), "127.0.0.1", "root", "", "", 1, "", 0), nullptr);
    EXPECT_EQ(Api().mysql_errno(pipe.get()), 2046);
}

TEST_F(Conversation, CompressionComesFromTheConnectFlagNotFromTheOption)
{
    Bytes firstFrame;
    TScriptedServer server([&](TScriptedPeer& peer) {
        ServeLogin(peer);
        firstFrame = peer.Receive(7);
        const std::size_t body = firstFrame[0] | firstFrame[1] << 8 | firstFrame[2] << 16;
        peer.Receive(body);
        // The answer: a stored frame holding an OK packet.
        const Bytes ok = test::OkPacket(0, 0);
        Bytes packet = {static_cast<std::uint8_t>(ok.size()), 0, 0, 1};
        packet.insert(packet.end(), ok.begin(), ok.end());
        peer.SendFrame(1, packet, 0);
        peer.WaitForClose();
    });
    const int compress = 1;
    Api().mysql_options(session.get(), kMySqlOptCompress, &compress);
    ASSERT_EQ(Connect(server.Port(), "segredo", "gerente", 0x10022), session.get());
    EXPECT_TRUE(session->ClientFlags() & kClientCompress);
    EXPECT_EQ(Api().mysql_real_query(session.get(), "do 1"), 0) << Api().mysql_error(session.get());
    session.reset();
    server.Finish();
    EXPECT_EQ(firstFrame, (Bytes{9, 0, 0, 0, 0, 0, 0})); // the 9-byte query packet, stored

    TMySqlSessionPtr plain(Api().mysql_init());
    TScriptedServer second([&](TScriptedPeer& peer) {
        ServeLogin(peer);
        peer.WaitForClose();
    });
    Api().mysql_options(plain.get(), kMySqlOptCompress, &compress);
    ASSERT_NE(Api().mysql_real_connect(plain.get(), "127.0.0.1", "root", "", "", second.Port(), "", 0x10002),
              nullptr);
    EXPECT_FALSE(plain->ClientFlags() & kClientCompress);
    EXPECT_FALSE(plain->Net().Compress());
    plain.reset();
    second.Finish();
}

// -- Commands and results

// A logged-in session against a server that then runs the rest of the script.
struct Commands : Conversation {
    std::unique_ptr<TScriptedServer> server;
    void Serve(std::function<void(TScriptedPeer&)> afterLogin)
    {
        server = std::make_unique<TScriptedServer>([afterLogin](TScriptedPeer& peer) {
            ServeLogin(peer);
            afterLogin(peer);
        });
        ASSERT_EQ(Connect(server->Port()), session.get()) << Api().mysql_error(session.get());
    }
    void TearDown() override
    {
        session.reset();
        if (server) server->Finish();
    }
};

void SendResultHeader(TScriptedPeer& peer, std::uint8_t& sequence,
                      const std::vector<test::TColumnSpec>& columns, std::uint16_t status = 2)
{
    peer.SendPacket(sequence++, test::LengthCoded(columns.size()));
    for (const auto& column : columns) peer.SendPacket(sequence++, test::ColumnPacket(column));
    peer.SendPacket(sequence++, test::EndPacket(0, status));
}

test::TColumnSpec Column(const std::string& name, std::uint8_t type = 253)
{
    test::TColumnSpec shape;
    shape.Name = shape.BaseName = name;
    shape.Type = type;
    return shape;
}

TEST_F(Commands, AnInsertAnsweredByAnOkPacket)
{
    TScriptedPeer::TReceivedPacket query;
    Serve([&](TScriptedPeer& peer) {
        query = peer.ReceivePacket();
        peer.SendPacket(1, test::OkPacket(1, 57, 2, 0, "done"));
        peer.WaitForClose();
    });
    const std::string sql = "insert into van_pendentes (numlanc) values (1)";
    ASSERT_EQ(Api().mysql_real_query(session.get(), sql.data(), sql.size()), 0);
    EXPECT_EQ(Api().mysql_field_count(session.get()), 0);
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), 1);
    EXPECT_EQ(Api().mysql_insert_id(session.get()), 57);
    EXPECT_EQ(Api().mysql_info(session.get()), "done");
    EXPECT_EQ(session->State(), kStateReady);
    EXPECT_EQ(Api().mysql_use_result(session.get()), nullptr);
    EXPECT_EQ(query.Sequence, 0);
    Bytes expected = {kComQuery};
    expected.insert(expected.end(), sql.begin(), sql.end());
    EXPECT_EQ(query.Payload, expected);
}

TEST_F(Commands, RowsWithNullEmptyAndLongValues)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        SendResultHeader(peer, seq, {Column("a"), Column("b"), Column("c")});
        peer.SendPacket(seq++, test::RowPacket({std::nullopt, std::string(), std::string(300, 'v')}));
        peer.SendPacket(seq++, test::RowPacket({std::string("1"), std::string("2"), std::string("3")}));
        peer.SendPacket(seq++, test::EndPacket(1, 2));
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select a, b, c from t"), 0);
    EXPECT_EQ(Api().mysql_field_count(session.get()), 3);
    EXPECT_EQ(session->State(), kStateResultHeader);
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(session->State(), kStateReadingRows);
    EXPECT_EQ(Api().mysql_num_fields(result.get()), 3);
    ASSERT_NE(Api().mysql_fetch_row(result.get()), nullptr);
    EXPECT_TRUE(Api().IsNull(result.get(), 0));
    EXPECT_EQ(Api().ColumnBytes(result.get(), 0), nullptr);
    EXPECT_FALSE(Api().IsNull(result.get(), 1));
    EXPECT_NE(Api().ColumnBytes(result.get(), 1), nullptr);
    std::vector<std::uint32_t> lengths;
    Api().RowLengths(result.get(), lengths);
    EXPECT_EQ(lengths, (std::vector<std::uint32_t>{0, 0, 300}));
    EXPECT_EQ(Api().ColumnText(result.get(), 2), std::string(300, 'v'));
    char copy[8];
    EXPECT_EQ(Api().CopyColumnBytesZ(result.get(), 2, 4, copy, 2), 4u);
    EXPECT_STREQ(copy + 2, "vvvv");
    ASSERT_NE(Api().mysql_fetch_row(result.get()), nullptr);
    EXPECT_EQ(Api().ColumnText(result.get(), 1), "2");
    EXPECT_EQ(Api().mysql_fetch_row(result.get()), nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 0);
    EXPECT_EQ(session->State(), kStateReady);
    EXPECT_EQ(session->WarningCount(), 1);
    EXPECT_EQ(result->RowsRead(), 2);
}

TEST_F(Commands, ASelectWithoutRowsEndsAtTheFirstFetch)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        SendResultHeader(peer, seq, {Column("a")});
        peer.SendPacket(seq++, test::EndPacket());
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select a from t where false"), 0);
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(Api().mysql_fetch_row(result.get()), nullptr);
    EXPECT_EQ(session->State(), kStateReady);
    EXPECT_EQ(Api().mysql_errno(session.get()), 0);
}

TEST_F(Commands, ACommandWhileRowsAreUnreadIs2014AndFreeingTheResultRecovers)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        SendResultHeader(peer, seq, {Column("a")});
        for (int i = 0; i < 3; ++i) peer.SendPacket(seq++, test::RowPacket({std::to_string(i)}));
        peer.SendPacket(seq++, test::EndPacket());
        const auto next = peer.ReceivePacket();
        if (next.Payload != Bytes{kComPing}) throw std::runtime_error("expected a ping");
        peer.SendPacket(1, test::OkPacket());
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select a from t"), 0);
    EXPECT_EQ(Api().mysql_ping(session.get()), 2014);
    EXPECT_EQ(Api().mysql_error(session.get()), "Commands out of sync;  You can't run this command now");
    TMySqlResultSet* result = Api().mysql_use_result(session.get());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(Api().mysql_use_result(session.get()), nullptr); // no descriptions left to take
    ASSERT_NE(Api().mysql_fetch_row(result), nullptr);
    EXPECT_EQ(Api().mysql_real_query(session.get(), "select 1"), 2014);
    EXPECT_EQ(Api().mysql_next_result(session.get()), 2014);
    EXPECT_EQ(Api().mysql_error(session.get()),
              "Commands out of sync;  You can't run this command now\r\nmysql.status = 2");
    Api().mysql_free_result(result);
    EXPECT_EQ(session->State(), kStateReady);
    EXPECT_EQ(Api().mysql_ping(session.get()), 0) << Api().mysql_error(session.get());
}

TEST_F(Commands, UseResultInTheWrongStateIs2014WithTheStatus)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        SendResultHeader(peer, seq, {Column("a")});
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select a from t"), 0);
    session->SetState(kStateReady); // descriptions held, but no longer in the header state
    EXPECT_EQ(Api().mysql_use_result(session.get()), nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 2014);
    EXPECT_EQ(Api().mysql_error(session.get()),
              "Commands out of sync;  You can't run this command now\r\nmysql.status = 0");
}

TEST_F(Commands, NextResultWithoutMoreResultsIsMinusOneAndLeavesAffectedRowsAtMinusOne)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        peer.SendPacket(1, test::OkPacket(3, 0, 2));
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "update t set a = 1"), 0);
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), 3);
    EXPECT_FALSE(Api().mysql_more_results(session.get()));
    EXPECT_EQ(Api().mysql_next_result(session.get()), -1);
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), -1);
}

TEST_F(Commands, TwoResultsOfOneQuery)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        SendResultHeader(peer, seq, {Column("a")}, 0x000A);
        peer.SendPacket(seq++, test::RowPacket({std::string("1")}));
        peer.SendPacket(seq++, test::EndPacket(0, 0x000A));
        peer.SendPacket(seq++, test::OkPacket(2, 0, 0x0002));
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select 1; update t set a = 2"), 0);
    Api().mysql_free_result(Api().mysql_use_result(session.get())); // skipped unread
    EXPECT_TRUE(Api().mysql_more_results(session.get()));
    EXPECT_EQ(Api().mysql_next_result(session.get()), 0);
    EXPECT_EQ(Api().mysql_field_count(session.get()), 0);
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), 2);
    EXPECT_EQ(Api().mysql_next_result(session.get()), -1);
}

TEST_F(Commands, AnErrorPacketInsteadOfARowIsStoredAndEndsTheRows)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        SendResultHeader(peer, seq, {Column("a")});
        peer.SendPacket(seq++, test::ErrorPacket(1317, "#70100Query execution was interrupted"));
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select a from t"), 0);
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    EXPECT_EQ(Api().mysql_fetch_row(result.get()), nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 1317);
    EXPECT_EQ(Api().mysql_error(session.get()), "\r\n#70100Query execution was interrupted");
    EXPECT_EQ(session->State(), kStateReady);
}

TEST_F(Commands, DescriptionsBeyondTheAnnouncedCountStopAtTheFirstExtraOneWith2027)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        peer.SendPacket(seq++, test::LengthCoded(1));
        // In one send, which the socket takes whole: the client stops reading and closes early.
        Bytes flood;
        for (int i = 0; i < 200; ++i) {
            std::string name = "c";  // appended: GCC 12 at -O3 warns falsely of "c" + std::to_string
            name += std::to_string(i);
            const Bytes column = test::ColumnPacket(Column(name));
            test::PutLittleEndian(flood, column.size(), 3);
            flood.push_back(seq++);
            flood.insert(flood.end(), column.begin(), column.end());
        }
        peer.Send(flood);
        peer.WaitForClose();
    });
    EXPECT_EQ(Api().mysql_real_query(session.get(), "select 1"), 2027);
    EXPECT_EQ(session->FieldInfos().size(), 1u);
    EXPECT_EQ(Api().mysql_use_result(session.get()), nullptr);
}

TEST_F(Commands, SkippingARowLongerThanAPacketNeverTakesItsContinuationForAnEndPacket)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        SendResultHeader(peer, seq, {Column("a", 251)});
        // One value of 16777215 + 4 bytes: a maximal packet, then a continuation that looks like
        // an end packet.
        Bytes first = {254};
        test::PutLittleEndian(first, 16777215 + 4 - 9, 8);
        first.resize(16777215, 'b');
        peer.SendPacket(seq++, first);
        peer.SendPacket(seq++, {0xFE, 'b', 'b', 'b'});
        peer.SendPacket(seq++, test::EndPacket());
        const auto next = peer.ReceivePacket();
        peer.SendPacket(1, test::OkPacket());
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select a from t"), 0);
    Api().mysql_free_result(Api().mysql_use_result(session.get()));
    EXPECT_EQ(session->State(), kStateReady);
    EXPECT_EQ(Api().mysql_ping(session.get()), 0) << Api().mysql_error(session.get());
}

TEST_F(Commands, LocalInfileSendsTheFileInPacketsAndEndsWithAnEmptyOne)
{
    test::TTempDir dir;
    std::string content(20000, 'x');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 26);
    const std::string path = dir.Write("linhas.txt", content);
    std::vector<TScriptedPeer::TReceivedPacket> received;
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        Bytes request = {251};
        test::PutText(request, path);
        peer.SendPacket(1, request);
        for (;;) {
            received.push_back(peer.ReceivePacket());
            if (received.back().Payload.empty()) break;
        }
        peer.SendPacket(static_cast<std::uint8_t>(received.back().Sequence + 1),
                        test::OkPacket(3, 0, 2, 0, "Records: 3"));
        peer.WaitForClose();
    });
    Api().mysql_options(session.get(), kMySqlOptLocalInfile, nullptr);
    ASSERT_EQ(Api().mysql_real_query(session.get(), "load data local infile 'x' into table t"), 0)
        << Api().mysql_error(session.get());
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), 3);
    session.reset();
    server->Finish();
    server.reset();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[0].Sequence, 2);
    EXPECT_EQ(received[0].Payload.size(), 8192u);
    EXPECT_EQ(received[1].Payload.size(), 8192u);
    EXPECT_EQ(received[2].Payload.size(), 20000u - 2 * 8192u);
    EXPECT_EQ(received[3].Sequence, 5);
    std::string joined;
    for (const auto& p : received) joined.append(p.Payload.begin(), p.Payload.end());
    EXPECT_EQ(joined, content);
}

TEST_F(Commands, AMissingLocalInfileStillEndsTheTransferThenRaisesTheFileError)
{
    TScriptedPeer::TReceivedPacket empty;
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        Bytes request = {251};
        test::PutText(request, "/nonexistent/tarrow.txt");
        peer.SendPacket(1, request);
        empty = peer.ReceivePacket();
        peer.SendPacket(3, test::OkPacket());
        const auto next = peer.ReceivePacket();
        peer.SendPacket(1, test::OkPacket());
        peer.WaitForClose();
    });
    const unsigned on = 1;
    Api().mysql_options(session.get(), kMySqlOptLocalInfile, &on);
    EXPECT_THROW(Api().mysql_real_query(session.get(), "load data local infile 'x' into table t"),
                 ELocalInfileError);
    EXPECT_EQ(Api().mysql_ping(session.get()), 0) << Api().mysql_error(session.get());
    session.reset();
    server->Finish();
    server.reset();
    EXPECT_EQ(empty.Sequence, 2);
    EXPECT_TRUE(empty.Payload.empty());
}

TEST_F(Commands, ALocalInfileRequestIsRefusedUnlessLocalLoadsAreOnWhateverTheServerAnswers)
{
    test::TTempDir dir;
    const std::string path = dir.Write("sistema_kesto.ini", "[Conexao]\nSenha=segredo\n");
    std::vector<TScriptedPeer::TReceivedPacket> received;
    Serve([&](TScriptedPeer& peer) {
        for (int statement = 0; statement < 3; ++statement) {
            peer.ReceivePacket();
            Bytes request = {251};
            test::PutText(request, path);
            peer.SendPacket(1, request);
            received.push_back(peer.ReceivePacket());
            // An empty file is a load of no rows, or a refusal.
            peer.SendPacket(3, statement == 1 ? test::ErrorPacket(1148, "#42000The used command is not allowed")
                                              : test::OkPacket(0, 0, 2, 0, "Records: 0"));
        }
        peer.ReceivePacket();
        peer.SendPacket(1, test::OkPacket());
        peer.WaitForClose();
    });
    // Off by default, answered with OK and with an error; then switched on and off again.
    EXPECT_THROW(Api().mysql_real_query(session.get(), "select 1"), ELocalInfileError);
    EXPECT_THROW(Api().mysql_real_query(session.get(), "select 1"), ELocalInfileError);
    const unsigned off = 0;
    Api().mysql_options(session.get(), kMySqlOptLocalInfile, nullptr);
    Api().mysql_options(session.get(), kMySqlOptLocalInfile, &off);
    EXPECT_THROW(Api().mysql_real_query(session.get(), "select 1"), ELocalInfileError);
    EXPECT_EQ(Api().mysql_ping(session.get()), 0) << Api().mysql_error(session.get());
    session.reset();
    server->Finish();
    server.reset();
    ASSERT_EQ(received.size(), 3u);
    for (const auto& packet : received) {
        EXPECT_EQ(packet.Sequence, 2);
        EXPECT_TRUE(packet.Payload.empty()); // not one byte of the file
    }
}

TEST_F(Commands, SmallCommandsSendTheirBytes)
{
    std::vector<TScriptedPeer::TReceivedPacket> received;
    Serve([&](TScriptedPeer& peer) {
        for (int i = 0; i < 3; ++i) {
            received.push_back(peer.ReceivePacket());
            peer.SendPacket(1, i == 1 ? test::ErrorPacket(1094, "#HY000Unknown thread id: 77")
                                      : test::OkPacket());
        }
        received.push_back(peer.ReceivePacket()); // quit
    });
    EXPECT_EQ(Api().mysql_select_db(session.get(), "outra"), 0);
    EXPECT_EQ(session->Database(), "outra");
    EXPECT_EQ(Api().mysql_kill(session.get(), 77), 1094);
    EXPECT_EQ(Api().mysql_error(session.get()), "\r\n#HY000Unknown thread id: 77");
    EXPECT_EQ(Api().mysql_ping(session.get()), 0);
    EXPECT_EQ(Api().mysql_errno(session.get()), 0);
    session.reset();
    server->Finish();
    server.reset();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[0].Payload, (Bytes{kComInitDb, 'o', 'u', 't', 'r', 'a'}));
    EXPECT_EQ(received[1].Payload, (Bytes{kComProcessKill, 77, 0, 0, 0}));
    EXPECT_EQ(received[2].Payload, (Bytes{kComPing}));
    EXPECT_EQ(received[3].Payload, (Bytes{kComQuit}));
    EXPECT_EQ(received[3].Sequence, 0);
}

TEST_F(Commands, AReceiveTimeOutIsALostConnectionWith10060)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        peer.WaitForClose();
    });
    const int seconds = 1;
    Api().mysql_options(session.get(), kMySqlOptReadTimeout, &seconds);
    EXPECT_EQ(Api().mysql_real_query(session.get(), "select sleep(5)"), 2013);
    EXPECT_EQ(Api().mysql_error(session.get()), "Lost connection to MySQL server during query\r\n"
                                                "Socket error on read. WSAGetLastError return 10060($274C)");
}

TEST_F(Commands, AResultOutlivesItsSession)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        SendResultHeader(peer, seq, {Column("a")});
        peer.SendPacket(seq++, test::RowPacket({std::string("1")}));
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select a from t"), 0);
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    ASSERT_NE(Api().mysql_fetch_row(result.get()), nullptr);
    session.reset();
    EXPECT_EQ(result->Session(), nullptr);
    EXPECT_EQ(Api().ColumnBytes(result.get(), 0), nullptr);
    EXPECT_EQ(Api().mysql_fetch_row(result.get()), nullptr);
}

TEST_F(Commands, ColumnDescriptionAccessor)
{
    Serve([&](TScriptedPeer& peer) {
        peer.ReceivePacket();
        std::uint8_t seq = 1;
        test::TColumnSpec blob = Column("memo", 252);
        blob.Length = 0xFFFFFFFF;
        test::TColumnSpec noBase = Column("total", 246);
        noBase.BaseName = "";
        noBase.Decimals = 4;
        SendResultHeader(peer, seq, {blob, noBase});
        peer.SendPacket(seq++, test::EndPacket());
        peer.WaitForClose();
    });
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select memo, total from t"), 0);
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    const auto memo = Api().ColumnDescription(result.get(), 0, false);
    EXPECT_EQ(memo.Length, 65535u);
    EXPECT_EQ(memo.Type, 252);
    EXPECT_EQ(memo.Table, "m");
    EXPECT_EQ(memo.BaseTable, "movment");
    const auto total = Api().ColumnDescription(result.get(), 1, true);
    EXPECT_EQ(total.Name, "total");
    EXPECT_EQ(total.BaseColumnName, "total");
    EXPECT_EQ(total.Decimals, 4);
    EXPECT_EQ(total.CharsetNumber, 8);
    EXPECT_THROW(Api().ColumnDescription(result.get(), 2, false), EArgumentException);
    EXPECT_EQ(Api().mysql_fetch_row(result.get()), nullptr);
}

} // namespace
} // namespace tarrow

namespace tarrow {
namespace {

TEST(ColumnDescriptionAccessor, Utf8TriplesTextLengthsOfTableColumnsOnlyWithoutThe41Protocol)
{
    TMySqlFieldInfos infos(3);
    infos[0].Table = "produto";
    infos[0].Type = 253;
    infos[0].Length = 30;
    infos[1].Type = 253; // no table: an expression
    infos[1].Length = 30;
    infos[2].Table = "produto";
    infos[2].Type = 3;
    infos[2].Length = 11;
    const TMySqlResultSet old(nullptr, infos, false);
    EXPECT_EQ(Api().ColumnDescription(&old, 0, true).Length, 90u);
    EXPECT_EQ(Api().ColumnDescription(&old, 0, false).Length, 30u);
    EXPECT_EQ(Api().ColumnDescription(&old, 1, true).Length, 30u);
    EXPECT_EQ(Api().ColumnDescription(&old, 2, true).Length, 11u);
    const TMySqlResultSet current(nullptr, infos, true);
    EXPECT_EQ(Api().ColumnDescription(&current, 0, true).Length, 30u);
}

} // namespace
} // namespace tarrow
