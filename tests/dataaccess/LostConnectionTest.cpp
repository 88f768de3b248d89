// Lost sessions: killed from another session, a restarted server, a server that is down. These
// tests stop and start the shared test server, so they hold its lock.
#include "tests/dataaccess/DataAccessTestSupport.h"

#include "platform/Errors.h"
#include "tests/support/Process.h"

#include <cstdlib>

namespace tarrow::test {
namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : value;
}

// The fixture script and the server are Linux programs; under Wine they start by their Z: path.
int RunBash(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command = {HostProgramPath("/bin/bash")};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunProgram(command, "", "", "");
}

void Fixture(const std::string& action)
{
    ASSERT_EQ(RunBash({Env("TARROW_TEST_DB_SCRIPT"), action}), 0) << "mariadb.sh " << action;
}

// Stops the server process and waits for it to end; the data stays for the restart.
void StopServer()
{
    const std::string stop = "pid=$(cat \"$1/mysqld.pid\") && kill -TERM \"$pid\" || exit 2;"
                             " for i in $(seq 600); do kill -0 \"$pid\" 2>/dev/null || exit 0; sleep 0.1; done;"
                             " exit 1";
    ASSERT_EQ(RunBash({"-c", stop, "stop", Env("TARROW_TEST_DB_DIR")}), 0) << "the server did not stop";
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
