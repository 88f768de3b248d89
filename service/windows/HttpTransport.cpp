// The transport over WinInet. WinInet keeps connections alive by itself, across request handles
// and across the handles of later transports to the same server, so a send of many calls posts
// them on one connection without a pool of ours.
//
// No dialog may ever appear: an unattended sender would hang on it, and a certificate warning
// would leave verification one click away. Every request forbids WinInet's own interface, and the
// interactive error handler is never consulted; an error after sending is a transport error.

#include "service/HttpTransport.h"

#include "platform/Errors.h"
#include "platform/ProgramDir.h"
#include "platform/windows/WideText.h"
#include "platform/windows/SystemLibraries.h"

#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#include <wininet.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#ifndef TARROW_SOAP_VERSION
#error "TARROW_SOAP_VERSION comes from the build"
#endif

namespace tarrow {

namespace {

// Bodies up to this size go out with the headers in one call; larger ones in pieces of this size.
constexpr DWORD kLargestSinglePost = 32768;

struct TInternetClose {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using TInternetHandle = std::unique_ptr<void, TInternetClose>;

struct TStoreClose {
    void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
using TCertStore = std::unique_ptr<void, TStoreClose>;

struct TCertFree {
    void operator()(PCCERT_CONTEXT cert) const { CertFreeCertificateContext(cert); }
};
using TCertificate = std::unique_ptr<const CERT_CONTEXT, TCertFree>;

struct TChainFree {
    void operator()(PCCERT_CHAIN_CONTEXT chain) const { CertFreeCertificateChain(chain); }
};
using TChain = std::unique_ptr<const CERT_CHAIN_CONTEXT, TChainFree>;

}  // namespace

// WinInet's own text for one of its error codes (from its message table, the system's for the
// few general codes it passes on).
std::string WinInetErrorText(unsigned long code)
{
    // The table is there before any call into WinInet has loaded it (it is delay-loaded).
    static const HMODULE wininet = SystemLibrary("wininet.dll");
    wchar_t* raw = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
            FORMAT_MESSAGE_IGNORE_INSERTS,
        wininet, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
    if (length == 0 || raw == nullptr) {
        // Wine's table lacks the texts of some certificate errors, which our own check raises too.
        switch (code) {
        case ERROR_INTERNET_INVALID_CA:
            return "The certificate authority is invalid or incorrect";
        case ERROR_INTERNET_SEC_CERT_REV_FAILED:
            return "Certificate revocation check failed";
        default:
            return "Internet error " + std::to_string(code);
        }
    }
    std::string text = WideToUtf8(std::wstring_view(raw, length));
    LocalFree(raw);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

struct THttpTransport::TSession {
    TInternetHandle Internet;
    TInternetHandle Connection;
};

std::string SoapAgent()
{
    return "Tarrow SOAP " TARROW_SOAP_VERSION;
}

THttpTransport::THttpTransport() = default;
THttpTransport::~THttpTransport() = default;

void THttpTransport::Disconnect() noexcept
{
    session_.reset();
}

void THttpTransport::SetURL(const std::string& url)
{
    Disconnect();
    url_ = url;
    addressSet_ = true;
    try {
        cracked_ = CrackUrl(url);
    } catch (const ESOAPHTTPException&) {
        cracked_ = TCrackedUrl{};
        cracked_.Unusable = WinInetErrorText(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        throw;
    }
}

namespace {

// What one post needs of its transport, and how its failures are worded.
class TPost {
  public:
    TPost(const std::string& url, const std::string& soapAction) : url_(url), soapAction_(soapAction) {}

    [[noreturn]] void Fail(unsigned long code) const { Fail(WinInetErrorText(code)); }
    [[noreturn]] void Fail(std::string_view text) const
    {
        throw ESOAPHTTPException(TransportErrorMessage(text, url_, soapAction_));
    }
    [[noreturn]] void FailLast() const
    {
        const DWORD code = GetLastError();
        // Wine passes a socket's time-out on as Winsock's code, which has no text in its tables;
        // Windows reports its own.
        Fail(code == WSAETIMEDOUT ? static_cast<DWORD>(ERROR_INTERNET_TIMEOUT) : code);
    }

  private:
    const std::string& url_;
    const std::string& soapAction_;
};

// The certificates of a CertificadoCA file: every PEM block in it.
TCertStore ReadAuthorities(const std::string& file, const TPost& post)
{
    std::ifstream in(PathFromUtf8(file), std::ios::binary);
    if (!in) post.Fail("Could not read the certificate file " + file);
    const std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    TCertStore store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!store) post.FailLast();
    constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
    constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
    std::size_t at = 0;
    int added = 0;
    while ((at = pem.find(kBegin, at)) != std::string::npos) {
        const std::size_t end = pem.find(kEnd, at);
        if (end == std::string::npos) break;
        const std::string block = pem.substr(at, end + kEnd.size() - at);
        at = end + kEnd.size();
        DWORD size = 0;
        if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER,
                                  nullptr, &size, nullptr, nullptr))
            continue;
        std::vector<BYTE> der(size);
        if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER,
                                  der.data(), &size, nullptr, nullptr))
            continue;
        if (CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), size,
                                             CERT_STORE_ADD_ALWAYS, nullptr))
            ++added;
    }
    if (added == 0) post.Fail("No certificate could be read from " + file);
    return store;
}

// The server's chain is checked here, before any byte of the body goes out, whatever WinInet did
// in the handshake: a kept-alive connection that WinInet opened for a post without checks may
// serve this one. With CertificadoCA (WinInet has no per-request list of authorities, so the
// request lets an unknown authority through) the chain must end at one of the named certificates;
// without, at an authority of the system's store. Either way it must be valid today and name the
// host.
void CheckChain(HINTERNET request, const std::string& caFile, const std::string& host, const TPost& post)
{
    TCertStore authorities;
    if (!caFile.empty()) authorities = ReadAuthorities(caFile, post);

    // The chain WinInet built holds the server's certificate and what the server sent with it.
    PCCERT_CHAIN_CONTEXT served = nullptr;
    DWORD size = sizeof(served);
    if (!InternetQueryOptionA(request, INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT, &served, &size) ||
        served == nullptr)
        post.FailLast();
    TChain servedChain(served);
    if (served->cChain == 0 || served->rgpChain[0]->cElement == 0) post.Fail(ERROR_INTERNET_INVALID_CA);
    TCertificate server(CertDuplicateCertificateContext(served->rgpChain[0]->rgpElement[0]->pCertContext));

    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof(para);
    PCCERT_CHAIN_CONTEXT rawChain = nullptr;
    if (!CertGetCertificateChain(nullptr, server.get(), nullptr, authorities.get(), &para, 0, nullptr, &rawChain))
        post.FailLast();
    TChain chain(rawChain);

    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    const DWORD status = chain->TrustStatus.dwErrorStatus;
    if (status & CERT_TRUST_IS_NOT_TIME_VALID) post.Fail(ERROR_INTERNET_SEC_CERT_DATE_INVALID);
    // An untrusted root is what we expect of an authority only our file names; the revocation
    // state, which the system's own checks do not demand either, may be unknown.
    DWORD tolerated = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
    if (authorities) tolerated |= CERT_TRUST_IS_UNTRUSTED_ROOT;
    if ((status & ~tolerated) != 0 || simple->cElement == 0) post.Fail(ERROR_INTERNET_INVALID_CA);
    if (authorities) {
        PCCERT_CONTEXT root = simple->rgpElement[simple->cElement - 1]->pCertContext;
        TCertificate named(CertFindCertificateInStore(authorities.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                      root, nullptr));
        if (!named) post.Fail(ERROR_INTERNET_INVALID_CA);
    }

    std::wstring wideHost(host.begin(), host.end());
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof(ssl);
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = wideHost.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof(policy);
    policy.dwFlags = authorities ? CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG : 0;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS verdict{};
    verdict.cbSize = sizeof(verdict);
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &verdict))
        post.FailLast();
    if (verdict.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) post.Fail(ERROR_INTERNET_SEC_CERT_CN_INVALID);
    if (verdict.dwError == static_cast<DWORD>(CERT_E_EXPIRED)) post.Fail(ERROR_INTERNET_SEC_CERT_DATE_INVALID);
    if (verdict.dwError != 0 && verdict.dwError != static_cast<DWORD>(CERT_E_UNTRUSTEDROOT))
        post.Fail(ERROR_INTERNET_INVALID_CA);
}

std::string QueryText(HINTERNET request, DWORD what, DWORD capacity, bool& found)
{
    std::string text(capacity, '\0');
    DWORD size = capacity;
    found = HttpQueryInfoA(request, what, text.data(), &size, nullptr) != FALSE;
    text.resize(found ? size : 0);
    return text;
}

}  // namespace

std::string THttpTransport::Execute(std::string_view request)
{
    try {
        return Post(request);
    } catch (...) {
        Disconnect();
        throw;
    }
}

std::string THttpTransport::Post(std::string_view request)
{
    const TPost post(url_, soapAction_);
    status_ = 0;
    statusText_.clear();
    // An address that cannot be used fails here, before anything reaches the network.
    if (!addressSet_) post.Fail(ERROR_INTERNET_INVALID_URL);
    if (!cracked_.Unusable.empty()) post.Fail(cracked_.Unusable);

    if (!session_) {
        if (InternetAttemptConnect(0) != ERROR_SUCCESS) throw EAbort();
        auto session = std::make_unique<TSession>();
        // The system's proxy settings apply, as for every other program of the machine.
        session->Internet.reset(InternetOpenA(SoapAgent().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        if (!session->Internet) post.FailLast();
        session->Connection.reset(InternetConnectA(session->Internet.get(), cracked_.Host.c_str(),
                                                   static_cast<INTERNET_PORT>(cracked_.Port), nullptr, nullptr,
                                                   INTERNET_SERVICE_HTTP, 0, 0));
        if (!session->Connection) post.FailLast();
        session_ = std::move(session);
    }

    const bool secure = cracked_.Scheme == "https";
    // No dialog, no redirect followed (a 3xx fails like any failing status), no stored cookies or
    // credentials offered: the request goes out as we built it, and only that.
    DWORD flags = INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH;
    DWORD securityFlags = 0;
    const bool ownChainCheck = secure && certificates_.Verify;
    if (secure) {
        flags |= INTERNET_FLAG_SECURE;
        // Revocation is not checked, as on Linux: no store can reach a revocation list for a test
        // authority or for a store's own, and WinInet would refuse every such certificate.
        securityFlags = SECURITY_FLAG_IGNORE_REVOCATION;
        if (!certificates_.Verify) {
            // The store's explicit choice for a service that cannot present a valid certificate.
            securityFlags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                             SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
        } else if (!certificates_.CaFile.empty()) {
            securityFlags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;  // the chain is checked below, by us
        }
    }
    // On this transport's handles, not process-wide: another transport of the same process may have
    // other limits, or none.
    const auto setTimeout = [&post](HINTERNET handle, DWORD option, std::int32_t milliseconds) {
        if (milliseconds <= 0) return;
        DWORD value = static_cast<DWORD>(milliseconds);
        if (!InternetSetOptionA(handle, option, &value, sizeof(value))) post.FailLast();
    };
    setTimeout(session_->Connection.get(), INTERNET_OPTION_CONNECT_TIMEOUT, timeouts_.Connect);
    TInternetHandle handle(HttpOpenRequestA(session_->Connection.get(), "POST", cracked_.Path.c_str(), nullptr,
                                            nullptr, nullptr, flags, 0));
    if (!handle) post.FailLast();
    HINTERNET req = handle.get();

    setTimeout(req, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts_.Connect);
    setTimeout(req, INTERNET_OPTION_SEND_TIMEOUT, timeouts_.Send);
    setTimeout(req, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts_.Receive);
    if (securityFlags != 0) {
        DWORD value = 0;
        DWORD size = sizeof(value);
        InternetQueryOptionA(req, INTERNET_OPTION_SECURITY_FLAGS, &value, &size);
        value |= securityFlags;
        if (!InternetSetOptionA(req, INTERNET_OPTION_SECURITY_FLAGS, &value, sizeof(value))) post.FailLast();
    }

    const std::string action = "SOAPAction: \"" + soapAction_ + "\"\r\n";
    const std::string type = "Content-Type: text/xml; charset=\"utf-8\"\r\n";
    HttpAddRequestHeadersA(req, action.c_str(), static_cast<DWORD>(action.size()), HTTP_ADDREQ_FLAG_ADD);
    HttpAddRequestHeadersA(req, type.c_str(), static_cast<DWORD>(type.size()), HTTP_ADDREQ_FLAG_ADD);

    if (request.size() <= kLargestSinglePost && !ownChainCheck) {
        if (!HttpSendRequestA(req, nullptr, 0, const_cast<char*>(request.data()), static_cast<DWORD>(request.size())))
            post.FailLast();
    } else {
        // In pieces: the headers first (over https after the handshake, so that our own chain
        // check comes before any of the body), then the body.
        INTERNET_BUFFERSA buffers{};
        buffers.dwStructSize = sizeof(buffers);
        buffers.dwBufferTotal = static_cast<DWORD>(request.size());
        if (!HttpSendRequestExA(req, &buffers, nullptr, 0, 0)) post.FailLast();
        if (ownChainCheck) CheckChain(req, certificates_.CaFile, cracked_.Host, post);
        std::size_t sent = 0;
        while (sent < request.size()) {
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(kLargestSinglePost, request.size() - sent));
            DWORD written = 0;
            if (!InternetWriteFile(req, request.data() + sent, piece, &written)) post.FailLast();
            if (written == 0) throw ESOAPHTTPException("Invalid HTTP Request: Length is 0");
            sent += written;
        }
        if (!HttpEndRequestA(req, nullptr, 0, 0)) post.FailLast();
    }

    DWORD status = 0;
    DWORD size = sizeof(status);
    // No status at all (Wine's answer to a server that closed without a byte) is no answer.
    if (!HttpQueryInfoA(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
        status == 0)
        post.Fail(ERROR_HTTP_INVALID_SERVER_RESPONSE);
    status_ = static_cast<long>(status);
    bool statusFound = false;
    statusText_ = QueryText(req, HTTP_QUERY_STATUS_TEXT, 4096, statusFound);
    if (IsFailingStatus(status_))
        throw ESOAPHTTPException(StatusErrorMessage(statusText_, status_, url_), static_cast<int>(status_));
    bool found = false;
    const std::string contentType = QueryText(req, HTTP_QUERY_CONTENT_TYPE, 256, found);

    std::string body;
    for (;;) {
        DWORD ready = 0;
        if (!InternetQueryDataAvailable(req, &ready, 0, 0)) post.FailLast();
        if (ready == 0) break;
        const std::size_t at = body.size();
        body.resize(at + ready);
        DWORD read = 0;
        if (!InternetReadFile(req, body.data() + at, ready, &read)) post.FailLast();
        body.resize(at + read);
    }
    // WinInet ends the body quietly when the server closes before the length it announced; a cut
    // answer must not pass for a whole one.
    bool lengthFound = false;
    const std::string announced = QueryText(req, HTTP_QUERY_CONTENT_LENGTH, 32, lengthFound);
    bool chunked = false;  // a Transfer-Encoding frames the body itself
    (void)QueryText(req, HTTP_QUERY_TRANSFER_ENCODING, 256, chunked);
    if (lengthFound && !chunked && !announced.empty() &&
        announced.find_first_not_of("0123456789") == std::string::npos &&
        std::stoull(announced) > body.size())
        post.Fail(ERROR_INTERNET_CONNECTION_ABORTED);
    if (IsRefusedContentType(contentType))
        throw ESOAPHTTPException(ContentTypeErrorMessage(contentType, statusText_, status_, url_));
    return body;
}

}  // namespace tarrow
