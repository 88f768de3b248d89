#pragma once
// The command component: runs statements that return no rows (inserts and updates), committed by
// the server as they complete.

#include "dataaccess/MySQLCommand.h"
#include "dataaccess/MyStatementComponent.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarrow {

class TMyCommand : public TMyStatementComponent {
public:
    explicit TMyCommand(std::string name = {});

    std::function<void(TMyCommand&)> AfterExecute;

    // Runs the statement and releases every result it produced, unread.
    void Execute();
    // Rows the last statement changed, as the server reports them.
    std::int32_t RowsAffected() const noexcept { return rowsAffected_; }

protected:
    void ConnectionClosing() override {}

private:
    TMySQLCommand executor_;
    std::int32_t rowsAffected_ = 0;
};

}  // namespace tarrow
