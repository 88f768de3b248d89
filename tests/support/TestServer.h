#pragma once
// The MariaDB server the test harness started (tests/fixtures/mariadb.sh), as the environment
// describes it, and a database of each test's own on it.

#include <cstdint>
#include <string>

namespace tarrow::test {

struct TTestServer {
    std::string Host;
    std::uint16_t Port = 3306;
    std::string Password;

    // Fails the calling test (never skips it) when the environment names no server.
    static TTestServer FromEnvironment();
};

// Runs SQL with the mariadb command-line client, to prepare or inspect data around the code under
// test; returns the client's tab-separated output without column names. Fails the test on error.
std::string RunSqlWithClient(const TTestServer& server, const std::string& database, const std::string& sql);

// A database created for one test and dropped when the test ends. Its name is derived from the
// running test's name, so tests under `ctest -j` never share one.
class TScratchDatabase {
public:
    explicit TScratchDatabase(const TTestServer& server);
    ~TScratchDatabase();
    TScratchDatabase(const TScratchDatabase&) = delete;
    TScratchDatabase& operator=(const TScratchDatabase&) = delete;

    const std::string& Name() const { return name_; }
    std::string Run(const std::string& sql) const { return RunSqlWithClient(server_, name_, sql); }

private:
    TTestServer server_;
    std::string name_;
};

// The SQL that creates the store tables the relay uses (filial, produto, estoque_minimo, totalfisc,
// movment, van_pendentes), to run in a scratch database.
std::string StoreSchemaSql();

}  // namespace tarrow::test
