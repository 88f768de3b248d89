#include "dataaccess/MySQLCommand.h"

#include "dataaccess/MyConnection.h"

namespace tarrow {

void TMySQLCommand::Run(TMyConnection& connection, std::string_view text, int commandTimeout)
{
    TMySQLConnection& session = connection.Session();
    session.SetStatementTimeout(commandTimeout);
    const std::string bytes = session.ToServer(text);
    auto& api = MySQLAPIDirect();
    affectedRows_ = 0;
    fieldCount_ = 0;
    if (api.mysql_real_query(session.Session(), bytes) != 0) connection.RaiseSessionError(&owner_);
    affectedRows_ = api.mysql_affected_rows(session.Session());
    fieldCount_ = api.mysql_field_count(session.Session());
}

TMySqlResultPtr TMySQLCommand::UseResult(TMyConnection& connection)
{
    auto& api = MySQLAPIDirect();
    TMySqlSession* session = connection.Session().Session();
    TMySqlResultPtr result(api.mysql_use_result(session));
    if (!result && api.mysql_errno(session) != 0) connection.RaiseSessionError(&owner_);
    return result;
}

void TMySQLCommand::SkipMoreResults(TMyConnection& connection)
{
    auto& api = MySQLAPIDirect();
    TMySqlSession* session = connection.Session().Session();
    int rc;
    while ((rc = api.mysql_next_result(session)) == 0) {
        TMySqlResultPtr further(api.mysql_use_result(session));
    }
    if (rc > 0) connection.RaiseSessionError(&owner_);
}

}  // namespace tarrow
