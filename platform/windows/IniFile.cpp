#include "platform/IniFile.h"

// Windows: profile files through the system's profile API, in its wide-character form: the file's
// name is ours (UTF-8) and may hold characters the ANSI code page lacks. Section, key and value
// cross as the ANSI functions would pass them: a value is the file's bytes read in the ANSI code
// page and given back in it, so what the program reads and writes is byte for byte what the ANSI
// functions gave.

#include "platform/Errors.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <vector>

namespace tarrow {

namespace {

// The API answers an absent key with the default it is given, so an absent key is told from a
// present one by asking with two defaults no file value can equal both of.
std::string ReadWithDefault(const std::wstring& fileName, const std::string& section, const std::string& key,
                            const wchar_t* defaultValue)
{
    std::vector<wchar_t> buffer(TIniFile::kMaxValueLength + 1);
    const DWORD n = GetPrivateProfileStringW(AnsiToWide(section).c_str(), AnsiToWide(key).c_str(), defaultValue,
                                             buffer.data(), static_cast<DWORD>(buffer.size()), fileName.c_str());
    return WideToAnsi(std::wstring_view(buffer.data(), n));
}

}  // namespace

std::optional<std::string> TIniFile::Read(const std::string& section, const std::string& key) const
{
    const std::wstring file = Utf8ToWide(fileName_);
    const wchar_t* const first = L"\x01";
    const wchar_t* const second = L"\x02";
    std::string value = ReadWithDefault(file, section, key, first);
    if (value == "\x01" && ReadWithDefault(file, section, key, second) == "\x02") return std::nullopt;
    return value;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    if (!WritePrivateProfileStringW(AnsiToWide(section).c_str(), AnsiToWide(key).c_str(), AnsiToWide(value).c_str(),
                                    Utf8ToWide(fileName_).c_str()))
        throw EIniFileException("Unable to write to " + fileName_);
}

}  // namespace tarrow
