#pragma once
// The third-party SOAP service of van_spyne_service.py, started on the peer address for one test.

#include "tests/peers/ChildProcess.h"

#include <memory>
#include <string>
#include <vector>

namespace tarrow::test {

class TSpynePeer {
  public:
    TSpynePeer();  // waits until it listens; raises std::runtime_error when it does not start

    std::string Url() const;
    // What the service decoded from the next call: "CALL <operation>", then "<name>=<JSON value>"
    // per parameter (the END line is dropped). Empty when no call came in time.
    std::vector<std::string> NextCall();

  private:
    TChildProcess process_;
    int port_ = 0;
};

}  // namespace tarrow::test
