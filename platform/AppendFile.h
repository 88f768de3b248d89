#pragma once
// A file several processes append lines to at once, such as a log that two runs started by a
// scheduler and an operator share: every line is one system write at the file's end, so two
// processes' lines follow one another whole and never mix. Others may read, rename or delete the
// file while it is open (on Windows too), so one of them can rotate it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarrow {

class TAppendFile {
public:
    TAppendFile() = default;
    ~TAppendFile() { Close(); }
    TAppendFile(const TAppendFile&) = delete;
    TAppendFile& operator=(const TAppendFile&) = delete;

    // Creates the file when missing; a file already open is closed first. The text of the
    // system's error when it cannot be opened.
    std::optional<std::string> Open(const std::string& utf8Path);
    void Close() noexcept;
    bool IsOpen() const noexcept;

    // One write at the end, handed to the system before returning (a kill of the process loses
    // nothing already written). False when the system took less than all of it.
    bool Append(std::string_view bytes) noexcept;

    // The size of the open file, whatever name it has now; 0 when none is open.
    std::uintmax_t Size() const noexcept;

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// This process's number, as the system's tools show it.
unsigned long CurrentProcessId() noexcept;

}  // namespace tarrow
