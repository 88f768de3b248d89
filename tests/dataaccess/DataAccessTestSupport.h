#pragma once
// Helpers the database tests of the data access layer share.

#include "dataaccess/MyCommand.h"
#include "dataaccess/MyConnection.h"
#include "dataaccess/MyQuery.h"
#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

#include <string>

namespace tarrow::test {

// A connection to the test server as the relay fills one in: server, user, password, database.
inline void ConfigureConnection(TMyConnection& connection, const TTestServer& server, const std::string& database)
{
    connection.SetServer(server.Host);
    connection.SetPort(server.Port);
    connection.SetUsername("root");
    connection.SetPassword(server.Password);
    connection.SetDatabase(database);
    connection.SetLoginPrompt(false);
}

// A scratch database on the test server and the window's four components bound to a connection
// that reaches it.
class TDatabaseComponentsTest : public ::testing::Test {
protected:
    TDatabaseComponentsTest()
    {
        ConfigureConnection(connection, server, db.Name());
        query.SetConnection(&connection);
        query2.SetConnection(&connection);
        command.SetConnection(&connection);
    }

    TTestServer server = TTestServer::FromEnvironment();
    TScratchDatabase db{server};
    TMyConnection connection{"oConnect"};
    TMyQuery query{"oQuery"};
    TMyQuery query2{"oQuery2"};
    TMyCommand command{"oCommand"};
};

// The message of the exception f raises, or "(no error)".
template <typename F>
std::string ErrorOf(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

// The component's first column of its only row, as text.
inline std::string SelectText(TMyQuery& query, const std::string& sql)
{
    query.Close();
    query.SetSQL(sql);
    query.Open();
    std::string value = query.Fields(0).AsString();
    query.Close();
    return value;
}

// The thread id the server gave the connection.
inline std::string ConnectionId(TMyQuery& query) { return SelectText(query, "SELECT CONNECTION_ID()"); }

}  // namespace tarrow::test
