#include "mysql/MySqlSession.h"

#include "mysql/CRVioTcp.h"
#include "mysql/MySqlResultSet.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <system_error>

namespace tarrow {

TMySqlSession::TMySqlSession() = default;

TMySqlSession::~TMySqlSession()
{
    if (currentResult_ != nullptr) currentResult_->DetachSession();
}

void TMySqlSession::ClearError() noexcept
{
    errorCode_ = 0;
    errorText_.clear();
}

void TMySqlSession::StoreError(const EMySqlException& error)
{
    StoreError(error.ErrorCode(), error.Message());
}

void TMySqlSession::StoreError(int code, std::string text)
{
    errorCode_ = code;
    errorText_ = std::move(text);
}

void TMySqlSession::SetSslTexts(std::string key, std::string certificate, std::string caFile,
                                std::string caPath, std::string cipherList)
{
    protocol_ = kProtocolSsl;
    sslKey_ = std::move(key);
    sslCertificate_ = std::move(certificate);
    sslCaFile_ = std::move(caFile);
    sslCaPath_ = std::move(caPath);
    sslCipherList_ = std::move(cipherList);
}

TMySqlFieldInfos TMySqlSession::TakeFieldInfos()
{
    hasFieldInfos_ = false;
    return std::move(fieldInfos_);
}

// -- Login

void TMySqlSession::AttachTransport(const std::string& host, int port)
{
    switch (protocol_) {
    case kProtocolDefault:
    case kProtocolTcp: {
        const std::string name = host.empty() ? std::string("localhost") : host;
        net_.AttachTransport(std::make_unique<TCRVioTcp>(name, port == 0 ? kDefaultPort : port));
        hostInfo_ = name + " via TCP/IP";
        break;
    }
    default:
        // Named pipes, TLS and caller-supplied handlers are not built: such a protocol can only
        // reuse a transport the session already has.
        if (net_.Transport() == nullptr) throw MySqlError(kCrWrongProtocol);
        break;
    }
}

void TMySqlSession::Connect(const std::string& hostArgument, const std::string& userArgument,
                            const std::string& passwordArgument, const std::string& databaseArgument,
                            int portArgument, std::uint32_t flags)
{
    const std::string host = hostArgument.empty() ? host_ : hostArgument;
    const std::string user = userArgument.empty() ? user_ : userArgument;
    const std::string password = passwordArgument.empty() ? password_ : passwordArgument;
    const std::string database = databaseArgument.empty() ? database_ : databaseArgument;
    const int port = portArgument == 0 ? port_ : portArgument;
    serverStatus_ = kServerStatusAutocommit;
    state_ = kStateReady;

    AttachTransport(host, port);
    TCRVio& transport = *net_.Transport();
    const std::string shownHost = host.empty() ? std::string("localhost") : host;
    try {
        transport.SetTimeout(connectTimeout_);
        transport.Connect();
    } catch (const SocketException&) {
        throw MySqlError(kCrConnHostError, {shownHost, std::int64_t{10061}}, transport.LastError());
    } catch (const std::system_error& error) {
        throw MySqlError(kCrConnHostError, {shownHost, std::int64_t{10061}}, error.what());
    }

    net_.SetCompress(false);
    // What the login tells the server it may send, and so the most the session takes in.
    net_.SetMaxPacketSize(kLoginMaxPacket);
    net_.NewCommand();
    net_.ReadPacket();
    const TGreeting greeting = ParseGreeting(net_.Packet());
    serverVersion_ = greeting.ServerVersion;
    threadId_ = greeting.ThreadId;
    scramble_ = greeting.Scramble;
    serverCapabilities_ = greeting.ServerCapabilities;
    serverLanguage_ = greeting.ServerLanguage;
    serverStatus_ = greeting.ServerStatus;

    host_ = host;
    port_ = port;
    net_.ResetPacket();
    TLoginRequest request;
    request.ClientFlags = ComputeClientFlags(flags, clientFlags_, serverCapabilities_, protocol_);
    request.ServerCapabilities = serverCapabilities_;
    request.Scramble = scramble_;
    request.FullScramble = greeting.FullScramble;
    request.User = user;
    request.Password = password;
    request.Database = database;
    clientFlags_ = request.ClientFlags;
    net_.WriteBytes(BuildLoginPacket(request));
    net_.FlushPacket();
    if (serverCapabilities_ & kClientConnectWithDb) database_ = database;

    HandleLoginAnswer(password);
    net_.SetCompress((clientFlags_ & kClientCompress) != 0);
}

void TMySqlSession::HandleLoginAnswer(const std::string& password)
{
    net_.ReadPacket();
    if (!(serverCapabilities_ & kClientSecureConnection)) return;
    const auto answer = net_.Packet();
    std::vector<std::uint8_t> reply;
    if (IsOldScrambleRequest(answer)) {
        reply = OldScramble(password, std::span(scramble_).first(8));
    } else if (IsSecondChallenge(answer)) {
        reply = AnswerSecondChallenge(password, answer, scramble_);
    } else {
        return;
    }
    net_.ResetPacket();
    net_.WriteBytes(reply);
    net_.FlushPacket();
    net_.ReadPacket();
}

// -- Commands

void TMySqlSession::SimpleCommand(std::uint8_t command, const std::uint8_t* data, std::size_t length,
                                  bool readAnswer)
{
    TCRVio* transport = net_.Transport();
    if (transport == nullptr) return;
    transport->SetTimeout(readTimeout_);
    if (state_ != kStateReady) throw MySqlError(kCrCommandsOutOfSync);
    info_.clear();
    affectedRows_ = 0;
    net_.NewCommand();
    net_.WriteByte(command);
    if (length > 0) net_.WriteBytes(data, length);
    net_.FlushPacket();
    if (readAnswer) net_.ReadPacket();
}

template <typename TRead> auto TMySqlSession::Answer(TRead read)
{
    try {
        return read();
    } catch (const EMySqlException&) {
        // The server sends nothing after an error packet, whatever the status said before it:
        // waiting for the announced results would wait for the read time-out.
        if (net_.ServerErrorRead()) {
            serverStatus_ &= static_cast<std::uint16_t>(~kServerMoreResultsExist);
            state_ = kStateReady;
        }
        throw;
    }
}

void TMySqlSession::ReadQueryResult()
{
    Answer([this] { ReadAnswer(); });
}

void TMySqlSession::ReadAnswer()
{
    serverStatus_ = kServerStatusAutocommit;
    net_.ReadPacket();
    for (;;) {
        const std::int64_t count = net_.ReadLengthCoded();
        fieldCount_ = static_cast<int>(count);
        if (count == 0) {
            const bool transactions = (serverCapabilities_ & kClientTransactions) != 0;
            const TOkPacket ok = ParseOkPacket(net_.Packet(), Protocol41(), transactions);
            affectedRows_ = ok.AffectedRows;
            insertId_ = ok.InsertId;
            if (ok.HasStatus) serverStatus_ = ok.ServerStatus;
            if (ok.HasWarnings) warningCount_ = ok.WarningCount;
            info_ = ok.Info;
            return;
        }
        if (count == -1) {
            const std::string fileName = net_.ReadZString();
            SendLocalInfile(fileName);
            net_.SetReadPosition(0);
            continue;
        }
        if (count < 0 || count > 0xFFFF) throw MySqlError(kCrMalformedPacket);
        if (net_.ReadPosition() < net_.Length()) extra_ = net_.ReadLengthCoded();
        ReadFieldInfos(static_cast<std::size_t>(count));
        if (fieldInfos_.size() != static_cast<std::size_t>(count)) throw MySqlError(kCrMalformedPacket);
        hasFieldInfos_ = true;
        state_ = kStateResultHeader;
        warningCount_ = 0;
        return;
    }
}

void TMySqlSession::TakeEndPacket(std::span<const std::uint8_t> packet)
{
    const TEndPacket end = ParseEndPacket(packet);
    if (end.HasCounts) {
        warningCount_ = end.WarningCount;
        serverStatus_ = end.ServerStatus;
    }
}

void TMySqlSession::ReadFieldInfos(std::size_t count)
{
    fieldInfos_.clear();
    hasFieldInfos_ = false;
    const bool protocol41 = Protocol41();
    const bool longFlags = (serverCapabilities_ & kClientLongFlag) != 0;
    for (;;) {
        const std::vector<std::uint8_t> packet = net_.ReceiveBuffer();
        if (packet.size() < 8 && packet[0] == kEndMarker) {
            TakeEndPacket(packet);
            return;
        }
        // Descriptions beyond the announced count would pile up for as long as the server sends.
        if (fieldInfos_.size() == count) throw MySqlError(kCrMalformedPacket);
        fieldInfos_.push_back(ParseFieldInfo(packet, protocol41, longFlags));
    }
}

void TMySqlSession::SendLocalInfile(const std::string& fileName)
{
    net_.ResetPacket();
    std::exception_ptr fileError;
    if (!localInfile_) {
        // The login announces LOCAL INFILE as it always has; only the caller decides to give a
        // file. The empty packet tells the server the file is empty.
        fileError = std::make_exception_ptr(ELocalInfileError(
            "Cannot send file \"" + fileName + "\". Local loads are switched off for this connection"));
    } else {
        errno = 0;
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
            localInfileOpener_ ? localInfileOpener_(fileName) : std::fopen(fileName.c_str(), "rb"),
            std::fclose);
        try {
            if (!file)
                throw ELocalInfileError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
            std::vector<std::uint8_t> chunk(kLocalInfileChunk);
            for (;;) {
                const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file.get());
                if (n > 0) {
                    net_.WriteBytes(chunk.data(), n);
                    net_.FlushPacket();
                }
                if (n < chunk.size()) {
                    if (std::ferror(file.get()))
                        throw ELocalInfileError("Cannot read file \"" + fileName + "\". " +
                                                std::strerror(errno));
                    break;
                }
            }
        } catch (const EMySqlException&) {
            throw; // the connection itself failed: nothing more can be sent
        } catch (...) {
            fileError = std::current_exception();
        }
    }
    net_.SendEmptyPacket();
    try {
        net_.ReadPacket();
    } catch (const EMySqlException&) {
        // The server's view of a file it did not get is no news: the file error says what happened.
        if (!fileError || !net_.ServerErrorRead()) throw;
    }
    if (fileError) std::rethrow_exception(fileError);
}

bool TMySqlSession::FetchRow(std::size_t columnCount, TMySqlBinds& binds)
{
    return Answer([&] {
        net_.ReadPacket();
        const auto packet = net_.Packet();
        if (IsEndPacket(packet)) {
            TakeEndPacket(packet);
            state_ = kStateReady;
            return false;
        }
        ParseRow(packet, columnCount, binds);
        return true;
    });
}

void TMySqlSession::SkipResult()
{
    if (state_ == kStateReady) return;
    Answer([this] { SkipRows(); });
}

void TMySqlSession::SkipRows()
{
    struct TReady {
        std::uint8_t& State;
        ~TReady() { State = kStateReady; }
    } ready{state_};
    if (net_.Compress()) {
        for (;;) {
            const std::vector<std::uint8_t> packet = net_.ReceiveBuffer();
            if (IsEndPacket(packet)) return;
        }
    }
    bool check = true;
    for (;;) {
        std::uint8_t first = 0;
        const std::uint32_t length = net_.DrainPacket(kSkipChunk, check, first);
        if (check && first == kEndMarker && length <= 8) return;
        // The packet after a maximal one continues its row: its first byte is data, not a marker.
        check = length != TMySqlNet::kMaxPacketLength;
    }
}

} // namespace tarrow
