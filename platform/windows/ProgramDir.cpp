#include "platform/ProgramDir.h"

// Windows: the program file from the module table.

#include "platform/Errors.h"

#include <windows.h>

#include <vector>

namespace tarrow {

bool IsPathSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

std::string ProgramFilePath()
{
    std::vector<char> buffer(MAX_PATH);
    while (true) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) throw Exception("Cannot determine the program's file name");
        // A name that filled the buffer may have been cut: ask again with room to spare.
        if (n < buffer.size()) return std::string(buffer.data(), n);
        if (buffer.size() >= 32768) throw Exception("Cannot determine the program's file name");
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace tarrow
