#pragma once
// Kept-alive connections outlive the proxies that opened them. The run makes a fresh proxy, and so
// a fresh transport, for every call attempt; if each dropped its connection, every call would pay a
// new TCP connection (and over https a new TLS handshake). Instead a transport takes an idle
// libcurl handle, with the connection it keeps alive, from this process-wide pool and gives it back
// after a complete answer. A handle that saw any error is never given back, so its connection
// goes with it.

#include "service/HttpRules.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace tarrow {

// One libcurl handle and what lives as long as it does: libcurl writes the error text of a
// transfer into ErrorText, and may do so whenever it works on the handle's connections.
struct TPooledConnection {
    TPooledConnection();  // Easy is null when libcurl could not make a handle
    ~TPooledConnection();
    TPooledConnection(const TPooledConnection&) = delete;
    TPooledConnection& operator=(const TPooledConnection&) = delete;

    CURL* Easy = nullptr;
    char ErrorText[CURL_ERROR_SIZE] = {};
};

// What a connection may serve: the same scheme, host and port, checked the same way, through the
// same proxy (a tunnel through one proxy, or one proxy's credentials, must not serve another).
struct TConnectionKey {
    std::string Scheme;
    std::string Host;
    int Port = 0;
    TCertificateCheck Certificates;
    THttpProxy Proxy;

    friend bool operator==(const TConnectionKey&, const TConnectionKey&) = default;
};

class TConnectionPool {
  public:
    // The pool of this process, made on first use and emptied when the process ends.
    static TConnectionPool& Process();

    TConnectionPool();
    ~TConnectionPool();
    TConnectionPool(const TConnectionPool&) = delete;
    TConnectionPool& operator=(const TConnectionPool&) = delete;

    // An idle connection for key, or a new handle when none waits; either has no options set. The connection is the caller's
    // alone until it is given back, so it never serves two requests at once. Idle connections to
    // any other address are closed: the programs talk to one service, and a changed address means
    // the old one is done with.
    std::unique_ptr<TPooledConnection> Take(const TConnectionKey& key);
    // After a complete answer. The handle forgets the post's options (its pointers into the
    // finished post) and keeps its connection, if libcurl left it open.
    void GiveBack(TConnectionKey key, std::unique_ptr<TPooledConnection> connection);

  private:
    // One thread at a time uses the programs' transports, but nothing stops a second one.
    std::mutex mutex_;
    std::vector<std::pair<TConnectionKey, std::unique_ptr<TPooledConnection>>> idle_;
};

}  // namespace tarrow
