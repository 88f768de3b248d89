#include "service/HttpRules.h"

#include "platform/Text.h"
#include "platform/Errors.h"

#include <cctype>
#include <cstdlib>

namespace tarrow {

namespace {

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The scheme as RFC 3986 spells it, or nothing when the text does not begin with one.
std::optional<std::string> SchemeOf(std::string_view url)
{
    auto colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    if (!std::isalpha(static_cast<unsigned char>(url[0]))) return std::nullopt;
    for (char c : url.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return std::nullopt;
    }
    return Lower(url.substr(0, colon));
}

bool IsUnreservedOrSubDelim(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("-._~!$&'()*+,;=").find(c) != std::string_view::npos;
}

// Why a host part cannot be used, or "" when it can: a name or an IPv4 address of RFC 3986's
// characters (percent escapes included), or an IPv6 address in brackets.
std::string HostProblem(std::string_view host)
{
    if (host.empty()) return "No host part in the URL";
    if (host.front() == '[') {
        if (host.size() < 4 || host.back() != ']') return "Bad IPv6 address";
        for (char c : host.substr(1, host.size() - 2)) {
            if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.')
                return "Bad IPv6 address";
        }
        return {};
    }
    for (std::size_t i = 0; i < host.size(); ++i) {
        const char c = host[i];
        if (c == '%') {
            if (i + 2 >= host.size() || !std::isxdigit(static_cast<unsigned char>(host[i + 1])) ||
                !std::isxdigit(static_cast<unsigned char>(host[i + 2])))
                return "Bad hostname";
            i += 2;
        } else if (!IsUnreservedOrSubDelim(c)) {
            return "Bad hostname";
        }
    }
    return {};
}

}  // namespace

TCrackedUrl CrackUrl(const std::string& url)
{
    auto scheme = SchemeOf(url);
    if (!scheme || (*scheme != "http" && *scheme != "https"))
        throw ESOAPHTTPException("Invalid url '" + url + "' - only supports 'http' and 'https' schemes");

    TCrackedUrl cracked;
    cracked.Scheme = *scheme;
    const int defaultPort = cracked.Scheme == "https" ? 443 : 80;

    std::string_view rest = std::string_view(url).substr(cracked.Scheme.size() + 1);
    if (rest.substr(0, 2) != "//") {
        cracked.Unusable = "Bad URL: no '//' after the scheme";
        return cracked;
    }
    rest.remove_prefix(2);
    // Nothing of a fragment goes out; the query is sent with the path but is no part of it.
    rest = rest.substr(0, rest.find('#'));
    const std::size_t pathStart = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, pathStart);
    std::string_view path = pathStart == std::string_view::npos ? std::string_view() : rest.substr(pathStart);
    path = path.substr(0, path.find('?'));
    for (char c : rest) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F || c == '\\') {
            cracked.Unusable = "Bad URL: it holds a blank, a control character or a backslash";
            return cracked;
        }
    }
    // A user name and password are never sent: no credentials belong to the service's address.
    if (auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);

    std::string_view host = authority;
    std::string_view port;
    const std::size_t bracket = authority.rfind(']');
    if (auto colon = authority.rfind(':');
        colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    if (std::string problem = HostProblem(host); !problem.empty()) {
        cracked.Unusable = problem;
        return cracked;
    }
    cracked.Port = defaultPort;
    if (!port.empty()) {
        int number = 0;
        for (char c : port) {
            if (!std::isdigit(static_cast<unsigned char>(c)) || number > 65535) break;
            number = number * 10 + (c - '0');
        }
        if (number < 1 || number > 65535 ||
            port.find_first_not_of("0123456789") != std::string_view::npos) {
            cracked.Unusable = "Port number was not a decimal number between 1 and 65535";
            return cracked;
        }
        cracked.Port = number;
    }
    cracked.Host = std::string(host);
    cracked.Path = path.empty() ? std::string("/") : std::string(path);
    return cracked;
}

std::optional<std::string> StatusTextOf(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.substr(0, 5) != "HTTP/") return std::nullopt;
    auto space = line.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    std::string_view rest = line.substr(space + 1);
    // Three digits, then the reason phrase after one blank (which may be missing altogether).
    if (rest.size() < 3 || !std::isdigit(static_cast<unsigned char>(rest[0])) ||
        !std::isdigit(static_cast<unsigned char>(rest[1])) ||
        !std::isdigit(static_cast<unsigned char>(rest[2])))
        return std::nullopt;
    rest.remove_prefix(3);
    if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    return std::string(rest);
}

bool IsFailingStatus(long status)
{
    return status >= 300 && status != 500;
}

std::string StatusErrorMessage(std::string_view statusText, long status, std::string_view url)
{
    return std::string(statusText) + " (" + std::to_string(status) + ") - '" + std::string(url) + "'";
}

bool IsRefusedContentType(std::string_view contentType)
{
    return SameText(contentType, "text/plain") || SameText(contentType, "text/html");
}

std::string ContentTypeErrorMessage(std::string_view contentType, std::string_view statusText, long status,
                                    std::string_view url)
{
    return "Received content of invalid Content-Type setting: " + std::string(contentType) +
           " - SOAP expects \"text/xml\" - " + StatusErrorMessage(statusText, status, url);
}

std::string TransportErrorMessage(std::string_view libraryText, std::string_view url,
                                  std::string_view soapAction)
{
    std::string_view text = libraryText.substr(0, 255);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    return std::string(text) + " - URL:" + std::string(url) + " - SOAPAction:" + std::string(soapAction);
}

TIdleWatch::TIdleWatch(THttpTimeouts timeouts, std::int64_t requestSize)
    : timeouts_(timeouts), requestSize_(requestSize)
{
}

std::optional<TIdleWatch::TPhase> TIdleWatch::Expired(Clock::time_point now, bool connected,
                                                      std::int64_t sent, std::int64_t received)
{
    if (!connected) return std::nullopt;
    const TPhase before = sent_ >= requestSize_ ? TPhase::Receiving : TPhase::Sending;
    const TPhase phase = sent >= requestSize_ ? TPhase::Receiving : TPhase::Sending;
    if (!started_ || sent != sent_ || received != received_ || phase != before) {
        started_ = true;
        sent_ = sent;
        received_ = received;
        lastActivity_ = now;
        return std::nullopt;
    }
    const std::int32_t limit = phase == TPhase::Sending ? timeouts_.Send : timeouts_.Receive;
    if (limit > 0 && now - lastActivity_ >= std::chrono::milliseconds(limit)) return phase;
    return std::nullopt;
}

std::string IdleTimeoutText(TIdleWatch::TPhase phase, std::int32_t milliseconds)
{
    return phase == TIdleWatch::TPhase::Sending
               ? "The operation timed out: nothing could be sent for " + std::to_string(milliseconds) + " ms"
               : "The operation timed out: nothing was received for " + std::to_string(milliseconds) + " ms";
}

}  // namespace tarrow
