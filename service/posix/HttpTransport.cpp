// The transport over libcurl.

#include "service/HttpTransport.h"

#include "platform/Text.h"
#include "platform/Errors.h"
#include "service/posix/HttpConnectionPool.h"

#include <curl/curl.h>

#include <cctype>
#include <new>
#include <optional>

#ifndef TARROW_SOAP_VERSION
#error "TARROW_SOAP_VERSION comes from the build"
#endif

namespace tarrow {

namespace {

struct TCurlSlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};


std::string_view TrimHeaderValue(std::string_view value)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!value.empty() && blank(value.front())) value.remove_prefix(1);
    while (!value.empty() && blank(value.back())) value.remove_suffix(1);
    return value;
}

// What one post learns while libcurl runs it; the callbacks below fill it in.
struct TTransfer {
    explicit TTransfer(THttpTimeouts timeouts, std::int64_t requestSize) : Watch(timeouts, requestSize) {}

    std::string Body;
    std::string StatusText;
    std::string ContentType;
    std::int64_t Received = 0;  // header and body bytes
    bool Connected = false;
    TIdleWatch Watch;
    std::optional<TIdleWatch::TPhase> Expired;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<TTransfer*>(user);
    transfer->Body.append(data, size * count);
    transfer->Received += static_cast<std::int64_t>(size * count);
    return size * count;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<TTransfer*>(user);
    const std::string_view line(data, size * count);
    transfer->Received += static_cast<std::int64_t>(line.size());
    if (auto text = StatusTextOf(line)) {
        // A new status line (after an interim 100 Continue) starts a new set of headers.
        transfer->StatusText = *text;
        transfer->ContentType.clear();
    } else if (auto colon = line.find(':'); colon != std::string_view::npos) {
        if (SameText(TrimHeaderValue(line.substr(0, colon)), "Content-Type"))
            transfer->ContentType = TrimHeaderValue(line.substr(colon + 1));
    }
    return line.size();
}

int OnConnected(void* user, char*, char*, int, int)
{
    static_cast<TTransfer*>(user)->Connected = true;
    return CURL_PREREQFUNC_OK;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent)
{
    auto* transfer = static_cast<TTransfer*>(user);
    auto expired =
        transfer->Watch.Expired(TIdleWatch::Clock::now(), transfer->Connected, sent, transfer->Received);
    if (!expired) return 0;
    transfer->Expired = expired;
    return 1;  // aborts the transfer; the error is worded from Expired, not from the library
}

}  // namespace

std::string SoapAgent()
{
    return "Tarrow SOAP " TARROW_SOAP_VERSION;
}

// libcurl's connections wait in the process's pool, not in the transport.
struct THttpTransport::TSession {};

THttpTransport::THttpTransport() = default;
THttpTransport::~THttpTransport() = default;

void THttpTransport::Disconnect() noexcept {}

void THttpTransport::SetURL(const std::string& url)
{
    url_ = url;
    addressSet_ = true;
    try {
        cracked_ = CrackUrl(url);
    } catch (const ESOAPHTTPException&) {
        cracked_ = TCrackedUrl{};
        cracked_.Unusable = curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL);
        throw;
    }
}

std::string THttpTransport::Execute(std::string_view request)
{
    return Post(request);
}

std::string THttpTransport::Post(std::string_view request)
{
    auto fail = [this](std::string_view text) {
        throw ESOAPHTTPException(TransportErrorMessage(text, url_, soapAction_));
    };
    status_ = 0;
    statusText_.clear();
    // An address that cannot be used fails here, before anything reaches the network.
    if (!addressSet_) fail(curl_easy_strerror(CURLE_URL_MALFORMAT));
    if (!cracked_.Unusable.empty()) fail(cracked_.Unusable);

    // Whatever raises from here on drops the connection with the handle: only a complete answer
    // gives it back to the pool.
    TConnectionKey key{cracked_.Scheme, cracked_.Host, cracked_.Port, certificates_};
    std::unique_ptr<TPooledConnection> connection = TConnectionPool::Process().Take(key);
    if (connection->Easy == nullptr) fail(curl_easy_strerror(CURLE_FAILED_INIT));
    CURL* easy = connection->Easy;

    auto set = [&](CURLoption option, auto value) {
        if (CURLcode rc = curl_easy_setopt(easy, option, value); rc != CURLE_OK) fail(curl_easy_strerror(rc));
    };

    TTransfer transfer(timeouts_, static_cast<std::int64_t>(request.size()));

    set(CURLOPT_URL, url_.c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_ERRORBUFFER, connection->ErrorText);
    const std::string agent = SoapAgent();
    set(CURLOPT_USERAGENT, agent.c_str());
    // The proxy comes from the environment's settings (http_proxy, https_proxy, no_proxy), which
    // libcurl reads by itself when no proxy is named here.
    if (timeouts_.Connect > 0) set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts_.Connect));
    if (cracked_.Scheme == "https") {
        if (!certificates_.Verify) {
            // The store's explicit choice for a service that cannot present a valid certificate:
            // unknown authority, name mismatch and expiry alike are let through.
            set(CURLOPT_SSL_VERIFYPEER, 0L);
            set(CURLOPT_SSL_VERIFYHOST, 0L);
        } else {
            set(CURLOPT_SSL_VERIFYPEER, 1L);
            set(CURLOPT_SSL_VERIFYHOST, 2L);
            if (!certificates_.CaFile.empty()) {
                // Instead of the system's store, not beside it: the library's built-in folder of
                // authorities would otherwise still be searched.
                set(CURLOPT_CAINFO, certificates_.CaFile.c_str());
                set(CURLOPT_CAPATH, static_cast<const char*>(nullptr));
            }
        }
    }

    set(CURLOPT_POST, 1L);
    set(CURLOPT_POSTFIELDS, request.data());
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.size()));

    std::unique_ptr<curl_slist, TCurlSlistFree> headers;
    auto add = [&](const std::string& line) {
        curl_slist* list = curl_slist_append(headers.get(), line.c_str());
        if (list == nullptr) throw std::bad_alloc();
        (void)headers.release();
        headers.reset(list);
    };
    add("SOAPAction: \"" + soapAction_ + "\"");
    add("Content-Type: text/xml; charset=\"utf-8\"");
    // No accept list and no 100-continue handshake: the request goes out as headers and body.
    add("Accept:");
    add("Expect:");
    set(CURLOPT_HTTPHEADER, headers.get());

    set(CURLOPT_WRITEFUNCTION, OnBody);
    set(CURLOPT_WRITEDATA, static_cast<void*>(&transfer));
    set(CURLOPT_HEADERFUNCTION, OnHeader);
    set(CURLOPT_HEADERDATA, static_cast<void*>(&transfer));
    set(CURLOPT_PREREQFUNCTION, OnConnected);
    set(CURLOPT_PREREQDATA, static_cast<void*>(&transfer));
    set(CURLOPT_XFERINFOFUNCTION, OnProgress);
    set(CURLOPT_XFERINFODATA, static_cast<void*>(&transfer));
    set(CURLOPT_NOPROGRESS, 0L);

    const CURLcode rc = curl_easy_perform(easy);

    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    status_ = status;
    statusText_ = transfer.StatusText;
    if (IsFailingStatus(status))
        throw ESOAPHTTPException(StatusErrorMessage(transfer.StatusText, status, url_),
                                 static_cast<int>(status));
    if (rc != CURLE_OK) {
        if (transfer.Expired) {
            const auto limit =
                *transfer.Expired == TIdleWatch::TPhase::Sending ? timeouts_.Send : timeouts_.Receive;
            fail(IdleTimeoutText(*transfer.Expired, limit));
        }
        const char* text = connection->ErrorText;
        fail(text[0] != '\0' ? std::string_view(text) : std::string_view(curl_easy_strerror(rc)));
    }
    if (IsRefusedContentType(transfer.ContentType))
        throw ESOAPHTTPException(
            ContentTypeErrorMessage(transfer.ContentType, transfer.StatusText, status, url_));
    // An answer with "Connection: close" has made libcurl close the connection already; the handle
    // then waits in the pool without one.
    TConnectionPool::Process().GiveBack(std::move(key), std::move(connection));
    return std::move(transfer.Body);
}

}  // namespace tarrow
