#pragma once
// The transport's decisions that need no network: how an address is cracked, how the answer's
// status line and Content-Type are judged, how errors are worded, and when a silent peer has been
// silent for too long. Each system's HTTP transport only moves bytes and asks these.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarrow {

// Connect, send and receive limits in milliseconds; 0 leaves a limit unset (the HTTP library's
// own default: no limit on sending or waiting for an answer).
struct THttpTimeouts {
    std::int32_t Connect = 0;
    std::int32_t Send = 0;
    std::int32_t Receive = 0;

    friend bool operator==(const THttpTimeouts&, const THttpTimeouts&) = default;
};

// How an https service's certificate is checked. By default the chain must lead to an authority
// of the system's trust store and the certificate must name the host; a store may name its own
// authorities instead, or (only for a service that cannot present a valid certificate) switch the
// checks off.
struct TCertificateCheck {
    bool Verify = true;
    std::string CaFile;  // PEM certificates trusted instead of the system's; "" for the system's

    friend bool operator==(const TCertificateCheck&, const TCertificateCheck&) = default;
};

struct TCrackedUrl {
    std::string Scheme;  // lower case
    std::string Host;
    int Port = 0;  // the scheme's default when the address names none
    std::string Path;
    // Why the address cannot be used although its scheme is right ("" when it can).
    std::string Unusable;
};

// Cracks an address. Raises ESOAPHTTPException "Invalid url '%s' - only supports 'http' and
// 'https' schemes" for any other scheme, or none. An http(s) address that does not crack is
// accepted here and fails at the first call, with the reason in Unusable.
TCrackedUrl CrackUrl(const std::string& url);

// The reason phrase of a status line ("HTTP/1.1 404 Not Found" gives "Not Found"), or nothing when
// the line is not a status line.
std::optional<std::string> StatusTextOf(std::string_view statusLine);

// An HTTP status that fails the call: 300 and above, except 500, which carries SOAP faults.
bool IsFailingStatus(long status);
std::string StatusErrorMessage(std::string_view statusText, long status, std::string_view url);

// Only the bare types are refused; text/html with a charset passes here and fails as XML.
bool IsRefusedContentType(std::string_view contentType);
// The refusal's fixed text, then the answer's status and the address: a server's error page (a
// 500 that is no SOAP fault) would otherwise hide which server answered and how.
std::string ContentTypeErrorMessage(std::string_view contentType, std::string_view statusText, long status,
                                    std::string_view url);

// "%s - URL:%s - SOAPAction:%s": the library's text (at most 255 characters, without trailing line
// ends), the address and the action without quotes.
std::string TransportErrorMessage(std::string_view libraryText, std::string_view url,
                                  std::string_view soapAction);

// The send and receive limits are limits on silence, not on the whole transfer: a slow answer that
// keeps arriving is never cut off. Sending lasts until every byte of the request has been handed
// over; from then on the transfer is waiting for, or receiving, the answer.
class TIdleWatch {
  public:
    using Clock = std::chrono::steady_clock;
    enum class TPhase { Sending, Receiving };

    TIdleWatch(THttpTimeouts timeouts, std::int64_t requestSize);

    // Called with the transfer's progress; connected is false while the connection is being made
    // (the connect limit governs that). Gives the phase whose limit ran out, if one did.
    std::optional<TPhase> Expired(Clock::time_point now, bool connected, std::int64_t sent,
                                  std::int64_t received);

  private:
    THttpTimeouts timeouts_;
    std::int64_t requestSize_;
    bool started_ = false;
    std::int64_t sent_ = 0;
    std::int64_t received_ = 0;
    Clock::time_point lastActivity_{};
};

// Our words for a limit on silence that ran out (the library has no such limit of its own).
std::string IdleTimeoutText(TIdleWatch::TPhase phase, std::int32_t milliseconds);

}  // namespace tarrow
