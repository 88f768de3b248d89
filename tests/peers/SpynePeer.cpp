#include "tests/peers/SpynePeer.h"

#include "tests/peers/HttpPeer.h"

#include <stdexcept>

#ifndef TARROW_TEST_PEERS_DIR
#error "TARROW_TEST_PEERS_DIR comes from the build"
#endif

namespace tarrow::test {

using namespace std::chrono_literals;

TSpynePeer::TSpynePeer()
    : process_({"/usr/bin/python3", TARROW_TEST_PEERS_DIR "/van_spyne_service.py", PeerHost()})
{
    // Python and the SOAP library take a moment to load, more under a loaded machine.
    auto line = process_.ReadLine(60s);
    if (!line || line->rfind("PORT ", 0) != 0) throw std::runtime_error("the spyne service did not start");
    port_ = std::stoi(line->substr(5));
}

std::string TSpynePeer::Url() const
{
    return "http://" + PeerHost() + ":" + std::to_string(port_) + "/parceiros/orvane/van/van.asmx";
}

std::vector<std::string> TSpynePeer::NextCall()
{
    std::vector<std::string> lines;
    while (auto line = process_.ReadLine(10s)) {
        if (*line == "END") return lines;
        lines.push_back(*line);
    }
    return lines;
}

}  // namespace tarrow::test
