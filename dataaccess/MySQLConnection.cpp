#include "dataaccess/MySQLConnection.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cctype>

namespace tarrow {

namespace {

TMySQLAPIDirect& Api() { return MySQLAPIDirect(); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitsFrom(std::string_view text, std::size_t& pos)
{
    int value = 0;
    while (pos < text.size() && IsDigit(text[pos]) && value < 100000000) value = value * 10 + (text[pos++] - '0');
    return value;
}

}  // namespace

TMyServerVersion ParseServerVersion(std::string_view text)
{
    TMyServerVersion version;
    version.Text = std::string(text);
    const auto dot = text.find('.');
    const std::string_view head = dot == std::string_view::npos ? std::string_view{} : text.substr(0, dot);
    if (head.empty() || !std::all_of(head.begin(), head.end(), IsDigit) || head.size() > 9)
        throw EConvertError("'" + std::string(head) + "' is not a valid integer value");
    std::size_t pos = 0;
    version.Major = DigitsFrom(head, pos);
    pos = dot + 1;
    version.Minor = DigitsFrom(text, pos);
    ++pos;  // the character after the minor number, "." in every real version text
    version.Release = DigitsFrom(text, pos);
    return version;
}

std::string TMySQLConnection::ToServer(std::string_view text) const
{
    return utf8_ ? std::string(text) : Utf8ToCp1252(text);
}

std::string TMySQLConnection::FromServer(std::string_view text) const
{
    return utf8_ ? std::string(text) : Cp1252ToUtf8(text);
}

void TMySQLConnection::RaiseSessionError(TComponent* component) const
{
    TComponent* on = component != nullptr ? component : owner_;
    if (!session_) throw EMyError(2006, "MySQL server has gone away", on);
    const int code = Api().mysql_errno(session_.get());
    throw EMyError(code == 0 ? 2000 : code, FromServer(Api().mysql_error(session_.get())), on);
}

void TMySQLConnection::SetStatementTimeout(int seconds) const
{
    if (!session_) return;
    const int timeout = seconds == 0 ? kNoTimeout : seconds;
    Api().mysql_options(session_.get(), kMySqlOptReadTimeout, &timeout);
    Api().mysql_options(session_.get(), kMySqlOptWriteTimeout, &timeout);
}

void TMySQLConnection::Connect()
{
    try {
        OpenSession();
    } catch (...) {
        Disconnect();
        throw;
    }
}

void TMySQLConnection::OpenSession()
{
    version_ = {};
    session_.reset();
    connected_ = false;
    utf8_ = false;
    backslashEscapes_ = true;

    session_.reset(Api().mysql_init());
    if (!session_) throw EMyError(2008, "MySQL client run out of memory", owner_);
    Api().mysql_options(session_.get(), kMySqlOptConnectTimeout, &ConnectionTimeout);

    switch (Protocol) {
    case TMyProtocol::mpSSL: {
        auto slashes = [](std::string path) {
            std::replace(path.begin(), path.end(), '\\', '/');
            return path;
        };
        Api().mysql_ssl_set(session_.get(), slashes(SSL.Key), slashes(SSL.CertFile), slashes(SSL.CAFile), "",
                            SSL.CipherList);
        break;
    }
    case TMyProtocol::mpTCP:
    case TMyProtocol::mpSocket:
    case TMyProtocol::mpPipe:
    case TMyProtocol::mpMemory: {
        const auto value = static_cast<std::uint8_t>(static_cast<int>(Protocol));  // 1 to 4, in that order
        Api().mysql_options(session_.get(), kMySqlOptProtocol, &value);
        break;
    }
    case TMyProtocol::mpDefault: break;
    }

    const std::uint32_t flags = kClientFoundRows | kClientMultiStatements | (Compress ? kClientCompress : 0);
    const std::string host = Host.empty() ? std::string("localhost") : Utf8ToCp1252(Host);
    if (Api().mysql_real_connect(session_.get(), host, Utf8ToCp1252(User), Utf8ToCp1252(Password),
                                 Utf8ToCp1252(Database), Port, "", flags) == nullptr)
        RaiseSessionError();
    connected_ = true;
    alive_ = true;
    connectTime_ = Now();

    version_ = ParseServerVersion(Api().mysql_get_server_info(session_.get()));
    const bool atLeast41 = version_.Major > 4 || (version_.Major == 4 && version_.Minor >= 1);
    if (!atLeast41) {
        UseUnicode = false;
    } else if (UseUnicode) {
        ExecuteDirect("SET NAMES utf8");
        utf8_ = true;
    } else if (!Charset.empty()) {
        ExecuteDirect("SET NAMES " + Charset);
    }
    if (CheckBackslashes) {
        std::string mode = SelectOneValue("SELECT @@session.sql_mode");
        std::transform(mode.begin(), mode.end(), mode.begin(), [](unsigned char c) { return std::toupper(c); });
        backslashEscapes_ = mode.find("NO_BACKSLASH_ESCAPES") == std::string::npos;
    }
    // Nothing else: the database named at login is current and the server's auto-commit holds.
}

void TMySQLConnection::ExecuteDirect(std::string_view sql)
{
    SetStatementTimeout(ConnectionTimeout);
    if (Api().mysql_real_query(session_.get(), sql) != 0) RaiseSessionError();
    TMySqlResultPtr result(Api().mysql_use_result(session_.get()));
}

std::string TMySQLConnection::SelectOneValue(std::string_view sql)
{
    SetStatementTimeout(0);
    if (Api().mysql_real_query(session_.get(), sql) != 0) RaiseSessionError();
    TMySqlResultPtr result(Api().mysql_use_result(session_.get()));
    if (!result) RaiseSessionError();
    std::string value;
    bool first = true;
    while (Api().mysql_fetch_row(result.get()) != nullptr) {
        if (first) value = Api().ColumnText(result.get(), 0);
        first = false;
    }
    if (Api().mysql_errno(session_.get()) != 0) RaiseSessionError();
    return value;
}

void TMySQLConnection::Disconnect() noexcept
{
    session_.reset();  // mysql_close: quit, close, errors swallowed
    connected_ = false;
    utf8_ = false;
}

}  // namespace tarrow
