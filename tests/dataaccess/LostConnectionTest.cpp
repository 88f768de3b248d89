// Lost sessions: killed from another session, a restarted server, a server that is down. These
// tests stop and start the shared test server, so they hold its lock.
#include "tests/dataaccess/DataAccessTestSupport.h"

#include "platform/Errors.h"

#include <cstdlib>
#include <fstream>
#include <signal.h>
#include <thread>

namespace tarrow::test {
namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : value;
}

void Fixture(const std::string& action)
{
    const std::string command = "bash '" + Env("TARROW_TEST_DB_SCRIPT") + "' " + action + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Stops the server process and waits for it to end; the data stays for the restart.
void StopServer()
{
    std::ifstream in(Env("TARROW_TEST_DB_DIR") + "/mysqld.pid");
    pid_t pid = 0;
    in >> pid;
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    for (int i = 0; i < 600 && kill(pid, 0) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_NE(kill(pid, 0), 0) << "the server did not stop";
}

// Brings the server back however the test ends.
struct TServerBack {
    bool Down = false;
    ~TServerBack()
    {
        if (Down) Fixture("restart");
    }
};

class LostConnectionTest : public TDatabaseComponentsTest {
protected:
    void SetUp() override
    {
        db.Run("CREATE TABLE t (id INT); INSERT INTO t VALUES (1), (2), (3)");
    }

    int Count()
    {
        query.Close();
        query.SetSQL("SELECT COUNT(*) FROM t");
        query.Open();
        const int n = query.Fields(0).AsInteger();
        query.Close();
        return n;
    }
};

TEST_F(LostConnectionTest, KilledSessionFailsOneStatementAndTheNextWorks)
{
    connection.Connect();
    const std::string id = ConnectionId(query);
    RunSqlWithClient(server, "", "KILL " + id);
    try {
        Count();
        FAIL() << "the killed session still answered";
    } catch (const EMyError& e) {
        EXPECT_TRUE(e.IsConnectionLost()) << e.ErrorCode() << " " << e.Message();
        EXPECT_EQ(e.Component(), &query);
    }
    EXPECT_TRUE(connection.Connected());  // reopened inside the failing call
    EXPECT_NE(ConnectionId(query), id);
    EXPECT_EQ(Count(), 3);
}

TEST_F(LostConnectionTest, StatementAfterAServerRestartFailsOnceAndTheNextWorks)
{
    query.SetSQL("SELECT id FROM t ORDER BY id");
    query.Open();
    query.Next();
    Fixture("restart");
    command.SetSQL("INSERT INTO t VALUES (4)");
    try {
        command.Execute();
        FAIL() << "the old session still answered";
    } catch (const EMyError& e) {
        EXPECT_TRUE(e.IsConnectionLost()) << e.ErrorCode() << " " << e.Message();
    }
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(db.Run("SELECT COUNT(*) FROM t"), "3\n");  // the failed statement was not run again
    command.Execute();
    EXPECT_EQ(db.Run("SELECT COUNT(*) FROM t"), "4\n");
    // the open query kept its rows and its place through the reconnection
    EXPECT_TRUE(query.Active());
    EXPECT_EQ(query.Fields(0).AsInteger(), 2);
}

TEST_F(LostConnectionTest, ServerDownLeavesTheConnectionClosedAndTheNextStatementConnects)
{
    TServerBack back;
    connection.Connect();
    StopServer();
    back.Down = true;

    // the session is lost and cannot be reopened: the connection ends up closed
    EXPECT_THROW(Count(), EMyError);
    EXPECT_FALSE(connection.Connected());

    // an implicit connect meets the server down: the connect error, and still closed
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            Count();
            FAIL() << "connected to a stopped server";
        } catch (const EMyError& e) {
            EXPECT_EQ(e.ErrorCode(), 2003);
            EXPECT_EQ(e.Message().rfind("Can't connect to MySQL server on '" + server.Host + "' (10061)", 0), 0u)
                << e.Message();
        }
        EXPECT_FALSE(connection.Connected());
    }

    Fixture("restart");
    back.Down = false;
    EXPECT_EQ(Count(), 3);
    EXPECT_TRUE(connection.Connected());
}

}  // namespace
}  // namespace tarrow::test
