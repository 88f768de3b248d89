#pragma once
// The call surface of the MySQL client protocol: the operations of the published MySQL client
// interface, under their mysql_ names, as members of one process-wide object (MySQLAPIDirect()),
// plus the row accessors the database components use instead of mysql_fetch_lengths and
// mysql_fetch_field_direct.
//
// Sessions and results are handles: mysql_init makes a session that mysql_close frees, and
// mysql_use_result makes a result that mysql_free_result frees (TMySqlSessionPtr and
// TMySqlResultPtr do that on scope exit).
//
// Errors: an operation that can fail first clears the session's error, then stores the code and
// message of any EMySqlException it meets (mysql_errno, mysql_error) and reports the failure by its
// result. Client errors read as the fixed text of their code (2000..2047), optionally followed by
// CR LF and a detail; server errors read as CR LF and the server's text ("#", the SQL state and the
// sentence). Any other exception (an argument error from a malformed length prefix, a LOCAL INFILE
// file that cannot be read or was not given because local loads are off) passes through to the
// caller.
//
// States: a session is ready (0), has read a result header (1) or is reading rows (2); a command
// sent in any state but ready fails with 2014. A row-returning statement goes mysql_real_query
// (0 -> 1), mysql_use_result (1 -> 2), mysql_fetch_row until none (2 -> 0), mysql_free_result.
//
// Text: values and statements are bytes as the server stores them; nothing here converts code pages.

#include "mysql/MySqlPackets.h"
#include "mysql/MySqlResultSet.h"
#include "mysql/MySqlSession.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tarrow {

// mysql_options numbers this layer acts on; every other number is accepted and ignored.
inline constexpr int kMySqlOptConnectTimeout = 0; // int seconds
inline constexpr int kMySqlOptCompress = 1;       // ignored: compression is a flag of mysql_real_connect
inline constexpr int kMySqlOptNamedPipe = 2;      // protocol := named pipe
// Local loads on: no value, or an unsigned int other than 0 (0 switches them off again). Off by
// default, when a server's LOCAL INFILE request gets an empty file and the statement fails.
inline constexpr int kMySqlOptLocalInfile = 8;
inline constexpr int kMySqlOptProtocol =
    9; // protocol := the value's first byte (0 default, 1 TCP, 3 pipe, 5 TLS)
inline constexpr int kMySqlOptReadTimeout = 11;  // int seconds, applied before every command
inline constexpr int kMySqlOptWriteTimeout = 12; // the same field as the read time-out

// A column of a result as the components see it (the column-description accessor).
struct TMySqlColumnDescription {
    std::string Name;
    std::string BaseColumnName; // the name when the server sent no base column name
    std::string Table;
    std::string BaseTable;
    int Flags = 0;
    std::uint8_t Type = 0;
    int Decimals = 0;
    int CharsetNumber = 0;
    std::uint32_t Length = 0; // at most 65535
};

class TMySQLAPIDirect {
  public:
    static constexpr std::string_view kClientVersion = "4.1.3 Direct";

    TMySQLAPIDirect() = default;
    TMySQLAPIDirect(const TMySQLAPIDirect&) = delete;
    TMySQLAPIDirect& operator=(const TMySQLAPIDirect&) = delete;

    // -- Connection
    TMySqlSession* mysql_init();
    // Always 0. Option 0: connect time-out; 2: named pipe; 9: protocol; 11 and 12: read time-out.
    int mysql_options(TMySqlSession* session, int option, const void* value);
    // Always 0: protocol := TLS (not built here: connecting then fails with 2046).
    int mysql_ssl_set(TMySqlSession* session, const std::string& key, const std::string& certificate,
                      const std::string& caFile, const std::string& caPath, const std::string& cipherList);
    // The session on success, none on failure. Empty texts and port 0 take the session's stored
    // values; host defaults to "localhost", port to 3306. Flags: 0x2 found rows, 0x10000 multiple
    // statements, 0x20 compression (used only when the server offers it).
    TMySqlSession* mysql_real_connect(TMySqlSession* session, const std::string& host,
                                      const std::string& user, const std::string& password,
                                      const std::string& database, int port, const std::string& unixSocket,
                                      std::uint32_t clientFlags);
    const std::string& mysql_get_server_info(TMySqlSession* session) { return session->ServerVersion(); }
    const std::string& mysql_get_host_info(TMySqlSession* session) { return session->HostInfo(); }
    std::string_view mysql_get_client_info() const { return kClientVersion; }
    std::uint32_t mysql_thread_id(TMySqlSession* session) { return session->ThreadId(); }
    int mysql_errno(TMySqlSession* session) { return session->ErrorCode(); }
    const std::string& mysql_error(TMySqlSession* session) { return session->ErrorText(); }
    // Not supported: raises an error.
    const char* mysql_character_set_name(TMySqlSession* session);

    // -- Statements
    // 0 or the error code. Sends the statement's bytes as they are and reads the answer.
    int mysql_real_query(TMySqlSession* session, const char* statement, std::size_t length);
    int mysql_real_query(TMySqlSession* session, std::string_view statement)
    {
        return mysql_real_query(session, statement.data(), statement.size());
    }
    // Columns of the last answer; 0 for an OK packet.
    int mysql_field_count(TMySqlSession* session) { return session->FieldCount(); }
    // Of the last OK packet; 0 after a result header, -1 once mysql_next_result began.
    std::int64_t mysql_affected_rows(TMySqlSession* session) { return session->AffectedRows(); }
    std::int64_t mysql_insert_id(TMySqlSession* session) { return session->InsertId(); }
    const std::string& mysql_info(TMySqlSession* session) { return session->Info(); }
    // A result reading the rows of the last result header, or none when the answer had no columns
    // (the error is then left as it was). 2014 when the rows are already being read.
    TMySqlResultSet* mysql_use_result(TMySqlSession* session);
    int mysql_num_fields(TMySqlResultSet* result) { return static_cast<int>(result->ColumnCount()); }
    // The next row's bindings, or none at the end or on error (then see mysql_errno).
    TMySqlBinds* mysql_fetch_row(TMySqlResultSet* result);
    // Skips what is unread (errors while skipping are swallowed) and frees the result.
    void mysql_free_result(TMySqlResultSet* result);
    bool mysql_more_results(TMySqlSession* session) { return session->MoreResults(); }
    // 0 when a further result was read, -1 when there is none, or an error code.
    int mysql_next_result(TMySqlSession* session);

    // -- Small commands: 0 or the error code.
    int mysql_select_db(TMySqlSession* session, const std::string& database);
    int mysql_ping(TMySqlSession* session);
    int mysql_kill(TMySqlSession* session, std::uint32_t threadId);
    // Sends quit, closes the connection and frees the session; errors are swallowed. A result
    // still open stops reading from it.
    void mysql_close(TMySqlSession* session);

    // -- Row accessors (current row of a result)
    // The column's description; utf8 (a connection working in UTF-8) triples the length of the
    // text types 15, 247, 248, 253 and 254 of a table column when the 4.1 protocol is not in use.
    TMySqlColumnDescription ColumnDescription(const TMySqlResultSet* result, std::size_t index,
                                              bool utf8) const;
    // Resized to the column count, filled with the value lengths of the current row.
    void RowLengths(const TMySqlResultSet* result, std::vector<std::uint32_t>& lengths) const;
    bool IsNull(const TMySqlResultSet* result, std::size_t index) const;
    // The value's first byte inside the current row, or none for NULL.
    const std::uint8_t* ColumnBytes(const TMySqlResultSet* result, std::size_t index) const;
    // Copies count bytes of the value (at most its length) to destination + offset; the Z variant
    // writes a 0 byte after them. Returns the bytes copied.
    std::size_t CopyColumnBytes(const TMySqlResultSet* result, std::size_t index, std::size_t count,
                                void* destination, std::size_t offset) const;
    std::size_t CopyColumnBytesZ(const TMySqlResultSet* result, std::size_t index, std::size_t count,
                                 void* destination, std::size_t offset) const;
    // The value's bytes as a string (empty for NULL).
    std::string ColumnText(const TMySqlResultSet* result, std::size_t index) const;

  private:
    // The query buffer shared by all sessions: a statement is copied into it and sent from it
    // under its lock; answers are read outside the lock.
    std::mutex queryLock_;
    std::vector<char> queryBuffer_;
};

// The one call surface of the process.
TMySQLAPIDirect& MySQLAPIDirect();

struct TMySqlSessionCloser {
    void operator()(TMySqlSession* session) const { MySQLAPIDirect().mysql_close(session); }
};
struct TMySqlResultFreer {
    void operator()(TMySqlResultSet* result) const { MySQLAPIDirect().mysql_free_result(result); }
};
using TMySqlSessionPtr = std::unique_ptr<TMySqlSession, TMySqlSessionCloser>;
using TMySqlResultPtr = std::unique_ptr<TMySqlResultSet, TMySqlResultFreer>;

} // namespace tarrow
