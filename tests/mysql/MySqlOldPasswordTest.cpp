// A user with a pre-4.1 password on a server that still accepts them: the server answers the 4.1
// token with a lone 0xFE and the client logs in with the old scramble.

#include "mysql/MySqlApiDirect.h"

#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

TMySQLAPIDirect& Api()
{
    return MySQLAPIDirect();
}

class OldPasswordServer : public ::testing::Test {
  protected:
    void SetUp() override
    {
        server = test::TTestServer::FromEnvironment();
        server.Host = TARROW_TEST_OLD_AUTH_DB_HOST;
        // The server stores "segredo" in its pre-4.1 form (the hash the old scramble is checked against).
        test::RunSqlWithClient(
            server, "",
            "DROP USER IF EXISTS velho@'%';"
            "CREATE USER velho@'%' IDENTIFIED VIA mysql_old_password USING '084ee72f16d89fb3';"
            "GRANT SELECT ON *.* TO velho@'%';");
    }

    test::TTestServer server;
};

TEST_F(OldPasswordServer, LogsInWithTheOldScrambleAfterALoneFE)
{
    TMySqlSessionPtr session(Api().mysql_init());
    ASSERT_EQ(Api().mysql_real_connect(session.get(), server.Host, "velho", "segredo", "", server.Port, "",
                                       0x10002),
              session.get())
        << Api().mysql_error(session.get());
    // Greeting 0, login 1, the 0xFE 2, the old scramble 3, the final answer 4.
    EXPECT_EQ(session->Net().SequenceNumber(), 5);
    ASSERT_EQ(Api().mysql_real_query(session.get(), "select current_user()"), 0)
        << Api().mysql_error(session.get());
    TMySqlResultPtr result(Api().mysql_use_result(session.get()));
    ASSERT_NE(Api().mysql_fetch_row(result.get()), nullptr);
    EXPECT_EQ(Api().ColumnText(result.get(), 0), "velho@%");
}

TEST_F(OldPasswordServer, AWrongOldPasswordIsRefusedWith1045)
{
    TMySqlSessionPtr session(Api().mysql_init());
    EXPECT_EQ(
        Api().mysql_real_connect(session.get(), server.Host, "velho", "errada", "", server.Port, "", 0x10002),
        nullptr);
    EXPECT_EQ(Api().mysql_errno(session.get()), 1045);
    EXPECT_EQ(Api().mysql_error(session.get()).rfind("\r\n#28000Access denied for user 'velho'@'", 0), 0u)
        << Api().mysql_error(session.get());
}

} // namespace
} // namespace tarrow
