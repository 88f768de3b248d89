#pragma once
// A program a test starts and owns: its standard output comes back through a pipe, line by line,
// and it is ended (by its own process id) when the object goes.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tarrow::test {

class TChildProcess {
  public:
    explicit TChildProcess(const std::vector<std::string>& argv);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    // The next line of its output without the line end; nothing when the time runs out or the
    // output ends.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffer_;
};

}  // namespace tarrow::test
