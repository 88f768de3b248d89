#include "platform/ProgramDir.h"

// The path rules every platform shares; ProgramFilePath and IsPathSeparator live in
// posix/ProgramDir.cpp and windows/ProgramDir.cpp.

namespace tarrow {

std::string ExtractFilePath(const std::string& path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsPathSeparator(path[i - 1])) return path.substr(0, i);
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
