// The connection component against the test server.
#include "tests/dataaccess/DataAccessTestSupport.h"

#include "platform/Errors.h"

namespace tarrow::test {
namespace {

class ConnectionTest : public TDatabaseComponentsTest {};

TEST(ConnectionDefaults, ANewConnectionHasTheDesignDefaults)
{
    TMyConnection c("oConnect");
    EXPECT_EQ(c.Server(), "");
    EXPECT_EQ(c.Port(), 3306);
    EXPECT_EQ(c.Username(), "");
    EXPECT_EQ(c.ConnectionTimeout(), 15);
    EXPECT_TRUE(c.LoginPrompt());
    EXPECT_FALSE(c.Connected());
    EXPECT_FALSE(c.Pooling());
    EXPECT_EQ(c.IsolationLevel(), TIsolationLevel::ilReadCommitted);
    EXPECT_TRUE(c.Options().Direct());
    EXPECT_FALSE(c.Options().Compress());
    EXPECT_EQ(c.Options().Protocol(), TMyProtocol::mpDefault);
    EXPECT_EQ(c.Options().Charset(), "");
    EXPECT_FALSE(c.Options().UseUnicode());
    EXPECT_FALSE(c.Options().CheckBackslashes);
    EXPECT_EQ(c.Options().NumericType, TNumericType::ntFloat);
    EXPECT_FALSE(c.Options().LocalFailover);
    EXPECT_EQ(c.InternalConnection(), nullptr);

    TMyQuery q("oQuery");
    EXPECT_TRUE(q.FetchAll());
    EXPECT_EQ(q.FetchRows(), 25);
    EXPECT_FALSE(q.UniDirectional());
    EXPECT_TRUE(q.ParamCheck);
    EXPECT_EQ(q.CommandTimeout, 0);
    EXPECT_FALSE(q.Active());
    EXPECT_TRUE(q.Options.NullForZeroDate);
    EXPECT_TRUE(q.Options.TrimFixedChar);

    // Options nothing here acts on take only the value in force; another is an error, not a no-op.
    c.SetPooling(false);
    c.SetIsolationLevel(TIsolationLevel::ilReadCommitted);
    c.Options().SetDirect(true);
    c.Options().SetEmbedded(false);
    q.SetFetchAll(true);
    q.SetUniDirectional(false);
    EXPECT_EQ(ErrorOf([&] { c.SetPooling(true); }), "oConnect: Pooling True is not supported");
    EXPECT_EQ(ErrorOf([&] { c.SetIsolationLevel(TIsolationLevel::ilSerializable); }),
              "oConnect: IsolationLevel other than ilReadCommitted is not supported");
    EXPECT_EQ(ErrorOf([&] { c.Options().SetDirect(false); }), "oConnect: Direct False is not supported");
    EXPECT_EQ(ErrorOf([&] { c.Options().SetEmbedded(true); }), "oConnect: Embedded True is not supported");
    EXPECT_EQ(ErrorOf([&] { q.SetFetchAll(false); }), "oQuery: FetchAll False is not supported");
    EXPECT_EQ(ErrorOf([&] { q.SetUniDirectional(true); }), "oQuery: UniDirectional True is not supported");
    EXPECT_THROW(c.SetPooling(true), EDatabaseError);
}

TEST(ConnectionDefaults, VersionTextsOfServers)
{
    const auto v = ParseServerVersion("5.0.45-community-nt");
    EXPECT_EQ(v.Major, 5);
    EXPECT_EQ(v.Minor, 0);
    EXPECT_EQ(v.Release, 45);
    const auto m = ParseServerVersion("5.5.5-10.11.6-MariaDB-0+deb12u1");
    EXPECT_EQ(m.Major, 5);
    EXPECT_EQ(m.Minor, 5);
    EXPECT_EQ(m.Release, 5);
    EXPECT_EQ(ParseServerVersion("4.0").Release, 0);
    EXPECT_THROW(ParseServerVersion("MariaDB"), EConvertError);
    EXPECT_THROW(ParseServerVersion(".1.2"), EConvertError);
}

TEST_F(ConnectionTest, ConnectOpensTheSessionOnce)
{
    connection.Connect();
    ASSERT_TRUE(connection.Connected());
    const auto* internal = connection.InternalConnection();
    ASSERT_NE(internal, nullptr);
    EXPECT_GE(internal->ServerVersion().Major, 5);
    EXPECT_TRUE(internal->BackslashEscapes());
    const std::string id = ConnectionId(query);
    connection.Connect();  // already open: nothing happens
    EXPECT_EQ(ConnectionId(query), id);
    EXPECT_EQ(SelectText(query, "SELECT DATABASE()"), db.Name());
}

TEST_F(ConnectionTest, RefusedLoginRaisesTheServerTextAndStaysClosed)
{
    connection.SetPassword("wrong");
    try {
        connection.Connect();
        FAIL() << "connected with a wrong password";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1045);
        EXPECT_EQ(e.Message().rfind("\r\n#28000Access denied for user 'root'", 0), 0u) << e.Message();
        EXPECT_EQ(e.Component(), &connection);
    }
    EXPECT_FALSE(connection.Connected());
    connection.SetPassword(server.Password);
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
}

TEST_F(ConnectionTest, UnknownDatabaseIsRefusedAtLogin)
{
    connection.SetDatabase("nao_existe_xyz");
    try {
        connection.Connect();
        FAIL() << "connected to a database that does not exist";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1049);
    }
    EXPECT_FALSE(connection.Connected());
}

TEST_F(ConnectionTest, ParameterChangesDisconnectOnlyWhenTheValueDiffers)
{
    connection.Connect();
    connection.SetPassword(server.Password);
    connection.SetServer(server.Host);
    connection.SetUsername("root");
    connection.SetPort(server.Port);
    EXPECT_TRUE(connection.Connected());
    connection.SetPassword("other");
    EXPECT_FALSE(connection.Connected());
    connection.SetPassword(server.Password);
    connection.Connect();
    connection.SetUsername("someone");
    EXPECT_FALSE(connection.Connected());
    connection.SetUsername("root");
    connection.Connect();
    connection.SetConnectionTimeout(5);  // kept for the next connect
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.InternalConnection()->ConnectionTimeout, 5);
}

TEST_F(ConnectionTest, OptionsOfTheSessionAreRefusedOnAnOpenConnection)
{
    connection.Connect();
    const std::string refused = "oConnect: Cannot perform this operation on an open connection";
    EXPECT_EQ(ErrorOf([&] { connection.Options().SetCompress(true); }), refused);
    EXPECT_EQ(ErrorOf([&] { connection.Options().SetProtocol(TMyProtocol::mpTCP); }), refused);
    EXPECT_EQ(ErrorOf([&] { connection.Options().SetDirect(false); }), refused);
    EXPECT_EQ(ErrorOf([&] { connection.Options().SetEmbedded(true); }), refused);
    EXPECT_EQ(ErrorOf([&] { connection.Options().SetCharset("utf8"); }), refused);
    EXPECT_EQ(ErrorOf([&] { connection.Options().SetUseUnicode(true); }), refused);
    EXPECT_EQ(ErrorOf([&] { connection.Options().SetShortLargeint(true); }), refused);
    EXPECT_EQ(ErrorOf([&] { connection.Options().SetZeroDateTimeAsNull(true); }), refused);
    EXPECT_THROW(connection.Options().SetCompress(true), EDatabaseError);
    EXPECT_FALSE(connection.Options().Compress());
    connection.Options().CheckBackslashes = true;  // free to change
    connection.Disconnect();
    connection.Options().SetCharset("latin1");
    EXPECT_EQ(connection.Options().Charset(), "latin1");
}

TEST_F(ConnectionTest, DatabaseIsStoredWhileClosedAndSwitchedWhileOpen)
{
    const std::string second = "t_dataaccess_switch_b";
    db.Run("CREATE DATABASE IF NOT EXISTS " + second);
    connection.SetDatabase(second);
    EXPECT_FALSE(connection.Connected());
    connection.Connect();
    EXPECT_EQ(SelectText(query, "SELECT DATABASE()"), second);
    connection.SetDatabase(db.Name());
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(SelectText(query, "SELECT DATABASE()"), db.Name());
    try {
        connection.SetDatabase("nao_existe_xyz");
        FAIL() << "switched to a database that does not exist";
    } catch (const EMyError& e) {
        EXPECT_EQ(e.ErrorCode(), 1049);
    }
    db.Run("DROP DATABASE " + second);
}

TEST_F(ConnectionTest, DisconnectClosesEveryOpenQuery)
{
    TMyQuery second("oQuery2");
    second.SetConnection(&connection);
    query.SetSQL("SELECT 1");
    second.SetSQL("SELECT 2");
    query.Open();
    second.Open();
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(second.Active());
    // the next statement connects by itself
    query.Open();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(query.Fields(0).AsInteger(), 1);
}

TEST_F(ConnectionTest, UnbindingAQueryClosesIt)
{
    query.SetSQL("SELECT 1");
    query.Open();
    query.SetConnection(nullptr);
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(ErrorOf([&] { query.Open(); }), "Connection is not defined");
    EXPECT_THROW(query.Open(), EDatabaseError);
}

TEST_F(ConnectionTest, ConnectionDestroyedBeforeItsQueries)
{
    auto own = std::make_unique<TMyConnection>("oConnect");
    ConfigureConnection(*own, server, db.Name());
    TMyQuery orphan("oQuery");
    orphan.SetConnection(own.get());
    orphan.SetSQL("SELECT 1");
    orphan.Open();
    own.reset();
    EXPECT_FALSE(orphan.Active());
    EXPECT_EQ(orphan.Connection(), nullptr);
}

TEST_F(ConnectionTest, TextTravelsInTheCodePage)
{
    db.Run("CREATE TABLE nomes (id INT, nome VARCHAR(40)) CHARSET latin1");
    TMyCommand command("oCommand");
    command.SetConnection(&connection);
    command.SetSQL("INSERT INTO nomes VALUES (1, \"Ação € Œ ÿ\")");
    command.Execute();
    EXPECT_EQ(db.Run("SELECT HEX(nome) FROM nomes"), "41E7E36F2080208C20FF\n");
    EXPECT_EQ(SelectText(query, "SELECT nome FROM nomes WHERE nome = \"Ação € Œ ÿ\""), "Ação € Œ ÿ");

    // every byte of the code page comes back as it went
    db.Run("CREATE TABLE bytes (b VARBINARY(256)); INSERT INTO bytes SELECT UNHEX(CONCAT("
           "'000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F',"
           "'202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F',"
           "'404142434445464748494A4B4C4D4E4F505152535455565758595A5B5C5D5E5F',"
           "'606162636465666768696A6B6C6D6E6F707172737475767778797A7B7C7D7E7F',"
           "'808182838485868788898A8B8C8D8E8F909192939495969798999A9B9C9D9E9F',"
           "'A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2B3B4B5B6B7B8B9BABBBCBDBEBF',"
           "'C0C1C2C3C4C5C6C7C8C9CACBCCCDCECFD0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF',"
           "'E0E1E2E3E4E5E6E7E8E9EAEBECEDEEEFF0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF'))");
    db.Run("CREATE TABLE copia (b VARBINARY(256))");
    const std::string text = SelectText(query, "SELECT CAST(b AS CHAR CHARACTER SET latin1) FROM bytes");
    command.SetSQL("INSERT INTO copia VALUES (\"" + [&] {
        // Line breaks are escaped: statement text is lines, and a lone CR or LF would become CR LF.
        std::string escaped;
        for (char c : text) {
            if (c == '"' || c == '\\') escaped += '\\';
            if (c == '\0') escaped += "\\0";
            else if (c == '\r') escaped += "\\r";
            else if (c == '\n') escaped += "\\n";
            else escaped += c;
        }
        return escaped;
    }() + "\")");
    command.Execute();
    EXPECT_EQ(db.Run("SELECT a.b = c.b FROM bytes a, copia c"), "1\n");
}

TEST_F(ConnectionTest, UseUnicodeAnnouncesUtf8AndTakesTextAsItIs)
{
    db.Run("CREATE TABLE nomes (nome VARCHAR(40)) CHARSET latin1; INSERT INTO nomes VALUES ('Ação')");
    connection.Options().SetUseUnicode(true);
    EXPECT_EQ(SelectText(query, "SELECT @@character_set_client"), "utf8mb3");
    EXPECT_TRUE(connection.InternalConnection()->Utf8());
    query.SetSQL("SELECT nome, CONCAT(nome) AS expr FROM nomes WHERE nome = 'Ação'");
    query.Open();
    EXPECT_EQ(query.FieldByName("nome").DataType(), TFieldType::ftWideString);
    EXPECT_EQ(query.FieldByName("nome").AsString(), "Ação");
}

TEST_F(ConnectionTest, CharsetOptionAnnouncesItsCharacterSet)
{
    connection.Options().SetCharset("utf8");
    EXPECT_EQ(SelectText(query, "SELECT @@character_set_results"), "utf8mb3");
    EXPECT_FALSE(connection.InternalConnection()->Utf8());
}

TEST_F(ConnectionTest, ErrorHandlerSeesEveryErrorAndMayTurnItIntoAnAbort)
{
    int seen = 0;
    int lastCode = 0;
    bool silence = false;
    connection.OnError = [&](TMyConnection&, const EMyError& e, bool& fail) {
        ++seen;
        lastCode = e.ErrorCode();
        if (silence) fail = false;
    };
    query.SetSQL("SELECT * FROM nao_existe");
    EXPECT_THROW(query.Open(), EMyError);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(lastCode, 1146);
    silence = true;
    EXPECT_THROW(query.Open(), EAbort);
    EXPECT_EQ(seen, 2);
    EXPECT_TRUE(connection.Connected());
}

TEST_F(ConnectionTest, EventsAroundConnectAndDisconnect)
{
    std::string order;
    connection.BeforeConnect = [&](TMyConnection&) { order += "B"; };
    connection.AfterConnect = [&](TMyConnection& c) { order += c.Connected() ? "A" : "a"; };
    connection.BeforeDisconnect = [&](TMyConnection&) { order += "b"; };
    connection.AfterDisconnect = [&](TMyConnection& c) { order += c.Connected() ? "X" : "x"; };
    connection.SetConnected(true);
    connection.SetConnected(true);
    connection.SetConnected(false);
    connection.SetConnected(false);
    EXPECT_EQ(order, "BAbx");
}

}  // namespace
}  // namespace tarrow::test
