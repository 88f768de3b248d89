#include "tests/peers/TlsPeer.h"

#include "tests/peers/HttpPeer.h"

#include <sstream>
#include <stdexcept>

namespace tarrow::test {

using namespace std::chrono_literals;

TTlsPeer::TTlsPeer(const std::string& scratchDirectory) : directory_(scratchDirectory)
{
    // The Linux programs name the folder by its Linux name; the test names it by its own.
    const std::string folder = LinuxFileName(directory_);
    {
        TChildProcess make({"/bin/sh", "-c",
                            "/bin/sh '" TARROW_TEST_PEERS_DIR "/make_test_ca.sh' '" + folder + "' '" +
                                PeerHost() + "' && echo OK"});
        if (make.ReadLine(60s) != "OK") throw std::runtime_error("openssl could not make the test certificates");
    }
    std::vector<std::string> argv{"/usr/bin/python3", TARROW_TEST_PEERS_DIR "/tls_peer.py", PeerHost()};
    for (const char* name : {"valid", "wrong-name", "expired"}) {
        argv.push_back(folder + name + ".pem");
        argv.push_back(folder + name + "-key.pem");
    }
    process_ = std::make_unique<TChildProcess>(argv);
    auto line = process_->ReadLine(60s);
    if (!line || line->rfind("PORT ", 0) != 0) throw std::runtime_error("the TLS peer did not start");
    std::istringstream ports(line->substr(5));
    for (int& port : ports_) ports >> port;
    if (!ports) throw std::runtime_error("the TLS peer did not report its ports: " + *line);
}

std::string TTlsPeer::Url(TTlsCertificate certificate) const
{
    return "https://" + PeerHost() + ":" + std::to_string(Port(certificate)) +
           "/parceiros/orvane/van/van.asmx";
}

}  // namespace tarrow::test
