#include "dataaccess/MyCommand.h"

#include "platform/Errors.h"

namespace tarrow {

TMyCommand::TMyCommand(std::string name) : TMyStatementComponent(std::move(name)), executor_(*this) {}

void TMyCommand::Execute()
{
    TMyConnection& connection = UsableConnection();
    Rescan();
    executor_.Run(connection, FinalSQL(), CommandTimeout);
    rowsAffected_ = static_cast<std::int32_t>(executor_.AffectedRows());
    { TMySqlResultPtr unread = executor_.UseResult(connection); }
    executor_.SkipMoreResults(connection);
    if (AfterExecute) AfterExecute(*this);
}

}  // namespace tarrow
