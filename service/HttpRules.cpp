#include "service/HttpRules.h"

#include "platform/Text.h"
#include "platform/Errors.h"

#include <curl/curl.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <new>

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

struct TCurlUrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct TCurlFree {
    void operator()(char* text) const { curl_free(text); }
};

std::string Part(CURLU* url, CURLUPart what, unsigned flags = 0)
{
    char* raw = nullptr;
    if (curl_url_get(url, what, &raw, flags) != CURLUE_OK) return {};
    std::unique_ptr<char, TCurlFree> text(raw);
    return text.get();
}

}  // namespace

TCrackedUrl CrackUrl(const std::string& url)
{
    auto scheme = SchemeOf(url);
    if (!scheme || (*scheme != "http" && *scheme != "https"))
        throw ESOAPHTTPException("Invalid url '" + url + "' - only supports 'http' and 'https' schemes");

    TCrackedUrl cracked;
    cracked.Scheme = *scheme;
    std::unique_ptr<CURLU, TCurlUrlFree> handle(curl_url());
    if (!handle) throw std::bad_alloc();
    if (CURLUcode rc = curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0); rc != CURLUE_OK) {
        cracked.Unusable = curl_url_strerror(rc);
        return cracked;
    }
    cracked.Host = Part(handle.get(), CURLUPART_HOST);
    cracked.Port = std::atoi(Part(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).c_str());
    cracked.Path = Part(handle.get(), CURLUPART_PATH);
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

std::string ContentTypeErrorMessage(std::string_view contentType)
{
    return "Received content of invalid Content-Type setting: " + std::string(contentType) +
           " - SOAP expects \"text/xml\"";
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
