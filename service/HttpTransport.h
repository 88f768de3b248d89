#pragma once
// Posts one SOAP request over HTTP or HTTPS and hands back the whole answer body. Each proxy owns
// one transport; the connection it posts on is kept alive beyond it for the next post to the same
// scheme, host and port, until an error, a "Connection: close" or a post to another address. Each
// system has its own implementation over its own HTTP library: posix/HttpTransport.cpp over
// libcurl (whose kept-alive connections wait in posix/HttpConnectionPool.h), windows/HttpTransport.cpp
// over WinInet (which keeps connections alive by itself). The rules they share are in HttpRules.h.

#include "service/HttpRules.h"

#include <memory>
#include <string>
#include <string_view>

namespace tarrow {

// The agent string: our SOAP runtime and its version.
std::string SoapAgent();

#ifdef _WIN32
// WinInet's own text for one of its error codes, as a failing call reports it.
std::string WinInetErrorText(unsigned long code);
#endif

class THttpTransport {
  public:
    THttpTransport();
    ~THttpTransport();
    THttpTransport(const THttpTransport&) = delete;
    THttpTransport& operator=(const THttpTransport&) = delete;

    // Cracks and remembers the address. Raises ESOAPHTTPException
    // for a scheme other than http or https; the address is remembered all the same, and every
    // call through it then fails.
    void SetURL(const std::string& url);
    const std::string& URL() const noexcept { return url_; }
    const TCrackedUrl& Cracked() const noexcept { return cracked_; }

    void SetSoapAction(std::string action) { soapAction_ = std::move(action); }
    const std::string& SoapAction() const noexcept { return soapAction_; }

    void SetTimeouts(THttpTimeouts timeouts) { timeouts_ = timeouts; }
    const THttpTimeouts& Timeouts() const noexcept { return timeouts_; }

    void SetCertificateCheck(TCertificateCheck check) { certificates_ = std::move(check); }
    const TCertificateCheck& CertificateCheck() const noexcept { return certificates_; }

    // Another proxy drops the open connection, which went through the old one.
    void SetProxy(THttpProxy proxy)
    {
        if (!(proxy == proxy_)) Disconnect();
        proxy_ = std::move(proxy);
    }
    const THttpProxy& Proxy() const noexcept { return proxy_; }

    // Posts the request and returns the answer's body. Raises ESOAPHTTPException (with the HTTP
    // status for a failing status, worded after the proxy when the proxy refused; with the
    // library's reason for a refused certificate) and closes the connection after any error.
    std::string Execute(std::string_view request);
    // The status line of the last answer (0 and nothing before the first or after a failed post).
    long Status() const noexcept { return status_; }
    const std::string& StatusText() const noexcept { return statusText_; }

  private:
    std::string Post(std::string_view request);

    // What the system's library keeps open between posts of this transport (nothing for libcurl,
    // whose connections live in the process's pool).
    struct TSession;
    void Disconnect() noexcept;

    std::string url_;
    TCrackedUrl cracked_;
    bool addressSet_ = false;
    std::string soapAction_;
    THttpTimeouts timeouts_;
    long status_ = 0;
    std::string statusText_;
    TCertificateCheck certificates_;
    THttpProxy proxy_;
    std::unique_ptr<TSession> session_;
};

}  // namespace tarrow
