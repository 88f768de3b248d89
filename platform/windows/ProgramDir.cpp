#include "platform/ProgramDir.h"

// Windows: the program file from the module table, in wide characters, so a folder named outside
// the ANSI code page is still found.

#include "platform/Errors.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <vector>

namespace tarrow {

bool IsPathSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

std::string ProgramFilePath()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    while (true) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) throw Exception("Cannot determine the program's file name");
        // A name that filled the buffer may have been cut: ask again with room to spare.
        if (n < buffer.size()) return WideToUtf8(std::wstring_view(buffer.data(), n));
        if (buffer.size() >= 32768) throw Exception("Cannot determine the program's file name");
        buffer.resize(buffer.size() * 2);
    }
}

std::filesystem::path PathFromUtf8(const std::string& utf8) { return std::filesystem::path(Utf8ToWide(utf8)); }
std::string Utf8FromPath(const std::filesystem::path& path) { return WideToUtf8(path.native()); }

}  // namespace tarrow
