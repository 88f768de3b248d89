#pragma once
// Payloads a MySQL server sends, built for byte-level tests: greetings, OK, end and error
// packets, column descriptions and text rows.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarrow::test {

// Both grow the vector first and then write into it: at -O3, GCC 12 follows push_back and a
// range insert into a vector that starts at one byte and reports writes past that first buffer
// (-Wstringop-overflow, -Warray-bounds) that never happen.
inline void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(bytes));
    for (int i = 0; i < bytes; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void PutText(std::vector<std::uint8_t>& out, const std::string& text)
{
    const std::size_t at = out.size();
    out.resize(at + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) out[at + i] = static_cast<std::uint8_t>(text[i]);
}

inline std::vector<std::uint8_t> LengthCoded(std::uint64_t value)
{
    std::vector<std::uint8_t> out;
    if (value <= 250) {
        out.push_back(static_cast<std::uint8_t>(value));
    } else if (value <= 0xFFFF) {
        out.push_back(252);
        PutLittleEndian(out, value, 2);
    } else if (value <= 0xFFFFFF) {
        out.push_back(253);
        PutLittleEndian(out, value, 3);
    } else {
        out.push_back(254);
        PutLittleEndian(out, value, 8);
    }
    return out;
}

inline void PutLengthCodedText(std::vector<std::uint8_t>& out, const std::string& text)
{
    const auto prefix = LengthCoded(text.size());
    out.insert(out.end(), prefix.begin(), prefix.end());
    PutText(out, text);
}

struct TGreetingShape {
    std::uint8_t ProtocolVersion = 10;
    std::string ServerVersion = "10.11.19-MariaDB";
    std::uint32_t ThreadId = 42;
    std::array<std::uint8_t, 20> Scramble = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                             11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    std::uint16_t Capabilities = 0xF7FF;
    std::uint8_t Language = 8;
    std::uint16_t Status = 2;
    // Short: the greeting ends after the first scramble part and its filler (an old server).
    bool Short = false;
    // Without the second scramble part (but with the fields before it).
    bool FullScramble = true;
};

inline std::vector<std::uint8_t> GreetingPacket(const TGreetingShape& shape)
{
    std::vector<std::uint8_t> out = {shape.ProtocolVersion};
    PutText(out, shape.ServerVersion);
    out.push_back(0);
    PutLittleEndian(out, shape.ThreadId, 4);
    out.insert(out.end(), shape.Scramble.begin(), shape.Scramble.begin() + 8);
    out.push_back(0);
    if (shape.Short) return out;
    PutLittleEndian(out, shape.Capabilities, 2);
    out.push_back(shape.Language);
    PutLittleEndian(out, shape.Status, 2);
    out.insert(out.end(), 13, 0);
    if (!shape.FullScramble) return out;
    out.insert(out.end(), shape.Scramble.begin() + 8, shape.Scramble.end());
    out.push_back(0);
    PutText(out, "mysql_native_password");
    out.push_back(0);
    return out;
}

inline std::vector<std::uint8_t> OkPacket(std::uint64_t affectedRows = 0, std::uint64_t insertId = 0,
                                          std::uint16_t status = 2, std::uint16_t warnings = 0,
                                          const std::string& info = "")
{
    std::vector<std::uint8_t> out = {0};
    for (const auto value : {affectedRows, insertId}) {
        const auto coded = LengthCoded(value);
        out.insert(out.end(), coded.begin(), coded.end());
    }
    PutLittleEndian(out, status, 2);
    PutLittleEndian(out, warnings, 2);
    if (!info.empty()) PutLengthCodedText(out, info);
    return out;
}

inline std::vector<std::uint8_t> EndPacket(std::uint16_t warnings = 0, std::uint16_t status = 2)
{
    std::vector<std::uint8_t> out = {0xFE};
    PutLittleEndian(out, warnings, 2);
    PutLittleEndian(out, status, 2);
    return out;
}

inline std::vector<std::uint8_t> ErrorPacket(std::uint16_t code, const std::string& text)
{
    std::vector<std::uint8_t> out = {0xFF};
    PutLittleEndian(out, code, 2);
    PutText(out, text);
    return out;
}

struct TColumnSpec {
    std::string Database = "gerente";
    std::string Table = "m";
    std::string BaseTable = "movment";
    std::string Name = "registro";
    std::string BaseName = "numlanc";
    std::uint16_t Charset = 8;
    std::uint32_t Length = 11;
    std::uint8_t Type = 3;
    std::uint16_t Flags = 0;
    std::uint8_t Decimals = 0;
};

inline std::vector<std::uint8_t> ColumnPacket(const TColumnSpec& shape)
{
    std::vector<std::uint8_t> out;
    PutLengthCodedText(out, "def");
    PutLengthCodedText(out, shape.Database);
    PutLengthCodedText(out, shape.Table);
    PutLengthCodedText(out, shape.BaseTable);
    PutLengthCodedText(out, shape.Name);
    PutLengthCodedText(out, shape.BaseName);
    out.push_back(12);
    PutLittleEndian(out, shape.Charset, 2);
    PutLittleEndian(out, shape.Length, 4);
    out.push_back(shape.Type);
    PutLittleEndian(out, shape.Flags, 2);
    out.push_back(shape.Decimals);
    out.push_back(0);
    out.push_back(0);
    return out;
}

// A pre-4.1 column description: table, name, length (3 bytes), type, flags and decimals.
inline std::vector<std::uint8_t> OldColumnPacket(const std::string& table, const std::string& name,
                                                 std::uint32_t length, std::uint8_t type, std::uint16_t flags,
                                                 std::uint8_t decimals, bool longFlags)
{
    std::vector<std::uint8_t> out;
    PutLengthCodedText(out, table);
    PutLengthCodedText(out, name);
    out.push_back(3);
    PutLittleEndian(out, length, 3);
    out.push_back(1);
    out.push_back(type);
    out.push_back(longFlags ? 3 : 2);
    PutLittleEndian(out, flags, longFlags ? 2 : 1);
    out.push_back(decimals);
    return out;
}

inline std::vector<std::uint8_t> RowPacket(const std::vector<std::optional<std::string>>& values)
{
    std::vector<std::uint8_t> out;
    for (const auto& value : values) {
        if (value)
            PutLengthCodedText(out, *value);
        else
            out.push_back(251);
    }
    return out;
}

} // namespace tarrow::test
