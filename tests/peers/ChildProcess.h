#pragma once
// A program a test starts and owns: its standard output comes back line by line,
// and it is ended (by its own process id) when the object goes. The programs are Linux ones (the
// peers in Python, openssl's script); a Windows test program, which runs under Wine, starts them
// through Linux's shell, which first reports the process id the program will have.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarrow::test {

class TChildProcess {
  public:
    // argv names the program by its Linux path.
    explicit TChildProcess(const std::vector<std::string>& argv);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    // The next line of its output without the line end; nothing when the time runs out or (on
    // Linux) the output ends.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);

  private:
    // Appends what arrives within the time to buffer_; false when the output has ended.
    bool ReadMore(std::chrono::milliseconds timeout);

    std::intptr_t pid_ = -1;     // the Linux process id
    std::intptr_t output_ = -1;  // a pipe's descriptor; on Windows a handle on the output's file
    std::string buffer_;
};

// The Linux name of a file a test program names (its own temporary folder, say): the same on
// Linux, Wine's unix name of a Windows path under Wine.
std::string LinuxFileName(const std::string& name);

}  // namespace tarrow::test
