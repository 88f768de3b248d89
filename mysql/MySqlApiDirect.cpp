#include "mysql/MySqlApiDirect.h"

#include <algorithm>
#include <cstring>

namespace tarrow {

namespace {

int IntOption(const void* value)
{
    return value == nullptr ? 0 : *static_cast<const int*>(value);
}

std::string StatusDetail(std::uint8_t state)
{
    return "mysql.status = " + std::to_string(state);
}

const TMySqlBind& BindOf(const TMySqlResultSet* result, std::size_t index)
{
    const auto& binds = result->Binds().Binds;
    if (index >= binds.size())
        throw EArgumentException("Column index out of range: " + std::to_string(index));
    return binds[index];
}

bool IsTextType(std::uint8_t type)
{
    return type == 15 || type == 247 || type == 248 || type == 253 || type == 254;
}

} // namespace

TMySQLAPIDirect& MySQLAPIDirect()
{
    static TMySQLAPIDirect api;
    return api;
}

// -- Connection

TMySqlSession* TMySQLAPIDirect::mysql_init()
{
    return std::make_unique<TMySqlSession>().release();
}

int TMySQLAPIDirect::mysql_options(TMySqlSession* session, int option, const void* value)
{
    switch (option) {
    case kMySqlOptConnectTimeout:
        session->SetConnectTimeout(IntOption(value));
        break;
    case kMySqlOptNamedPipe:
        session->SetProtocol(kProtocolPipe);
        break;
    case kMySqlOptLocalInfile:
        session->SetLocalInfile(value == nullptr || *static_cast<const unsigned*>(value) != 0);
        break;
    case kMySqlOptProtocol:
        session->SetProtocol(value == nullptr ? kProtocolDefault : *static_cast<const std::uint8_t*>(value));
        break;
    case kMySqlOptReadTimeout:
    case kMySqlOptWriteTimeout:
        session->SetReadTimeout(IntOption(value));
        break;
    default:
        break;
    }
    return 0;
}

int TMySQLAPIDirect::mysql_ssl_set(TMySqlSession* session, const std::string& key,
                                   const std::string& certificate, const std::string& caFile,
                                   const std::string& caPath, const std::string& cipherList)
{
    session->SetSslTexts(key, certificate, caFile, caPath, cipherList);
    return 0;
}

TMySqlSession* TMySQLAPIDirect::mysql_real_connect(TMySqlSession* session, const std::string& host,
                                                   const std::string& user, const std::string& password,
                                                   const std::string& database, int port,
                                                   const std::string& /*unixSocket: named pipes only*/,
                                                   std::uint32_t clientFlags)
{
    session->ClearError();
    try {
        session->Connect(host, user, password, database, port, clientFlags);
        return session;
    } catch (const EMySqlException& error) {
        session->StoreError(error);
        return nullptr;
    }
}

const char* TMySQLAPIDirect::mysql_character_set_name(TMySqlSession*)
{
    throw Exception("mysql_character_set_name is not supported");
}

// -- Statements

int TMySQLAPIDirect::mysql_real_query(TMySqlSession* session, const char* statement, std::size_t length)
{
    session->ClearError();
    try {
        {
            std::lock_guard lock(queryLock_);
            if (queryBuffer_.size() < length) queryBuffer_.resize(length);
            if (length > 0) std::memcpy(queryBuffer_.data(), statement, length);
            session->SimpleCommand(kComQuery, reinterpret_cast<const std::uint8_t*>(queryBuffer_.data()),
                                   length, false);
        }
        session->ReadQueryResult();
        return 0;
    } catch (const EMySqlException& error) {
        session->StoreError(error);
        return error.ErrorCode();
    }
}

TMySqlResultSet* TMySQLAPIDirect::mysql_use_result(TMySqlSession* session)
{
    if (!session->HasFieldInfos()) return nullptr;
    session->ClearError();
    if (session->State() != kStateResultHeader) {
        session->StoreError(MySqlError(kCrCommandsOutOfSync, StatusDetail(session->State())));
        return nullptr;
    }
    auto result =
        std::make_unique<TMySqlResultSet>(session, session->TakeFieldInfos(), session->Protocol41());
    session->SetCurrentResult(result.get());
    session->SetState(kStateReadingRows);
    return result.release();
}

TMySqlBinds* TMySQLAPIDirect::mysql_fetch_row(TMySqlResultSet* result)
{
    TMySqlSession* session = result->Session();
    if (session == nullptr) return result->Fetch();
    session->ClearError();
    try {
        return result->Fetch();
    } catch (const EMySqlException& error) {
        session->StoreError(error);
        if (!session->MoreResults()) session->SetState(kStateReady);
        return nullptr;
    }
}

void TMySQLAPIDirect::mysql_free_result(TMySqlResultSet* result)
{
    std::unique_ptr<TMySqlResultSet> owned(result);
    if (!owned) return;
    owned->Release();
    TMySqlSession* session = owned->Session();
    if (session == nullptr) return;
    try {
        session->SkipResult();
    } catch (const EMySqlException&) {
        // The next command meets the cause (typically a lost connection) and reports it.
    }
    session->SetCurrentResult(nullptr);
}

int TMySQLAPIDirect::mysql_next_result(TMySqlSession* session)
{
    session->ClearError();
    try {
        if (session->State() != kStateReady)
            throw MySqlError(kCrCommandsOutOfSync, StatusDetail(session->State()));
        session->SetAffectedRows(-1);
        if (!session->MoreResults()) return -1;
        session->ReadQueryResult();
        return 0;
    } catch (const EMySqlException& error) {
        session->StoreError(error);
        return error.ErrorCode();
    }
}

// -- Small commands

int TMySQLAPIDirect::mysql_select_db(TMySqlSession* session, const std::string& database)
{
    session->ClearError();
    try {
        session->SimpleCommand(kComInitDb, reinterpret_cast<const std::uint8_t*>(database.data()),
                               database.size(), true);
        session->SetDatabase(database);
        return 0;
    } catch (const EMySqlException& error) {
        session->StoreError(error);
        return error.ErrorCode();
    }
}

int TMySQLAPIDirect::mysql_ping(TMySqlSession* session)
{
    session->ClearError();
    try {
        session->SimpleCommand(kComPing, nullptr, 0, true);
        return 0;
    } catch (const EMySqlException& error) {
        session->StoreError(error);
        return error.ErrorCode();
    }
}

int TMySQLAPIDirect::mysql_kill(TMySqlSession* session, std::uint32_t threadId)
{
    session->ClearError();
    try {
        std::uint8_t id[4];
        for (int i = 0; i < 4; ++i) id[i] = static_cast<std::uint8_t>(threadId >> (8 * i));
        session->SimpleCommand(kComProcessKill, id, sizeof id, true);
        return 0;
    } catch (const EMySqlException& error) {
        session->StoreError(error);
        return error.ErrorCode();
    }
}

void TMySQLAPIDirect::mysql_close(TMySqlSession* session)
{
    std::unique_ptr<TMySqlSession> owned(session);
    if (!owned) return;
    try {
        if (!owned->Closing()) {
            owned->SetClosing();
            owned->SetState(kStateReady);
            owned->SimpleCommand(kComQuit, nullptr, 0, false);
        }
    } catch (const EMySqlException&) {
        // Closing a connection that is already gone is not a failure.
    }
    try {
        owned->Net().Close();
    } catch (const EMySqlException&) {
    }
}

// -- Row accessors

TMySqlColumnDescription TMySQLAPIDirect::ColumnDescription(const TMySqlResultSet* result, std::size_t index,
                                                           bool utf8) const
{
    const auto& infos = result->FieldInfos();
    if (index >= infos.size())
        throw EArgumentException("Column index out of range: " + std::to_string(index));
    const TMySqlFieldInfo& info = infos[index];
    TMySqlColumnDescription description;
    description.Name = info.Name;
    description.BaseColumnName = info.BaseColumnName.empty() ? info.Name : info.BaseColumnName;
    description.Table = info.Table;
    description.BaseTable = info.BaseTable;
    description.Flags = info.Flags;
    description.Type = info.Type;
    description.Decimals = info.Decimals;
    description.CharsetNumber = info.CharsetNumber;
    std::uint64_t length = info.Length;
    if (utf8 && !info.Table.empty() && !result->Protocol41() && IsTextType(info.Type)) length *= 3;
    description.Length = static_cast<std::uint32_t>(std::min<std::uint64_t>(length, 65535));
    return description;
}

void TMySQLAPIDirect::RowLengths(const TMySqlResultSet* result, std::vector<std::uint32_t>& lengths) const
{
    const auto& binds = result->Binds().Binds;
    lengths.resize(result->ColumnCount());
    for (std::size_t i = 0; i < lengths.size(); ++i) lengths[i] = i < binds.size() ? binds[i].Length : 0;
}

bool TMySQLAPIDirect::IsNull(const TMySqlResultSet* result, std::size_t index) const
{
    return BindOf(result, index).IsNull;
}

const std::uint8_t* TMySQLAPIDirect::ColumnBytes(const TMySqlResultSet* result, std::size_t index) const
{
    const TMySqlBind& bind = BindOf(result, index);
    if (bind.IsNull || !result->HasRow()) return nullptr;
    return result->Binds().Row.data() + bind.Offset;
}

std::size_t TMySQLAPIDirect::CopyColumnBytes(const TMySqlResultSet* result, std::size_t index,
                                             std::size_t count, void* destination, std::size_t offset) const
{
    const TMySqlBind& bind = BindOf(result, index);
    const std::uint8_t* value = ColumnBytes(result, index);
    const std::size_t n = value == nullptr ? 0 : std::min<std::size_t>(count, bind.Length);
    if (n > 0) std::memcpy(static_cast<std::uint8_t*>(destination) + offset, value, n);
    return n;
}

std::size_t TMySQLAPIDirect::CopyColumnBytesZ(const TMySqlResultSet* result, std::size_t index,
                                              std::size_t count, void* destination, std::size_t offset) const
{
    const std::size_t n = CopyColumnBytes(result, index, count, destination, offset);
    static_cast<std::uint8_t*>(destination)[offset + n] = 0;
    return n;
}

std::string TMySQLAPIDirect::ColumnText(const TMySqlResultSet* result, std::size_t index) const
{
    const TMySqlBind& bind = BindOf(result, index);
    const std::uint8_t* value = ColumnBytes(result, index);
    if (value == nullptr) return {};
    return std::string(reinterpret_cast<const char*>(value), bind.Length);
}

} // namespace tarrow
