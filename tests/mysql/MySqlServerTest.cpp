// The protocol against the real MariaDB server of the test harness.

#include "mysql/MySqlApiDirect.h"

#include "tests/mysql/LoopbackListener.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tarrow {
namespace {

using test::TScratchDatabase;
using test::TTestServer;

TMySQLAPIDirect& Api()
{
    return MySQLAPIDirect();
}

constexpr std::uint32_t kProgramFlags = 0x10002; // found rows, multiple statements

class Server : public ::testing::Test {
  protected:
    TTestServer server = TTestServer::FromEnvironment();
    TScratchDatabase database{server};

    TMySqlSessionPtr Login(const std::string& databaseName, std::uint32_t flags = kProgramFlags,
                           const std::string& password = "")
    {
        TMySqlSessionPtr session(Api().mysql_init());
        const int timeout = 15;
        Api().mysql_options(session.get(), kMySqlOptConnectTimeout, &timeout);
        TMySqlSession* connected = Api().mysql_real_connect(session.get(), server.Host, "root",
                                                            password.empty() ? server.Password : password,
                                                            databaseName, server.Port, "", flags);
        EXPECT_EQ(connected, session.get()) << Api().mysql_error(session.get());
        return session;
    }
    TMySqlSessionPtr Login() { return Login(database.Name()); }

    static void Run(TMySqlSession* session, const std::string& sql)
    {
        ASSERT_EQ(Api().mysql_real_query(session, sql), 0) << Api().mysql_error(session) << "\n"
                                                           << sql.substr(0, 200);
        while (true) {
            Api().mysql_free_result(Api().mysql_use_result(session));
            if (Api().mysql_next_result(session) != 0) break;
        }
    }

    // Every row of a one-statement query, NULL as "<null>".
    static std::vector<std::vector<std::string>> Select(TMySqlSession* session, const std::string& sql)
    {
        std::vector<std::vector<std::string>> rows;
        EXPECT_EQ(Api().mysql_real_query(session, sql), 0) << Api().mysql_error(session);
        TMySqlResultPtr result(Api().mysql_use_result(session));
        if (!result) return rows;
        while (Api().mysql_fetch_row(result.get()) != nullptr) {
            std::vector<std::string> row;
            for (int i = 0; i < Api().mysql_num_fields(result.get()); ++i)
                row.push_back(Api().IsNull(result.get(), i) ? "<null>" : Api().ColumnText(result.get(), i));
            rows.push_back(row);
        }
        EXPECT_EQ(Api().mysql_errno(session), 0) << Api().mysql_error(session);
        return rows;
    }
};

// -- Login

TEST_F(Server, LogsInAndReportsTheServer)
{
    auto session = Login();
    EXPECT_NE(Api().mysql_get_server_info(session.get()).find("MariaDB"), std::string::npos);
    EXPECT_EQ(Api().mysql_get_host_info(session.get()), server.Host + " via TCP/IP");
    EXPECT_GT(Api().mysql_thread_id(session.get()), 0u);
    EXPECT_EQ(session->ClientFlags(), 0x3A28Fu);
    EXPECT_EQ(Select(session.get(), "select database()"),
              (std::vector<std::vector<std::string>>{{database.Name()}}));
}

TEST_F(Server, AnEmptyDatabaseNameLogsInWithoutACurrentDatabase)
{
    auto session = Login("");
    EXPECT_EQ(Select(session.get(), "select database()"),
              (std::vector<std::vector<std::string>>{{"<null>"}}));
}

TEST_F(Server, AWrongPasswordIs1045WithTheSqlStateAndTheServersSentence)
{
    TMySqlSessionPtr session(Api().mysql_init());
    EXPECT_EQ(Api().mysql_real_connect(session.get(), server.Host, "root", "wrong", "", server.Port, "",
                                       kProgramFlags),
              nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 1045);
    EXPECT_EQ(Api().mysql_error(session.get()).rfind("\r\n#28000Access denied for user 'root'@'", 0), 0u)
        << Api().mysql_error(session.get());
    EXPECT_NE(Api().mysql_error(session.get()).find("(using password: YES)"), std::string::npos);
}

TEST_F(Server, AnUnknownDatabaseIs1049)
{
    TMySqlSessionPtr session(Api().mysql_init());
    EXPECT_EQ(Api().mysql_real_connect(session.get(), server.Host, "root", server.Password,
                                       "tarrow_nao_existe", server.Port, "", kProgramFlags),
              nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 1049);
    EXPECT_EQ(Api().mysql_error(session.get()), "\r\n#42000Unknown database 'tarrow_nao_existe'");
}

TEST_F(Server, ARefusedConnectionIs2003With10061)
{
    TMySqlSessionPtr session(Api().mysql_init());
    const int port = test::TLoopbackListener::UnusedPort();
    EXPECT_EQ(Api().mysql_real_connect(session.get(), "127.0.0.1", "root", "", "", port, "", kProgramFlags),
              nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 2003);
    EXPECT_EQ(Api().mysql_error(session.get()),
              "Can't connect to MySQL server on '127.0.0.1' (10061)\r\n"
              "Socket error on connect. WSAGetLastError return 10061($274D)");
}

TEST_F(Server, AnUnresolvableHostIs2003WithTheLookupsCode)
{
    TMySqlSessionPtr session(Api().mysql_init());
    const int timeout = 15;
    Api().mysql_options(session.get(), kMySqlOptConnectTimeout, &timeout);
    EXPECT_EQ(
        Api().mysql_real_connect(session.get(), "tarrow-db.invalid", "root", "", "", 0, "", kProgramFlags),
        nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 2003);
    EXPECT_EQ(Api().mysql_error(session.get()),
              "Can't connect to MySQL server on 'tarrow-db.invalid' (10061)\r\n"
              "Socket error on connect. WSAGetLastError return 11001($2AF9)");
}

// -- Statements and results

TEST_F(Server, NullEmptyAndLongValuesComeBackAsStored)
{
    auto session = Login();
    Run(session.get(), "create table t (id int primary key, a varchar(10), b mediumtext)");
    const std::string longValue(70000, 'L');
    Run(session.get(),
        "insert into t values (1, null, ''), (2, 'x', '" + longValue + "'), (3, 'caf\xe9', 'a')");
    const auto rows = Select(session.get(), "select a, b from t order by id");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"<null>", ""}));
    EXPECT_EQ(rows[1][1], longValue);
    EXPECT_EQ(rows[2][0], "caf\xe9"); // bytes as stored: the server's latin1, unconverted
}

TEST_F(Server, AnInsertReportsAffectedRowsAndTheInsertId)
{
    auto session = Login();
    Run(session.get(), "create table t (id int auto_increment primary key, a int) auto_increment = 57");
    ASSERT_EQ(Api().mysql_real_query(session.get(), "insert into t (a) values (1)"), 0);
    EXPECT_EQ(Api().mysql_field_count(session.get()), 0);
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), 1);
    EXPECT_EQ(Api().mysql_insert_id(session.get()), 57);
    EXPECT_EQ(Api().mysql_use_result(session.get()), nullptr);
    ASSERT_EQ(Api().mysql_real_query(session.get(), "insert into t (a) values (2), (3)"), 0);
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), 2);
    EXPECT_EQ(Api().mysql_info(session.get()), "Records: 2  Duplicates: 0  Warnings: 0");
    ASSERT_EQ(Api().mysql_real_query(session.get(), "update t set a = 1"), 0);
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), 3); // found rows: matched, not changed
}

TEST_F(Server, ASyntaxErrorIs1064WithTheSqlState)
{
    auto session = Login();
    EXPECT_EQ(Api().mysql_real_query(session.get(), "selec 1"), 1064);
    EXPECT_EQ(Api().mysql_error(session.get()).rfind("\r\n#42000You have an error in your SQL syntax", 0), 0u)
        << Api().mysql_error(session.get());
    EXPECT_EQ(session->State(), kStateReady);
    EXPECT_EQ(Select(session.get(), "select 1"), (std::vector<std::vector<std::string>>{{"1"}}));
}

TEST_F(Server, ACommandBeforeTheRowsAreReadIs2014AndFreeingRecovers)
{
    auto session = Login();
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select seq from seq_1_to_5000"), 0);
    TMySqlResultSet* result = Api().mysql_use_result(session.get());
    ASSERT_NE(result, nullptr);
    ASSERT_NE(Api().mysql_fetch_row(result), nullptr);
    EXPECT_EQ(Api().mysql_real_query(session.get(), "select 1"), 2014);
    Api().mysql_free_result(result);
    EXPECT_EQ(Select(session.get(), "select 2"), (std::vector<std::vector<std::string>>{{"2"}}));
}

TEST_F(Server, TwoStatementsInOneQueryGiveTwoResults)
{
    auto session = Login();
    Run(session.get(), "create table t (a int)");
    ASSERT_EQ(
        Api().mysql_real_query(session.get(), "insert into t values (1), (2); select a from t order by a"),
        0);
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), 2);
    EXPECT_TRUE(Api().mysql_more_results(session.get()));
    ASSERT_EQ(Api().mysql_next_result(session.get()), 0);
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    ASSERT_NE(result, nullptr);
    int rows = 0;
    while (Api().mysql_fetch_row(result.get()) != nullptr) ++rows;
    EXPECT_EQ(rows, 2);
    result.reset();
    EXPECT_FALSE(Api().mysql_more_results(session.get()));
    EXPECT_EQ(Api().mysql_next_result(session.get()), -1);
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), -1);
}

TEST_F(Server, UnreadResultsOfABatchAreSkippedByFreeing)
{
    auto session = Login();
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select seq from seq_1_to_3000; select 'b'; do 1"), 0);
    Api().mysql_free_result(Api().mysql_use_result(session.get()));
    ASSERT_EQ(Api().mysql_next_result(session.get()), 0);
    Api().mysql_free_result(Api().mysql_use_result(session.get()));
    ASSERT_EQ(Api().mysql_next_result(session.get()), 0);
    EXPECT_EQ(Api().mysql_use_result(session.get()), nullptr);
    EXPECT_EQ(Api().mysql_next_result(session.get()), -1);
    EXPECT_EQ(Select(session.get(), "select 3"), (std::vector<std::vector<std::string>>{{"3"}}));
}

TEST_F(Server, AnErrorAmongTheRowsEndsTheBatchAtOnce)
{
    auto session = Login();
    Run(session.get(), "create function boom(x int) returns int deterministic no sql begin "
                       "if x = 2 then signal sqlstate '45000' set message_text = 'boom'; end if; return x; end");
    // A wait for results that never come would last the read time-out and then be a lost connection.
    const int seconds = 20;
    Api().mysql_options(session.get(), kMySqlOptReadTimeout, &seconds);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select boom(seq) from seq_1_to_3; select 'never'"), 0);
    EXPECT_TRUE(Api().mysql_more_results(session.get()));
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    ASSERT_NE(result, nullptr);
    while (Api().mysql_fetch_row(result.get()) != nullptr) {
    }
    EXPECT_EQ(Api().mysql_errno(session.get()), 1644) << Api().mysql_error(session.get());
    result.reset();
    EXPECT_FALSE(Api().mysql_more_results(session.get()));
    EXPECT_EQ(Api().mysql_next_result(session.get()), -1);
    EXPECT_EQ(Select(session.get(), "select 3"), (std::vector<std::vector<std::string>>{{"3"}}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(seconds));
}

TEST_F(Server, SelectDbAndPing)
{
    auto session = Login("");
    EXPECT_EQ(Api().mysql_select_db(session.get(), database.Name()), 0);
    EXPECT_EQ(session->Database(), database.Name());
    EXPECT_EQ(Select(session.get(), "select database()"),
              (std::vector<std::vector<std::string>>{{database.Name()}}));
    EXPECT_EQ(Api().mysql_select_db(session.get(), "tarrow_nao_existe"), 1049);
    EXPECT_EQ(Api().mysql_ping(session.get()), 0);
}

TEST_F(Server, AConnectionKilledFromAnotherIsLost)
{
    auto victim = Login();
    auto killer = Login();
    EXPECT_EQ(Api().mysql_kill(killer.get(), Api().mysql_thread_id(victim.get())), 0)
        << Api().mysql_error(killer.get());
    EXPECT_EQ(Api().mysql_real_query(victim.get(), "select 1"), 2013) << Api().mysql_error(victim.get());
    EXPECT_EQ(Api().mysql_error(victim.get()).rfind("Lost connection to MySQL server during query", 0), 0u);
    EXPECT_EQ(Api().mysql_ping(killer.get()), 0);
}

TEST_F(Server, AReadTimeOutEndsASlowStatementWith10060)
{
    auto session = Login();
    const int seconds = 1;
    Api().mysql_options(session.get(), kMySqlOptReadTimeout, &seconds);
    EXPECT_EQ(Api().mysql_real_query(session.get(), "select sleep(5)"), 2013);
    EXPECT_EQ(Api().mysql_error(session.get()), "Lost connection to MySQL server during query\r\n"
                                                "Socket error on read. WSAGetLastError return 10060($274C)");
}

TEST_F(Server, LocalInfileLoadsAFileOfTheClient)
{
    auto session = Login();
    Run(session.get(), "create table t (a int, b varchar(20))");
    test::TTempDir dir;
    std::string content;
    for (int i = 0; i < 5000; ++i) content += std::to_string(i) + "\tlinha " + std::to_string(i) + "\n";
    const std::string path = dir.Write("t.txt", content);
    Api().mysql_options(session.get(), kMySqlOptLocalInfile, nullptr);
    ASSERT_EQ(Api().mysql_real_query(session.get(), "load data local infile '" + path + "' into table t"), 0)
        << Api().mysql_error(session.get());
    EXPECT_EQ(Api().mysql_affected_rows(session.get()), 5000);
    EXPECT_EQ(Select(session.get(), "select count(*), sum(a), max(b) from t"),
              (std::vector<std::vector<std::string>>{{"5000", "12497500", "linha 999"}}));
}

TEST_F(Server, ValuesOver16MiBTravelBothWays)
{
    auto session = Login();
    Run(session.get(), "create table t (id int, b longblob)");
    const std::size_t size = 17 * 1024 * 1024 + 5;
    std::string statement = "insert into t values (1, '";
    for (std::size_t i = 0; i < size; ++i) statement += static_cast<char>('a' + i % 26);
    statement += "')";
    ASSERT_EQ(Api().mysql_real_query(session.get(), statement), 0) << Api().mysql_error(session.get());
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select id, b, 'fim' from t"), 0);
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    ASSERT_NE(Api().mysql_fetch_row(result.get()), nullptr) << Api().mysql_error(session.get());
    const std::string value = Api().ColumnText(result.get(), 1);
    ASSERT_EQ(value.size(), size);
    EXPECT_EQ(value.compare(0, 26, "abcdefghijklmnopqrstuvwxyz"), 0);
    EXPECT_EQ(value.back(), static_cast<char>('a' + (size - 1) % 26));
    EXPECT_EQ(Api().ColumnText(result.get(), 2), "fim");
    EXPECT_EQ(Api().mysql_fetch_row(result.get()), nullptr);
    // Skipping such a row unread works too.
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select b from t union all select 'x'"), 0);
    Api().mysql_free_result(Api().mysql_use_result(session.get()));
    EXPECT_EQ(Api().mysql_ping(session.get()), 0) << Api().mysql_error(session.get());
}

TEST_F(Server, CompressionCarriesLargeRowsBothWays)
{
    auto session = Login(database.Name(), kProgramFlags | kClientCompress);
    ASSERT_TRUE(session->Net().Compress());
    Run(session.get(), "create table t (id int, b mediumtext)");
    std::string big;
    for (int i = 0; i < 300000; ++i) big += static_cast<char>('a' + (i * 7919LL) % 26);
    for (int id = 1; id <= 3; ++id)
        Run(session.get(), "insert into t values (" + std::to_string(id) + ", '" + big + "')");
    const auto rows = Select(session.get(), "select id, b from t order by id");
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) EXPECT_EQ(row[1], big);
    const auto many = Select(session.get(), "select seq, repeat('z', seq % 100) from seq_1_to_20000");
    ASSERT_EQ(many.size(), 20000u);
    EXPECT_EQ(many.back()[1], "");
    EXPECT_EQ(many[98][1], std::string(99, 'z'));
    // A result freed unread is skipped in compressed mode too.
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select b from t"), 0);
    Api().mysql_free_result(Api().mysql_use_result(session.get()));
    EXPECT_EQ(Select(session.get(), "select 'ok'"), (std::vector<std::vector<std::string>>{{"ok"}}));
}

TEST_F(Server, CompressionCarriesValuesOver16MiBBothWays)
{
    auto session = Login(database.Name(), kProgramFlags | kClientCompress);
    ASSERT_TRUE(session->Net().Compress());
    Run(session.get(), "create table t (id int, b longblob)");
    const std::size_t size = 16 * 1024 * 1024 + 1000;
    std::string statement = "insert into t values (1, '";
    for (std::size_t i = 0; i < size; ++i) statement += static_cast<char>('a' + (i * 31 + i / 7) % 26);
    statement += "')";
    ASSERT_EQ(Api().mysql_real_query(session.get(), statement), 0) << Api().mysql_error(session.get());
    const auto rows = Select(session.get(), "select b, length(b) from t");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], std::to_string(size));
    EXPECT_EQ(rows[0][0], statement.substr(26, size));
}

TEST_F(Server, ColumnDescriptionsOfARealTable)
{
    auto session = Login();
    Run(session.get(), "create table movment (numlanc bigint not null, preco_unit decimal(12,4), obs blob, "
                       "data_hora datetime)");
    ASSERT_EQ(Api().mysql_real_query(session.get(),
                                     "select numlanc as registro, preco_unit, obs, data_hora from movment m"),
              0);
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    ASSERT_NE(result, nullptr);
    const auto registro = Api().ColumnDescription(result.get(), 0, false);
    EXPECT_EQ(registro.Name, "registro");
    EXPECT_EQ(registro.BaseColumnName, "numlanc");
    EXPECT_EQ(registro.Table, "m");
    EXPECT_EQ(registro.BaseTable, "movment");
    EXPECT_EQ(registro.Type, 8);
    EXPECT_TRUE(registro.Flags & kNumericFlag);
    EXPECT_TRUE(registro.Flags & 1); // not null
    const auto preco = Api().ColumnDescription(result.get(), 1, false);
    EXPECT_EQ(preco.Type, 246);
    EXPECT_EQ(preco.Decimals, 4);
    EXPECT_EQ(Api().ColumnDescription(result.get(), 2, false).Length, 65535u);
    EXPECT_EQ(Api().ColumnDescription(result.get(), 3, false).Type, 12);
    EXPECT_EQ(Api().mysql_fetch_row(result.get()), nullptr);
}

} // namespace
} // namespace tarrow
