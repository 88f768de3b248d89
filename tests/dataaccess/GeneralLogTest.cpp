// What reaches the server, as its general log records it.
#include "tests/dataaccess/DataAccessTestSupport.h"

namespace tarrow::test {
namespace {

class GeneralLogTest : public TDatabaseComponentsTest {
protected:
    std::string since;

    void SetUp() override
    {
        since = RunSqlWithClient(server, "", "SET GLOBAL log_output = 'TABLE'; SET GLOBAL general_log = 'ON'; SELECT NOW(6)");
        since.pop_back();
    }
    void TearDown() override { RunSqlWithClient(server, "", "SET GLOBAL general_log = 'OFF'"); }

    // "command<TAB>argument" lines of what the server logged for this connection's session,
    // arguments in hexadecimal so that line breaks survive.
    std::string Logged(const std::string& threadId)
    {
        return RunSqlWithClient(server, "",
            "SELECT command_type, HEX(argument) FROM mysql.general_log WHERE thread_id = " + threadId +
            " AND event_time >= '" + since + "' ORDER BY event_time");
    }
    static std::string Hex(const std::string& bytes)
    {
        static const char* digits = "0123456789ABCDEF";
        std::string out;
        for (unsigned char c : bytes) {
            out += digits[c >> 4];
            out += digits[c & 15];
        }
        return out;
    }
};

TEST_F(GeneralLogTest, ConnectSendsNothingAfterTheLogin)
{
    connection.Connect();
    const std::string id = ConnectionId(query);
    const std::string log = Logged(id);
    const std::string first = "Query\t" + Hex("SELECT CONNECTION_ID()") + "\n";
    ASSERT_EQ(log.substr(0, log.find('\n') + 1).rfind("Connect\t", 0), 0u) << log;
    EXPECT_EQ(log.substr(log.find('\n') + 1), first) << log;
}

TEST_F(GeneralLogTest, StatementTextIsSentAsAssignedLessTrailingBreaks)
{
    const std::string text = "select \"19000101 00:00:00\" as a,\r\n \"x\" as b \r\n\r\n";
    connection.Connect();
    const std::string id = ConnectionId(query);
    query.SetSQL(text);
    query.Open();
    command.SetSQL("update nada\nset a = :b");
    EXPECT_ANY_THROW(command.Execute());  // no such table, and a marker without value
    const std::string log = Logged(id);
    EXPECT_NE(log.find("Query\t" + Hex("select \"19000101 00:00:00\" as a,\r\n \"x\" as b") + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Query\t" + Hex("update nada\r\nset a = ?") + "\n"), std::string::npos) << log;
}

TEST_F(GeneralLogTest, OptionsThatAskForStatementsAfterTheLogin)
{
    connection.Options().SetCharset("latin1");
    connection.Options().CheckBackslashes = true;
    connection.Connect();
    const std::string id = ConnectionId(query);
    const std::string log = Logged(id);
    EXPECT_NE(log.find("Query\t" + Hex("SET NAMES latin1") + "\nQuery\t" + Hex("SELECT @@session.sql_mode") + "\n"),
              std::string::npos)
        << log;
    EXPECT_TRUE(connection.InternalConnection()->BackslashEscapes());
}

TEST_F(GeneralLogTest, DatabaseSwitchOnAnOpenConnection)
{
    connection.Connect();
    const std::string id = ConnectionId(query);
    connection.SetDatabase("gerente");
    const std::string log = Logged(id);
    EXPECT_NE(log.find("Init DB\t" + Hex("gerente") + "\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace tarrow::test
