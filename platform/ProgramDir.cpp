#include "platform/ProgramDir.h"

#include "platform/Errors.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <limits.h>
#include <unistd.h>
#endif

#include <vector>

namespace tarrow {

namespace {

bool IsSeparator(char c)
{
#if defined(_WIN32)
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

}  // namespace

std::string ProgramFilePath()
{
    std::vector<char> buffer(4096);
#if defined(_WIN32)
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) throw Exception("Cannot determine the program's file name");
#else
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size() - 1)
        throw Exception("Cannot determine the program's file name");
#endif
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string ExtractFilePath(const std::string& path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return path.substr(0, i);
    return {};
}

std::string ProgramDirectory() { return ExtractFilePath(ProgramFilePath()); }

std::string ProgramTitle()
{
    const std::string path = ProgramFilePath();
    std::string name = path.substr(ExtractFilePath(path).size());
    auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace tarrow
