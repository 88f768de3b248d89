#pragma once
// One connection to a MySQL server: its options, the login conversation, the command state, and
// what the server said last (OK packet fields, column descriptions, status, errors). The call
// surface (MySqlApiDirect.h) drives it; this class raises EMySqlException and the surface stores
// the error.

#include "mysql/MySqlLogin.h"
#include "mysql/MySqlNet.h"
#include "mysql/MySqlPackets.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace tarrow {

class TMySqlResultSet;

// Command bytes.
inline constexpr std::uint8_t kComQuit = 1;
inline constexpr std::uint8_t kComInitDb = 2;
inline constexpr std::uint8_t kComQuery = 3;
inline constexpr std::uint8_t kComProcessKill = 12;
inline constexpr std::uint8_t kComPing = 14;

// Command states: a command may be sent only in the ready state.
inline constexpr std::uint8_t kStateReady = 0;
inline constexpr std::uint8_t kStateResultHeader = 1;
inline constexpr std::uint8_t kStateReadingRows = 2;

inline constexpr int kDefaultPort = 3306;
// LOCAL INFILE files go to the server in packets of this many bytes.
inline constexpr std::size_t kLocalInfileChunk = 8192;
// Rows skipped without compression pass through pieces of this size.
inline constexpr std::size_t kSkipChunk = 65536;

// A file the server asked for with LOCAL INFILE could not be opened or read.
class ELocalInfileError : public Exception {
    using Exception::Exception;
};

// Opens the file a LOCAL INFILE request names, for reading; none when it cannot be opened (errno
// then says why). The session closes what it returns.
using TLocalInfileOpener = std::function<std::FILE*(const std::string& fileName)>;

class TMySqlSession {
  public:
    TMySqlSession();
    // A result still reading from this session loses its link (and its current row).
    ~TMySqlSession();
    TMySqlSession(const TMySqlSession&) = delete;
    TMySqlSession& operator=(const TMySqlSession&) = delete;

    // -- Errors of the last operation (mysql_errno, mysql_error)
    int ErrorCode() const noexcept { return errorCode_; }
    const std::string& ErrorText() const noexcept { return errorText_; }
    void ClearError() noexcept;
    void StoreError(const EMySqlException& error);
    void StoreError(int code, std::string text);

    // -- Options
    void SetConnectTimeout(int seconds) noexcept { connectTimeout_ = seconds; }
    int ConnectTimeout() const noexcept { return connectTimeout_; }
    void SetReadTimeout(int seconds) noexcept { readTimeout_ = seconds; }
    int ReadTimeout() const noexcept { return readTimeout_; }
    void SetProtocol(std::uint8_t protocol) noexcept { protocol_ = protocol; }
    std::uint8_t Protocol() const noexcept { return protocol_; }
    // Whether a LOCAL INFILE request of the server is honoured; off by default. Off, the session
    // reads no file, answers with an empty packet and fails the statement with ELocalInfileError
    // whatever the server then says, so a hostile server cannot take a file it was not given.
    void SetLocalInfile(bool on) noexcept { localInfile_ = on; }
    bool LocalInfile() const noexcept { return localInfile_; }
    // Replaces how LOCAL INFILE files are opened (by default: the named file, read-only). A caller
    // that must not hand out files, such as a fuzzer, refuses them here.
    void SetLocalInfileOpener(TLocalInfileOpener opener) { localInfileOpener_ = std::move(opener); }
    void SetSslTexts(std::string key, std::string certificate, std::string caFile, std::string caPath,
                     std::string cipherList);

    // -- Login: raises EMySqlException (2003, 2007, 2046, the server's refusal, 2013, 1156).
    void Connect(const std::string& host, const std::string& user, const std::string& password,
                 const std::string& database, int port, std::uint32_t flags);

    // -- Commands
    // Sends one command (nothing at all without a transport) and, when asked, reads the answer,
    // which is accepted unless it is an error packet. 2014 unless the state is ready.
    void SimpleCommand(std::uint8_t command, const std::uint8_t* data, std::size_t length, bool readAnswer);
    // The answer to a query: an OK packet, a LOCAL INFILE request, or a result header with its
    // column descriptions (state 1). An error packet here, among the rows or while skipping them
    // ends a batch of statements: the state is ready and no further result is announced.
    void ReadQueryResult();
    // Reads and drops the rest of the current result's rows; the state is ready afterwards.
    void SkipResult();
    // Rows of the current result: the next row packet, or false at its end packet.
    bool FetchRow(std::size_t columnCount, TMySqlBinds& binds);

    // -- What the server said
    const std::string& Host() const noexcept { return host_; }
    int Port() const noexcept { return port_; }
    const std::string& Database() const noexcept { return database_; }
    void SetDatabase(std::string database) { database_ = std::move(database); }
    const std::string& ServerVersion() const noexcept { return serverVersion_; }
    const std::string& HostInfo() const noexcept { return hostInfo_; }
    const std::string& Info() const noexcept { return info_; }
    std::uint32_t ClientFlags() const noexcept { return clientFlags_; }
    std::uint32_t ThreadId() const noexcept { return threadId_; }
    std::uint32_t ServerCapabilities() const noexcept { return serverCapabilities_; }
    std::uint16_t ServerStatus() const noexcept { return serverStatus_; }
    std::uint8_t ServerLanguage() const noexcept { return serverLanguage_; }
    int WarningCount() const noexcept { return warningCount_; }
    std::uint8_t State() const noexcept { return state_; }
    void SetState(std::uint8_t state) noexcept { state_ = state; }
    const TScramble& Scramble() const noexcept { return scramble_; }
    std::int64_t AffectedRows() const noexcept { return affectedRows_; }
    void SetAffectedRows(std::int64_t rows) noexcept { affectedRows_ = rows; }
    std::int64_t InsertId() const noexcept { return insertId_; }
    std::int64_t Extra() const noexcept { return extra_; }
    int FieldCount() const noexcept { return fieldCount_; }
    // True when both sides speak the 4.1 protocol.
    bool Protocol41() const noexcept
    {
        return (serverCapabilities_ & kClientProtocol41) && (clientFlags_ & kClientProtocol41);
    }
    bool MoreResults() const noexcept { return (serverStatus_ & kServerMoreResultsExist) != 0; }

    // Column descriptions of the last result header; a result takes them over.
    TMySqlFieldInfos& FieldInfos() noexcept { return fieldInfos_; }
    bool HasFieldInfos() const noexcept { return hasFieldInfos_; }
    TMySqlFieldInfos TakeFieldInfos();

    TMySqlResultSet* CurrentResult() const noexcept { return currentResult_; }
    void SetCurrentResult(TMySqlResultSet* result) noexcept { currentResult_ = result; }

    bool Closing() const noexcept { return closing_; }
    void SetClosing() noexcept { closing_ = true; }
    TMySqlNet& Net() noexcept { return net_; }

  private:
    void AttachTransport(const std::string& host, int port);
    void HandleLoginAnswer(const std::string& password);
    void ReadFieldInfos(std::size_t count);
    void ReadAnswer();
    void SkipRows();
    // Runs a read of the current answer; an error packet ends the batch (see ReadQueryResult).
    template <typename TRead> auto Answer(TRead read);
    void SendLocalInfile(const std::string& fileName);
    void TakeEndPacket(std::span<const std::uint8_t> packet);

    int errorCode_ = 0;
    std::string errorText_;
    TMySqlResultSet* currentResult_ = nullptr;
    TMySqlNet net_;
    std::string host_;
    std::string user_;
    std::string password_;
    std::string database_;
    std::string serverVersion_;
    std::string hostInfo_;
    std::string info_;
    std::uint32_t clientFlags_ = 0;
    int port_ = 0;
    int connectTimeout_ = 0;
    int readTimeout_ = 0;
    std::uint32_t threadId_ = 0;
    std::uint32_t serverCapabilities_ = 0;
    std::uint16_t serverStatus_ = 0;
    std::uint8_t serverLanguage_ = 0;
    int warningCount_ = 0;
    std::uint8_t state_ = kStateReady;
    TScramble scramble_{};
    std::uint8_t protocol_ = kProtocolDefault;
    TMySqlFieldInfos fieldInfos_;
    bool hasFieldInfos_ = false;
    std::int64_t affectedRows_ = 0;
    std::int64_t insertId_ = 0;
    std::int64_t extra_ = 0;
    int fieldCount_ = 0;
    std::string sslKey_;
    std::string sslCertificate_;
    std::string sslCaFile_;
    std::string sslCaPath_;
    std::string sslCipherList_;
    bool closing_ = false;
    bool localInfile_ = false;
    TLocalInfileOpener localInfileOpener_;
};

} // namespace tarrow
