#pragma once
// The options of a connection component. Those the session is opened with are refused while the
// connection is open; the others take effect at the next statement or the next connect.

#include "dataaccess/FieldTypes.h"

#include <string>

namespace tarrow {

class TMyConnection;

enum class TMyProtocol { mpDefault, mpTCP, mpSocket, mpPipe, mpMemory, mpSSL };
enum class TIsolationLevel { ilReadCommitted, ilReadUnCommitted, ilRepeatableRead, ilSerializable };

class TMyConnectionOptions {
public:
    explicit TMyConnectionOptions(TMyConnection& owner) : owner_(owner) {}
    TMyConnectionOptions(const TMyConnectionOptions&) = delete;
    TMyConnectionOptions& operator=(const TMyConnectionOptions&) = delete;

    // Refused on an open connection ("Cannot perform this operation on an open connection").
    // The protocol is always spoken by our own client, never through a loaded client library or
    // an embedded server: only Direct True and Embedded False are accepted.
    bool Direct() const noexcept { return true; }
    void SetDirect(bool value) const;
    bool Embedded() const noexcept { return false; }
    void SetEmbedded(bool value) const;
    TMyProtocol Protocol() const noexcept { return protocol_; }
    void SetProtocol(TMyProtocol value);
    bool Compress() const noexcept { return compress_; }
    void SetCompress(bool value);
    const std::string& Charset() const noexcept { return charset_; }
    void SetCharset(std::string value);
    bool UseUnicode() const noexcept { return useUnicode_; }
    void SetUseUnicode(bool value);
    // LONGLONG and BIT columns of length 11 or less as 32-bit integer fields.
    bool ShortLargeint() const noexcept { return shortLargeint_; }
    void SetShortLargeint(bool value);
    // A valid date-time number 0 (1899-12-30 00:00) read as NULL.
    bool ZeroDateTimeAsNull() const noexcept { return zeroDateTimeAsNull_; }
    void SetZeroDateTimeAsNull(bool value);

    // Free to change at any time.
    bool CheckBackslashes = false;
    TNumericType NumericType = TNumericType::ntFloat;
    bool LocalFailover = false;

private:
    void CheckClosed() const;

    TMyConnection& owner_;
    TMyProtocol protocol_ = TMyProtocol::mpDefault;
    bool compress_ = false;
    std::string charset_;
    bool useUnicode_ = false;
    bool shortLargeint_ = false;
    bool zeroDateTimeAsNull_ = false;
};

// Key, certificate, CA certificate and cipher list of the TLS transport.
struct TMySSLOptions {
    std::string Key;
    std::string CertFile;
    std::string CAFile;
    std::string CipherList;
};

}  // namespace tarrow
