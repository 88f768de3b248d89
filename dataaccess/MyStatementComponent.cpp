#include "dataaccess/MyStatementComponent.h"

#include "dataaccess/MyParser.h"
#include "platform/Errors.h"

namespace tarrow {

TMyStatementComponent::TMyStatementComponent(std::string name) : TComponent(std::move(name))
{
    sql_.SetOnChange([this] {
        StatementChanged();
        Rescan();
    });
}

TMyStatementComponent::~TMyStatementComponent()
{
    if (connection_ != nullptr) connection_->UnregisterClient(this);
}

void TMyStatementComponent::SetConnection(TMyConnection* connection)
{
    if (connection == connection_) return;
    ConnectionClosing();
    if (connection_ != nullptr) connection_->UnregisterClient(this);
    connection_ = connection;
    if (connection_ != nullptr) connection_->RegisterClient(this);
}

void TMyStatementComponent::Rescan()
{
    const std::string text = SentText(sql_);
    if (ParamCheck) {
        auto parsed = ParseSqlParameters(text);
        finalSql_ = std::move(parsed.Text);
        params_ = std::move(parsed.Params);
    } else {
        finalSql_ = text;
        params_.clear();
    }
}

TMyConnection& TMyStatementComponent::UsableConnection()
{
    if (connection_ == nullptr) throw EDatabaseError("Connection is not defined");
    if (!connection_->Connected()) connection_->Connect();
    return *connection_;
}

}  // namespace tarrow
