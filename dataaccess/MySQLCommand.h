#pragma once
// The statement executor of a query or a command: sends one statement on the connection's
// session and hands over what the server answered.

#include "mysql/MySqlApiDirect.h"

#include <cstdint>
#include <string_view>

namespace tarrow {

class TComponent;
class TMyConnection;

class TMySQLCommand {
public:
    // owner: the component errors are raised on behalf of.
    explicit TMySQLCommand(TComponent& owner) : owner_(owner) {}

    // Sets the statement time-outs and sends the text (UTF-8; converted for the session). Errors
    // reach the caller through the connection's error handling.
    void Run(TMyConnection& connection, std::string_view text, int commandTimeout);

    std::int64_t AffectedRows() const noexcept { return affectedRows_; }
    int FieldCount() const noexcept { return fieldCount_; }

    // The rows of the answer, or none when it had no columns. Raises a session error reported
    // while the result was claimed.
    TMySqlResultPtr UseResult(TMyConnection& connection);
    // Releases every further result of a text of several statements; a failing one raises.
    void SkipMoreResults(TMyConnection& connection);

private:
    TComponent& owner_;
    std::int64_t affectedRows_ = 0;
    int fieldCount_ = 0;
};

}  // namespace tarrow
