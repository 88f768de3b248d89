#pragma once
// The HTTPS peer of tls_peer.py with certificates from a certification authority of our own, made
// afresh by make_test_ca.sh: one port serves a certificate valid for the peer's address, one a
// certificate for another name, one an expired certificate. No system trusts the authority, so a
// client that checks certificates refuses all three unless it is told to trust CaFile().

#include "tests/peers/ChildProcess.h"

#include <memory>
#include <string>

namespace tarrow::test {

enum class TTlsCertificate { Valid, WrongName, Expired };

class TTlsPeer {
public:
    // Leaves the authority and the certificates in the folder, which ends with "/"; raises
    // std::runtime_error when they cannot be made or the peer does not start.
    explicit TTlsPeer(const std::string& scratchDirectory);
    std::string CaFile() const { return directory_ + "ca.pem"; }
    std::string Url(TTlsCertificate certificate) const;
    int Port(TTlsCertificate certificate) const { return ports_[static_cast<int>(certificate)]; }

private:
    std::string directory_;
    std::unique_ptr<TChildProcess> process_;
    int ports_[3] = {};
};

}  // namespace tarrow::test
