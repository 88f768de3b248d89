#pragma once
// Posts one SOAP request over HTTP or HTTPS (libcurl) and hands back the whole answer body. Each
// proxy owns one transport; the connection is opened by the first post and kept alive for the
// next until an error, a new address or the transport's end.

#include "service/HttpRules.h"

#include <memory>
#include <string>
#include <string_view>

namespace tarrow {

// The agent string: our SOAP runtime and its version.
std::string SoapAgent();

class THttpTransport {
  public:
    THttpTransport();
    ~THttpTransport();
    THttpTransport(const THttpTransport&) = delete;
    THttpTransport& operator=(const THttpTransport&) = delete;

    // Cracks and remembers the address and drops an open connection. Raises ESOAPHTTPException
    // for a scheme other than http or https; the address is remembered all the same, and every
    // call through it then fails.
    void SetURL(const std::string& url);
    const std::string& URL() const noexcept { return url_; }
    const TCrackedUrl& Cracked() const noexcept { return cracked_; }

    void SetSoapAction(std::string action) { soapAction_ = std::move(action); }
    const std::string& SoapAction() const noexcept { return soapAction_; }

    void SetTimeouts(THttpTimeouts timeouts) { timeouts_ = timeouts; }
    const THttpTimeouts& Timeouts() const noexcept { return timeouts_; }

    bool Connected() const noexcept { return connection_ != nullptr; }

    // Posts the request and returns the answer's body. Raises ESOAPHTTPException (with the HTTP
    // status for a failing status) and leaves the transport disconnected after any error.
    std::string Execute(std::string_view request);
    // The status line of the last answer (0 and nothing before the first or after a failed post).
    long Status() const noexcept { return status_; }
    const std::string& StatusText() const noexcept { return statusText_; }

  private:
    struct TConnection;
    std::string Post(std::string_view request);
    void Drop() noexcept;

    std::string url_;
    TCrackedUrl cracked_;
    bool addressSet_ = false;
    std::string soapAction_;
    THttpTimeouts timeouts_;
    std::unique_ptr<TConnection> connection_;
    long status_ = 0;
    std::string statusText_;
};

}  // namespace tarrow
