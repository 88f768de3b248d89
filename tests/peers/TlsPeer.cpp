#include "tests/peers/TlsPeer.h"

#include "tests/peers/HttpPeer.h"

#include <stdexcept>

namespace tarrow::test {

using namespace std::chrono_literals;

TTlsPeer::TTlsPeer(const std::string& scratchDirectory)
{
    const std::string cert = scratchDirectory + "peer-cert.pem";
    const std::string key = scratchDirectory + "peer-key.pem";
    {
        TChildProcess openssl({"/bin/sh", "-c",
                               "/usr/bin/openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                               "-days 2 -subj /CN=nome.errado.invalid -keyout '" + key + "' -out '" + cert +
                                   "' 2>/dev/null && echo OK"});
        if (openssl.ReadLine(60s) != "OK") throw std::runtime_error("openssl could not make a certificate");
    }
    process_ = std::make_unique<TChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", TARROW_TEST_PEERS_DIR "/tls_peer.py", PeerHost(), cert, key});
    auto line = process_->ReadLine(60s);
    if (!line || line->rfind("PORT ", 0) != 0) throw std::runtime_error("the TLS peer did not start");
    port_ = std::stoi(line->substr(5));
}

std::string TTlsPeer::Url() const
{
    return "https://" + PeerHost() + ":" + std::to_string(port_) + "/parceiros/orvane/van/van.asmx";
}

}  // namespace tarrow::test
