#include "dataaccess/MyConnection.h"

#include "platform/Errors.h"

#include <algorithm>

namespace tarrow {

namespace {
constexpr const char* kOpenConnection = "Cannot perform this operation on an open connection";
}

// ---- options

void TMyConnectionOptions::CheckClosed() const
{
    if (owner_.Connected()) throw EDatabaseError(ComponentMessage(&owner_, kOpenConnection));
}

void TMyConnectionOptions::SetDirect(bool value) const
{
    CheckClosed();
    if (!value) throw EDatabaseError(ComponentMessage(&owner_, "Direct False is not supported"));
}

void TMyConnectionOptions::SetEmbedded(bool value) const
{
    CheckClosed();
    if (value) throw EDatabaseError(ComponentMessage(&owner_, "Embedded True is not supported"));
}

void TMyConnectionOptions::SetProtocol(TMyProtocol value)
{
    CheckClosed();
    protocol_ = value;
}

void TMyConnectionOptions::SetCompress(bool value)
{
    CheckClosed();
    compress_ = value;
}

void TMyConnectionOptions::SetCharset(std::string value)
{
    CheckClosed();
    charset_ = std::move(value);
}

void TMyConnectionOptions::SetUseUnicode(bool value)
{
    CheckClosed();
    useUnicode_ = value;
}

void TMyConnectionOptions::SetShortLargeint(bool value)
{
    CheckClosed();
    shortLargeint_ = value;
}

void TMyConnectionOptions::SetZeroDateTimeAsNull(bool value)
{
    CheckClosed();
    zeroDateTimeAsNull_ = value;
}

// ---- connection

TMyConnection::TMyConnection(std::string name) : TComponent(std::move(name)) {}

TMyConnection::~TMyConnection()
{
    DisconnectQuietly();
    for (auto* client : std::vector<TMyConnectionClient*>(clients_)) client->ConnectionDestroyed();
}

void TMyConnection::SetPooling(bool value) const
{
    if (value) throw EDatabaseError(ComponentMessage(this, "Pooling True is not supported"));
}

void TMyConnection::SetIsolationLevel(TIsolationLevel value) const
{
    if (value != TIsolationLevel::ilReadCommitted)
        throw EDatabaseError(ComponentMessage(this, "IsolationLevel other than ilReadCommitted is not supported"));
}

void TMyConnection::SetServer(const std::string& value)
{
    if (value == server_) return;
    Disconnect();
    server_ = value;
}

void TMyConnection::SetPort(int value)
{
    if (value == port_) return;
    Disconnect();
    port_ = value;
    if (internal_) internal_->Port = value;
}

void TMyConnection::SetUsername(const std::string& value)
{
    if (value == username_) return;
    Disconnect();
    username_ = value;
}

void TMyConnection::SetPassword(const std::string& value)
{
    if (value == password_) return;
    Disconnect();
    password_ = value;
}

void TMyConnection::SetDatabase(const std::string& value)
{
    if (value == database_) return;
    database_ = value;
    if (!internal_) return;
    internal_->Database = value;
    if (Connected() && !value.empty()) {
        if (MySQLAPIDirect().mysql_select_db(internal_->Session(), internal_->ToServer(value)) != 0)
            RaiseSessionError(this);
    }
}

void TMyConnection::SetConnectionTimeout(int seconds)
{
    connectionTimeout_ = seconds;
    if (internal_) internal_->ConnectionTimeout = seconds;
}

void TMyConnection::PassParameters()
{
    TMySQLConnection& c = *internal_;
    c.Database = database_;
    c.ConnectionTimeout = connectionTimeout_;
    c.UseUnicode = options_.UseUnicode();
    c.Charset = options_.Charset();
    c.Port = port_;
    c.Compress = options_.Compress();
    c.Protocol = options_.Protocol();
    c.SSL = SSLOptions;
    c.CheckBackslashes = options_.CheckBackslashes;
    c.AutoCommit = true;
    c.User = username_;
    c.Password = password_;
    c.Host = server_;
}

void TMyConnection::Connect()
{
    if (Connected()) return;
    if (BeforeConnect) BeforeConnect(*this);
    if (!internal_) internal_ = std::make_unique<TMySQLConnection>(this);
    PassParameters();
    try {
        internal_->Connect();
    } catch (const EMyError& e) {
        RaiseError(e);
    }
    if (AfterConnect) AfterConnect(*this);
}

void TMyConnection::Disconnect()
{
    if (!Connected()) return;
    if (BeforeDisconnect) BeforeDisconnect(*this);
    for (auto* client : std::vector<TMyConnectionClient*>(clients_)) client->ConnectionClosing();
    internal_->Disconnect();
    if (AfterDisconnect) AfterDisconnect(*this);
}

void TMyConnection::DisconnectQuietly() noexcept
{
    try {
        Disconnect();
    } catch (...) {
        if (internal_) internal_->Disconnect();
    }
}

void TMyConnection::RegisterClient(TMyConnectionClient* client)
{
    if (std::find(clients_.begin(), clients_.end(), client) == clients_.end()) clients_.push_back(client);
}

void TMyConnection::UnregisterClient(TMyConnectionClient* client) noexcept
{
    std::erase(clients_, client);
}

TMySQLConnection& TMyConnection::Session()
{
    if (!Connected()) Connect();
    return *internal_;
}

void TMyConnection::ApplyTypeOptions(TMyTypeOptions& options) const
{
    options.NumericType = options_.NumericType;
    options.ShortLargeint = options_.ShortLargeint();
    options.ZeroDateTimeAsNull = options_.ZeroDateTimeAsNull();
    options.UseUnicode = internal_ && internal_->Utf8();
}

void TMyConnection::RaiseSessionError(TComponent* component)
{
    try {
        internal_->RaiseSessionError(component);
    } catch (const EMyError& e) {
        RaiseError(e);
    }
}

bool TMyConnection::ReconnectWanted() const
{
    // No explicit transactions exist here, so only the clients can object.
    if (!Connected()) return false;
    return std::none_of(clients_.begin(), clients_.end(), [](auto* c) { return c->ForbidsReconnect(); });
}

void TMyConnection::RaiseError(const EMyError& error)
{
    bool fail = true;
    if (error.IsConnectionLost() && options_.LocalFailover && OnConnectionLost) OnConnectionLost(*this);
    if (OnError) OnError(*this, error, fail);
    if (error.IsConnectionLost()) {
        const bool wanted = ReconnectWanted();
        if (internal_) internal_->MarkLost();
        if (wanted) {
            // Reopen at once with the same parameters, so that the next statement finds a session.
            bool reopened = false;
            try {
                internal_->Disconnect();
                internal_->Connect();
                reopened = true;
            } catch (...) {
            }
            if (reopened) {
                try {
                    if (AfterConnect) AfterConnect(*this);
                } catch (...) {
                }
            } else {
                // Handled once more, now as a closed connection: the next statement connects itself.
                if (OnError) {
                    bool again = true;
                    OnError(*this, error, again);
                }
                DisconnectQuietly();
            }
        } else {
            DisconnectQuietly();
        }
    }
    if (!fail) throw EAbort();
    throw error;
}

}  // namespace tarrow
