#pragma once
// The HTTPS peer of tls_peer.py, with a fresh self-signed certificate for a wrong name: a client
// that checks certificates refuses it, one that ignores invalid certificates talks to it.

#include "tests/peers/ChildProcess.h"

#include <memory>
#include <string>

namespace tarrow::test {

class TTlsPeer {
public:
    explicit TTlsPeer(const std::string& scratchDirectory);  // raises std::runtime_error on failure
    std::string Url() const;

private:
    std::unique_ptr<TChildProcess> process_;
    int port_ = 0;
};

}  // namespace tarrow::test
