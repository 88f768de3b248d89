// The server the harness starts must be the one the database tests are written against.
#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

#include "tests/support/Sockets.h"

#include <string>

namespace tarrow::test {
namespace {

TEST(TestServerFixture, AnswersWithAProtocol10GreetingOnItsLoopbackAddress)
{
    const TTestServer server = TTestServer::FromEnvironment();
    ASSERT_FALSE(server.Host.empty());
    ASSERT_TRUE(server.Host.starts_with("127."));

    const TTestSocket socket = ConnectTo(server.Host, server.Port);
    unsigned char buffer[512];
    std::ptrdiff_t got = 0;
    while (got < 5) {
        const std::ptrdiff_t n = ReceiveSome(socket, buffer + got, sizeof buffer - static_cast<std::size_t>(got));
        if (n <= 0) break;
        got += n;
    }
    CloseSocket(socket);
    ASSERT_GE(got, 5);
    EXPECT_EQ(buffer[3], 0) << "the greeting is the first packet";
    EXPECT_EQ(buffer[4], 10) << "protocol version";
}

TEST(TestServerFixture, HasTheSettingsTheDatabaseTestsNeed)
{
    const TTestServer server = TTestServer::FromEnvironment();
    const std::string out = RunSqlWithClient(server, "gerente",
        "SELECT @@local_infile, @@max_allowed_packet >= 64 * 1024 * 1024,"
        " LOCATE('ANSI_QUOTES', @@sql_mode), DATABASE();"
        "SELECT plugin FROM mysql.user WHERE user = 'root' AND host = '%';");
    EXPECT_EQ(out, "1\t1\t0\tgerente\nmysql_native_password\n");
}

TEST(TestServerFixture, ScratchDatabaseIsCreatedForTheTestAndDroppedAfterIt)
{
    const TTestServer server = TTestServer::FromEnvironment();
    std::string name;
    {
        TScratchDatabase db(server);
        name = db.Name();
        EXPECT_NE(name.find("ScratchDatabaseIsCreated"), std::string::npos);
        db.Run("CREATE TABLE t (id INT); INSERT INTO t VALUES (7);");
        EXPECT_EQ(db.Run("SELECT id FROM t;"), "7\n");
    }
    EXPECT_EQ(RunSqlWithClient(server, "", "SELECT COUNT(*) FROM information_schema.schemata WHERE schema_name = '" + name + "';"),
              "0\n");
}

}  // namespace
}  // namespace tarrow::test
