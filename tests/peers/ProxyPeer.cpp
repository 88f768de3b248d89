#include "tests/peers/ProxyPeer.h"

#include "tests/peers/HttpPeer.h"
#include "tests/support/Sockets.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tarrow::test {

using namespace std::chrono_literals;

TProxyPeer::TProxyPeer(const std::string& scratchDirectory, const std::string& user,
                       const std::string& password)
    : directory_(scratchDirectory), port_(ClosedPort())
{
    // No ConnectPort line: tunnels to any port, the test peers' among them.
    std::ofstream(Utf8Path(directory_ + "tinyproxy.conf"), std::ios::binary)
        << "Port " << port_ << "\nListen " << PeerHost() << "\nTimeout 60\nMaxClients 20\n"
        << "LogLevel Connect\nLogFile \"" << LinuxFileName(directory_) << "tinyproxy.log\"\n"
        << "BasicAuth " << user << " " << password << "\n";
    process_ = std::make_unique<TChildProcess>(std::vector<std::string>{
        "/usr/bin/tinyproxy", "-d", "-c", LinuxFileName(directory_) + "tinyproxy.conf"});
    // It says nothing when it listens: it does once a connection is taken.
    for (auto give = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < give;) {
        try {
            CloseSocket(ConnectTo(PeerHost(), port_));
            return;
        } catch (const std::runtime_error&) {
            std::this_thread::sleep_for(50ms);
        }
    }
    throw std::runtime_error("tinyproxy did not start (is it installed?)");
}

std::string TProxyPeer::Server() const
{
    return PeerHost() + ":" + std::to_string(port_);
}

std::string TProxyPeer::Log() const
{
    std::ifstream in(Utf8Path(directory_ + "tinyproxy.log"), std::ios::binary);
    std::string lines;
    for (std::string line; std::getline(in, line);) {
        if (auto at = line.find("]: Request (file descriptor "); at != std::string::npos) {
            if (auto colon = line.find("): ", at); colon != std::string::npos)
                lines += line.substr(colon + 3) + "\n";
        }
    }
    return lines;
}

}  // namespace tarrow::test
