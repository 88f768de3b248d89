#include "platform/ProgramDir.h"

// Linux: the program file from /proc.

#include "platform/Errors.h"

#include <unistd.h>

#include <vector>

namespace tarrow {

bool IsPathSeparator(char c) { return c == '/'; }

std::string ProgramFilePath()
{
    std::vector<char> buffer(4096);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size() - 1)
        throw Exception("Cannot determine the program's file name");
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

// Linux names files with bytes, and ours are UTF-8 already.
std::filesystem::path PathFromUtf8(const std::string& utf8) { return std::filesystem::path(utf8); }
std::string Utf8FromPath(const std::filesystem::path& path) { return path.string(); }

}  // namespace tarrow
