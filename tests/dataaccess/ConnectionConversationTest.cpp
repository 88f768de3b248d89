// The connection and query components against a scripted server on the loopback interface: what
// they send after the login, byte for byte.
#include "dataaccess/MyCommand.h"
#include "dataaccess/MyConnection.h"
#include "dataaccess/MyQuery.h"
#include "platform/Errors.h"
#include "tests/mysql/LoopbackListener.h"
#include "tests/mysql/ServerPackets.h"

#include <gtest/gtest.h>

namespace tarrow::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Command(std::uint8_t command, const std::string& text)
{
    Bytes out = {command};
    PutText(out, text);
    return out;
}

// A one-column, one-row result of the text value.
void ServeOneValue(TScriptedPeer& peer, const std::string& name, const std::string& value)
{
    peer.SendPacket(1, {1});
    TColumnSpec column;
    column.Name = name;
    column.Type = kMyTypeVarString;
    column.Length = 20;
    peer.SendPacket(2, ColumnPacket(column));
    peer.SendPacket(3, EndPacket());
    peer.SendPacket(4, RowPacket({value}));
    peer.SendPacket(5, EndPacket());
}

void Configure(TMyConnection& connection, const std::string& host, int port)
{
    connection.SetServer(host);
    connection.SetPort(port);
    connection.SetUsername("root");
    connection.SetPassword("segredo");
    connection.SetDatabase("gerente");
    connection.SetLoginPrompt(false);
}

TEST(ConnectionConversation, LoginAsksForFoundRowsAndMultipleStatementsAndNothingFollowsIt)
{
    TScriptedPeer::TReceivedPacket login, first, last;
    TScriptedServer server([&](TScriptedPeer& peer) {
        peer.SendPacket(0, GreetingPacket({}));
        login = peer.ReceivePacket();
        peer.SendPacket(2, OkPacket());
        first = peer.ReceivePacket();
        ServeOneValue(peer, "registro", "42");
        last = peer.ReceivePacket();
        peer.WaitForClose();
    });
    TMyConnection connection("oConnect");
    Configure(connection, "127.0.0.1", server.Port());
    TMyQuery query("oQuery");
    query.SetConnection(&connection);
    connection.Connect();
    query.SetSQL("select m.numlanc as registro\r\nfrom movment m\r\n");
    query.Open();
    EXPECT_EQ(query.FieldByName("REGISTRO").AsString(), "42");
    connection.Disconnect();
    server.Finish();

    // 0x3A28F: the component's found rows (2) and multiple statements (65536) with what the
    // protocol always asks for
    ASSERT_GE(login.Payload.size(), 4u);
    EXPECT_EQ(Bytes(login.Payload.begin(), login.Payload.begin() + 4), (Bytes{0x8F, 0xA2, 0x03, 0x00}));
    EXPECT_EQ(first.Payload, Command(3, "select m.numlanc as registro\r\nfrom movment m"));
    EXPECT_EQ(last.Payload, Bytes{1});  // quit
}

TEST(ConnectionConversation, EmptyServerMeansLocalhost)
{
    TScriptedServer server([&](TScriptedPeer& peer) {
        peer.SendPacket(0, GreetingPacket({}));
        peer.ReceivePacket();
        peer.SendPacket(2, OkPacket());
        peer.WaitForClose();
    });
    TMyConnection connection("oConnect");
    Configure(connection, "", server.Port());
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(MySQLAPIDirect().mysql_get_host_info(connection.InternalConnection()->Session()),
              "localhost via TCP/IP");
    connection.Disconnect();
    server.Finish();
}

TEST(ConnectionConversation, ServerOlderThan41GetsNoSetNames)
{
    TScriptedPeer::TReceivedPacket first;
    TScriptedServer server([&](TScriptedPeer& peer) {
        TGreetingShape shape;
        shape.ServerVersion = "4.0.27-log";
        shape.Capabilities = 0x202C;  // long flags, database in login, compression, transactions; no 4.1
        shape.FullScramble = false;
        peer.SendPacket(0, GreetingPacket(shape));
        peer.ReceivePacket();
        peer.SendPacket(2, Bytes{0, 0, 0, 2, 0});
        first = peer.ReceivePacket();
        peer.SendPacket(1, Bytes{0, 1, 0, 2, 0});
        peer.WaitForClose();
    });
    TMyConnection connection("oConnect");
    Configure(connection, "127.0.0.1", server.Port());
    connection.Options().SetUseUnicode(true);
    TMyCommand command("oCommand");
    command.SetConnection(&connection);
    command.SetSQL("update movment set lojas_leram2 = \"V\" where numlanc = 1");
    command.Execute();
    EXPECT_EQ(command.RowsAffected(), 1);
    EXPECT_EQ(connection.InternalConnection()->ServerVersion().Major, 4);
    EXPECT_FALSE(connection.InternalConnection()->Utf8());
    EXPECT_EQ(first.Payload, Command(3, "update movment set lojas_leram2 = \"V\" where numlanc = 1"));
    connection.Disconnect();
    server.Finish();
}

TEST(ConnectionConversation, VersionTextWithoutANumberFailsTheConnect)
{
    TScriptedServer server([&](TScriptedPeer& peer) {
        TGreetingShape shape;
        shape.ServerVersion = "MariaDB";
        peer.SendPacket(0, GreetingPacket(shape));
        peer.ReceivePacket();
        peer.SendPacket(2, OkPacket());
        peer.WaitForClose();
    });
    TMyConnection connection("oConnect");
    Configure(connection, "127.0.0.1", server.Port());
    EXPECT_THROW(connection.Connect(), EConvertError);
    EXPECT_FALSE(connection.Connected());
    server.Finish();
}

TEST(ConnectionConversation, ErrorPacketInsteadOfARowFailsTheOpenAndKeepsTheSession)
{
    TScriptedPeer::TReceivedPacket next;
    TScriptedServer server([&](TScriptedPeer& peer) {
        peer.SendPacket(0, GreetingPacket({}));
        peer.ReceivePacket();
        peer.SendPacket(2, OkPacket());
        peer.ReceivePacket();
        peer.SendPacket(1, {1});
        TColumnSpec column;
        peer.SendPacket(2, ColumnPacket(column));
        peer.SendPacket(3, EndPacket());
        peer.SendPacket(4, RowPacket({"1"}));
        peer.SendPacket(5, ErrorPacket(1317, "#70100Query execution was interrupted"));
        next = peer.ReceivePacket();
        ServeOneValue(peer, "x", "ok");
        peer.WaitForClose();
    });
    TMyConnection connection("oConnect");
    Configure(connection, "127.0.0.1", server.Port());
    TMyQuery query("oQuery");
    query.SetConnection(&connection);
    query.SetSQL("select numlanc as registro from movment");
    try {
        query.Open();
        FAIL() << "no error";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1317);
        EXPECT_EQ(e.Message(), "\r\n#70100Query execution was interrupted");
        EXPECT_EQ(e.Component(), &query);
    }
    EXPECT_FALSE(query.Active());
    EXPECT_TRUE(connection.Connected());
    query.SetSQL("select 'ok' as x");
    query.Open();
    EXPECT_EQ(query.FieldByName("x").AsString(), "ok");
    EXPECT_EQ(next.Payload, Command(3, "select 'ok' as x"));
    connection.Disconnect();
    server.Finish();
}

}  // namespace
}  // namespace tarrow::test
