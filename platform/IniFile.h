#pragma once
// Profile (INI) files, read and written with the rules of the platform's profile API: the file is
// read anew on every call, names match without regard to case, and a write touches only the one
// value it changes. Values are the file's bytes as they stand.

#include <cstdint>
#include <optional>
#include <string>

namespace tarrow {

class TIniFile {
public:
    // The longest value a read returns; longer values are cut, as the platform's buffer does.
    static constexpr std::size_t kMaxValueLength = 2047;

    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const noexcept { return fileName_; }

    // The value of key in section, or nothing when the file, the section or the key is absent.
    // A key present with an empty value gives the empty text.
    std::optional<std::string> Read(const std::string& section, const std::string& key) const;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;

    // Decimal, or hexadecimal after "0x"; any other text, and an absent key, give defaultValue.
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;

    // Creates the file or the section when needed and replaces only this key's value; every other
    // byte of the file stays as it was. Raises EIniFileException "Unable to write to <file>".
    void WriteString(const std::string& section, const std::string& key, const std::string& value);

private:
    std::string fileName_;
};

// The whole-number rule of ReadInteger, for texts that do not come from a file.
std::optional<std::int32_t> ParseProfileInteger(const std::string& text);

}  // namespace tarrow
