#include "platform/IniFile.h"

// Windows: profile files through the system's profile API.

#include "platform/Errors.h"

#include <windows.h>

#include <vector>

namespace tarrow {

namespace {

// The API answers an absent key with the default it is given, so an absent key is told from a
// present one by asking with two defaults no file value can equal both of.
std::string ReadWithDefault(const std::string& fileName, const std::string& section,
                            const std::string& key, const char* defaultValue)
{
    std::vector<char> buffer(TIniFile::kMaxValueLength + 1);
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue, buffer.data(),
                                             static_cast<DWORD>(buffer.size()), fileName.c_str());
    return std::string(buffer.data(), n);
}

}  // namespace

std::optional<std::string> TIniFile::Read(const std::string& section, const std::string& key) const
{
    const char* const first = "\x01";
    const char* const second = "\x02";
    std::string value = ReadWithDefault(fileName_, section, key, first);
    if (value == first && ReadWithDefault(fileName_, section, key, second) == second) return std::nullopt;
    return value;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str()))
        throw EIniFileException("Unable to write to " + fileName_);
}

}  // namespace tarrow
