#pragma once
// A forwarding HTTP proxy on the peers' loopback address: Debian's tinyproxy, with Basic
// credentials, started for one test with a configuration of its own in a scratch folder. It names
// itself in a Via header on what it forwards and logs every request it takes.

#include "tests/peers/ChildProcess.h"

#include <memory>
#include <string>

namespace tarrow::test {

class TProxyPeer {
  public:
    // The folder ends with "/"; raises std::runtime_error when the proxy does not start.
    TProxyPeer(const std::string& scratchDirectory, const std::string& user, const std::string& password);

    // host:port, as Tarrow.conf names a proxy.
    std::string Server() const;
    // The request lines logged so far ("CONNECT 127.0.0.61:4433 HTTP/1.1", "POST http://... HTTP/1.1").
    std::string Log() const;

  private:
    std::string directory_;
    int port_ = 0;
    std::unique_ptr<TChildProcess> process_;
};

}  // namespace tarrow::test
