#pragma once
// The connection component: the parameters of one login to a MySQL server, the protocol session
// its queries and commands share, and what happens when that session is lost.

#include "dataaccess/MyConnectionOptions.h"
#include "dataaccess/MySQLConnection.h"
#include "platform/Component.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarrow {

class EMyError;

// A query or command bound to a connection.
class TMyConnectionClient {
public:
    // The connection is closing its session: an open query closes.
    virtual void ConnectionClosing() = 0;
    // The connection goes away before its client does.
    virtual void ConnectionDestroyed() = 0;
    // Whether a lost session may be reopened under this client (never for ours: they keep no
    // unread rows and no prepared statements).
    virtual bool ForbidsReconnect() const { return false; }

protected:
    ~TMyConnectionClient() = default;
};

class TMyConnection : public TComponent {
public:
    using TNotifyEvent = std::function<void(TMyConnection&)>;
    // fail starts true; a handler that clears it turns the error into a silent abort.
    using TErrorEvent = std::function<void(TMyConnection&, const EMyError&, bool& fail)>;

    explicit TMyConnection(std::string name = {});
    ~TMyConnection() override;

    const std::string& Server() const noexcept { return server_; }
    void SetServer(const std::string& value);
    int Port() const noexcept { return port_; }
    void SetPort(int value);
    const std::string& Username() const noexcept { return username_; }
    void SetUsername(const std::string& value);
    const std::string& Password() const noexcept { return password_; }
    void SetPassword(const std::string& value);
    const std::string& Database() const noexcept { return database_; }
    // On an open session a non-empty name becomes the current database at once.
    void SetDatabase(const std::string& value);
    int ConnectionTimeout() const noexcept { return connectionTimeout_; }
    void SetConnectionTimeout(int seconds);

    // Kept for the window's design; no login dialog exists.
    bool LoginPrompt() const noexcept { return loginPrompt_; }
    void SetLoginPrompt(bool value) noexcept { loginPrompt_ = value; }
    // No connection pool exists: only False is accepted.
    bool Pooling() const noexcept { return false; }
    void SetPooling(bool value) const;
    // For explicit transactions, which nothing here starts (the server's auto-commit holds): only
    // the default level is accepted, so no caller believes another one is in force.
    TIsolationLevel IsolationLevel() const noexcept { return TIsolationLevel::ilReadCommitted; }
    void SetIsolationLevel(TIsolationLevel value) const;
    TMySSLOptions SSLOptions;

    TMyConnectionOptions& Options() noexcept { return options_; }
    const TMyConnectionOptions& Options() const noexcept { return options_; }

    TNotifyEvent BeforeConnect;
    TNotifyEvent AfterConnect;
    TNotifyEvent BeforeDisconnect;
    TNotifyEvent AfterDisconnect;
    TErrorEvent OnError;
    // Fires only with Options().LocalFailover; the failed statement is not run again.
    TNotifyEvent OnConnectionLost;

    void Connect();
    void Disconnect();
    bool Connected() const noexcept { return internal_ && internal_->Connected(); }
    void SetConnected(bool value) { value ? Connect() : Disconnect(); }

    // The internal connection object; none before the first connect.
    const TMySQLConnection* InternalConnection() const noexcept { return internal_.get(); }

    // ---- for the statement components
    void RegisterClient(TMyConnectionClient* client);
    void UnregisterClient(TMyConnectionClient* client) noexcept;
    // The open session's internal connection (connect first).
    TMySQLConnection& Session();
    // The session's last error, through the error handling of lost connections, raised as an
    // EMyError on behalf of component.
    [[noreturn]] void RaiseSessionError(TComponent* component);
    // The field-type options that belong to the connection.
    void ApplyTypeOptions(TMyTypeOptions& options) const;

private:
    friend class TMyConnectionOptions;

    void PassParameters();
    [[noreturn]] void RaiseError(const EMyError& error);
    bool ReconnectWanted() const;
    void DisconnectQuietly() noexcept;

    std::string server_;
    int port_ = 3306;
    std::string username_;
    std::string password_;
    std::string database_;
    int connectionTimeout_ = 15;
    bool loginPrompt_ = true;
    TMyConnectionOptions options_{*this};
    std::unique_ptr<TMySQLConnection> internal_;
    std::vector<TMyConnectionClient*> clients_;
};

}  // namespace tarrow
