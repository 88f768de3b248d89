#include "tests/support/TestServer.h"

#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace tarrow::test {

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

TTestServer TTestServer::FromEnvironment()
{
    TTestServer server;
    server.Host = Env("TARROW_TEST_DB_HOST");
    server.Password = Env("TARROW_TEST_DB_PASSWORD");
    const std::string port = Env("TARROW_TEST_DB_PORT");
    if (server.Host.empty() || port.empty()) {
        ADD_FAILURE() << "no test database server: run the tests through ctest, which starts one";
        return server;
    }
    server.Port = static_cast<std::uint16_t>(std::stoi(port));
    return server;
}

std::string RunSqlWithClient(const TTestServer& server, const std::string& database, const std::string& sql)
{
    TTempDir dir;
    const std::string script = dir.Write("statements.sql", sql);
    const std::string outputFile = dir.Path() + "output.txt";
    const std::string errors = dir.Path() + "errors.txt";
    // Started directly, without a shell: under Wine the Linux client starts by its Z: path.
    std::vector<std::string> command = {HostProgramPath("/usr/bin/mariadb"), "--no-defaults", "--batch",
                                        "--skip-column-names", "--protocol=TCP", "--local-infile=1",
                                        "-h", server.Host, "-P", std::to_string(server.Port), "-uroot",
                                        "-p" + server.Password};
    if (!database.empty()) command.insert(command.end(), {"-D", database});

    const int status = RunProgram(command, script, outputFile, errors);
    if (status != 0) {
        ADD_FAILURE() << "mariadb client failed (" << status << "): " << dir.Read("errors.txt") << "\nSQL: " << sql;
    }
    return dir.Read("output.txt");
}

std::string StoreSchemaSql()
{
    std::ifstream in(TARROW_TEST_SUPPORT_DIR "/sql/store_schema.sql", std::ios::binary);
    if (!in) ADD_FAILURE() << "cannot read the store schema";
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TScratchDatabase::TScratchDatabase(const TTestServer& server) : server_(server)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string raw = "t_";
    if (info != nullptr) raw += std::string(info->test_suite_name()) + "_" + info->name();
    for (char c : raw) name_ += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    if (name_.size() > 64) name_ = name_.substr(0, 48) + "_" + std::to_string(std::hash<std::string>{}(name_) % 1000000);
    RunSqlWithClient(server_, "", "DROP DATABASE IF EXISTS `" + name_ + "`; CREATE DATABASE `" + name_ + "`;");
}

TScratchDatabase::~TScratchDatabase() { RunSqlWithClient(server_, "", "DROP DATABASE IF EXISTS `" + name_ + "`;"); }

}  // namespace tarrow::test
