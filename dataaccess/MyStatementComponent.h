#pragma once
// What a query and a command share: the connection they are bound to, the statement text with its
// parameter scan, and the statement time-out.

#include "dataaccess/MyConnection.h"
#include "dataaccess/SqlText.h"
#include "platform/Component.h"

#include <string>
#include <vector>

namespace tarrow {

class TMyStatementComponent : public TComponent, protected TMyConnectionClient {
public:
    explicit TMyStatementComponent(std::string name);
    ~TMyStatementComponent() override;

    TMyConnection* Connection() const noexcept { return connection_; }
    // Binding to another connection (or to none) closes an open query.
    void SetConnection(TMyConnection* connection);

    // The statement text; every assignment closes an open query and rescans the text.
    TSqlLines& SQL() noexcept { return sql_; }
    const TSqlLines& SQL() const noexcept { return sql_; }
    void SetSQL(std::string_view text) { sql_.SetText(text); }

    bool ParamCheck = true;
    // Seconds allowed for one statement; 0 means no limit (365 days).
    int CommandTimeout = 0;

    // Names of the parameter markers, in order of appearance.
    const std::vector<std::string>& Params() const noexcept { return params_; }
    // The text sent to the server (UTF-8 here): markers replaced by "?", trailing blanks and line
    // breaks removed.
    const std::string& FinalSQL() const noexcept { return finalSql_; }

protected:
    // The statement text changed: a query closes first.
    virtual void StatementChanged() {}
    // The bound connection, connected; EDatabaseError "Connection is not defined" when none.
    TMyConnection& UsableConnection();

    void ConnectionDestroyed() override { connection_ = nullptr; }
    // Scans the text again (ParamCheck may have changed since the last assignment).
    void Rescan();

private:
    TMyConnection* connection_ = nullptr;
    TSqlLines sql_;
    std::vector<std::string> params_;
    std::string finalSql_;
};

}  // namespace tarrow
