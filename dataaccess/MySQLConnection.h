#pragma once
// The internal connection object of a connection component: the login parameters and the one
// protocol session every query and command of the component runs on.

#include "dataaccess/MyConnectionOptions.h"
#include "mysql/MySqlApiDirect.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarrow {

class TComponent;

struct TMyServerVersion {
    std::string Text;
    int Major = 0;
    int Minor = 0;
    int Release = 0;
};

// "5.0.45-log" gives 5, 0 and 45: the number before the first ".", the digits after it, and the
// digits after the character that follows them. Raises EConvertError when no number comes first.
TMyServerVersion ParseServerVersion(std::string_view text);

class TMySQLConnection {
public:
    // Client flags of every login: found rows and multiple statements; compression when asked.
    static constexpr std::uint32_t kClientFoundRows = 0x2;
    static constexpr std::uint32_t kClientCompress = 0x20;
    static constexpr std::uint32_t kClientMultiStatements = 0x10000;
    // The statement time-out when a component asks for none: 365 days.
    static constexpr int kNoTimeout = 31536000;

    // owner: the component that errors of this object are raised on behalf of.
    explicit TMySQLConnection(TComponent* owner) : owner_(owner) {}
    TMySQLConnection(const TMySQLConnection&) = delete;
    TMySQLConnection& operator=(const TMySQLConnection&) = delete;

    // Parameters (UTF-8; they go to the server in the code page).
    std::string Host;
    std::string User;
    std::string Password;
    std::string Database;
    int Port = 3306;
    int ConnectionTimeout = 15;
    bool Compress = false;
    TMyProtocol Protocol = TMyProtocol::mpDefault;
    std::string Charset;
    bool UseUnicode = false;
    bool CheckBackslashes = false;
    bool AutoCommit = true;
    TMySSLOptions SSL;

    // Opens the session: login, then the statements the options ask for (none by default). On
    // failure whatever was opened is closed and an EMyError with the session's code and text is
    // raised.
    void Connect();
    // Closes the session; the parameters stay.
    void Disconnect() noexcept;

    bool Connected() const noexcept { return session_ && connected_; }
    bool Alive() const noexcept { return alive_; }
    void MarkLost() noexcept { alive_ = false; }
    TMySqlSession* Session() const noexcept { return session_.get(); }
    TDateTime ConnectTime() const noexcept { return connectTime_; }

    const TMyServerVersion& ServerVersion() const noexcept { return version_; }
    // UTF-8 on the wire: asked for, and the server is 4.1 or later.
    bool Utf8() const noexcept { return utf8_; }
    bool BackslashEscapes() const noexcept { return backslashEscapes_; }

    // Text between the programs (UTF-8) and the session (code page, or UTF-8 with Utf8()).
    std::string ToServer(std::string_view text) const;
    std::string FromServer(std::string_view text) const;

    // The session's last error as an EMyError on behalf of component (or the owner).
    [[noreturn]] void RaiseSessionError(TComponent* component = nullptr) const;

    // Read and write time-out of the session for the next statement; 0 means none (365 days).
    void SetStatementTimeout(int seconds) const;

private:
    void OpenSession();
    void ExecuteDirect(std::string_view sql);
    std::string SelectOneValue(std::string_view sql);

    TComponent* owner_;
    TMySqlSessionPtr session_;
    bool connected_ = false;
    bool alive_ = false;
    bool utf8_ = false;
    bool backslashEscapes_ = true;
    TDateTime connectTime_ = 0;
    TMyServerVersion version_;
};

}  // namespace tarrow
