#pragma once
// The answers to commands as pure functions over one packet's bytes: OK and end packets, column
// descriptions (4.1 and pre-4.1 layouts) and text rows. Rows are not copied: a row's bindings hold
// offsets and lengths into the packet.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarrow {

// Column flag added to the numeric column types.
inline constexpr int kNumericFlag = 0x8000;
inline constexpr std::uint8_t kEndMarker = 0xFE;
inline constexpr std::uint8_t kNullMarker = 251;

// One column of a result.
struct TMySqlFieldInfo {
    std::string Name;
    std::string BaseColumnName; // empty in the pre-4.1 protocol
    std::string Table;
    std::string BaseTable;    // equals Table in the pre-4.1 protocol
    std::string Database;     // empty in the pre-4.1 protocol
    std::string DefaultValue; // always empty
    std::uint32_t Length = 0;
    int Decimals = 0;
    int MaxLength = 0; // always 0
    int Flags = 0;
    int CharsetNumber = 0; // 0 in the pre-4.1 protocol
    std::uint8_t Type = 0;
};
using TMySqlFieldInfos = std::vector<TMySqlFieldInfo>;

// One column of the current row: where its value lies in the row's bytes.
struct TMySqlBind {
    bool IsNull = false;
    std::uint32_t Offset = 0; // 0 for NULL
    std::uint32_t Length = 0; // 0 for NULL
    std::uint8_t Type = 0;    // filled by the binary protocol only
};

// The current row: its bytes (inside the received packet) and one binding per column.
struct TMySqlBinds {
    std::vector<TMySqlBind> Binds;
    std::span<const std::uint8_t> Row;
};

struct TOkPacket {
    std::int64_t AffectedRows = 0;
    std::int64_t InsertId = 0;
    bool HasStatus = false;
    std::uint16_t ServerStatus = 0;
    bool HasWarnings = false;
    std::uint16_t WarningCount = 0;
    std::string Info;
};

// An OK packet from its first byte (the column count 0) on. The status is present with the 4.1
// protocol or a server with transactions; the warning count with the 4.1 protocol only. The
// message is the rest of the packet, without the length prefix servers put before it.
TOkPacket ParseOkPacket(std::span<const std::uint8_t> packet, bool protocol41, bool transactions);

// An end packet: at most 8 bytes, first byte 0xFE.
inline bool IsEndPacket(std::span<const std::uint8_t> packet)
{
    return !packet.empty() && packet.size() <= 8 && packet[0] == kEndMarker;
}

struct TEndPacket {
    bool HasCounts = false;
    std::uint16_t WarningCount = 0;
    std::uint16_t ServerStatus = 0;
};

// The warning count and status of an end packet longer than 1 byte.
TEndPacket ParseEndPacket(std::span<const std::uint8_t> packet);

// Walks a text row: 251 is NULL, 252/253/254 announce a 2, 3 or 8-byte length (only the low 4
// bytes of the 8 count), 255 is an argument error, any other first byte is the length itself. A
// value that runs past the packet's end is a malformed packet (2027).
void ParseRow(std::span<const std::uint8_t> row, std::size_t columnCount, TMySqlBinds& binds);

// A column description packet; longColumnFlags is the server's 0x4 capability (pre-4.1 layout).
TMySqlFieldInfo ParseFieldInfo(std::span<const std::uint8_t> packet, bool protocol41, bool longColumnFlags);

// The numeric flag rule: types up to 9 but 7, 7 (timestamp) with length 14 or 8, and 13 (year).
bool IsNumericColumn(std::uint8_t type, std::uint32_t length);

} // namespace tarrow
