#include "mysql/MySqlPackets.h"

#include "mysql/MySqlErrors.h"
#include "mysql/PacketReader.h"

namespace tarrow {

namespace {

[[noreturn]] void Malformed()
{
    throw MySqlError(kCrMalformedPacket);
}

std::string Text(std::span<const std::uint8_t> row, const TMySqlBind& bind)
{
    if (bind.IsNull) return {};
    return std::string(reinterpret_cast<const char*>(row.data()) + bind.Offset, bind.Length);
}

std::uint32_t LittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value |= std::uint32_t{bytes[offset + i]} << (8 * i);
    return value;
}

// Servers send the message of an OK packet with a length prefix; a message that is simply the
// rest of the packet is taken as it is.
std::string ReadInfo(TPacketReader& reader)
{
    const std::size_t start = reader.Position();
    if (reader.AtEnd()) return {};
    const std::uint8_t first = reader.PeekByte();
    if (first < 251 || first == 252 || first == 253) {
        const auto length = reader.ReadLengthCoded();
        if (length >= 0 && static_cast<std::size_t>(length) == reader.Remaining()) {
            const auto bytes = reader.ReadBytes(static_cast<std::size_t>(length));
            return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        reader.SetPosition(start);
    }
    return reader.ReadZString();
}

} // namespace

TOkPacket ParseOkPacket(std::span<const std::uint8_t> packet, bool protocol41, bool transactions)
{
    TPacketReader reader(packet);
    TOkPacket ok;
    reader.ReadLengthCoded(); // the column count, 0
    ok.AffectedRows = reader.ReadLengthCoded();
    ok.InsertId = reader.ReadLengthCoded();
    if (protocol41 || transactions) {
        ok.HasStatus = true;
        ok.ServerStatus = reader.ReadInt16();
    }
    if (protocol41) {
        ok.HasWarnings = true;
        ok.WarningCount = reader.ReadInt16();
    }
    ok.Info = ReadInfo(reader);
    return ok;
}

TEndPacket ParseEndPacket(std::span<const std::uint8_t> packet)
{
    TEndPacket end;
    // A truncated end packet keeps what it has rather than reading beyond it.
    if (packet.size() >= 5) {
        end.HasCounts = true;
        end.WarningCount = static_cast<std::uint16_t>(LittleEndian(packet, 1, 2));
        end.ServerStatus = static_cast<std::uint16_t>(LittleEndian(packet, 3, 2));
    }
    return end;
}

void ParseRow(std::span<const std::uint8_t> row, std::size_t columnCount, TMySqlBinds& binds)
{
    binds.Row = row;
    if (binds.Binds.size() != columnCount) binds.Binds.resize(columnCount);
    const std::uint8_t* data = row.data();
    const std::size_t size = row.size();
    std::size_t position = 0;
    for (std::size_t column = 0; column < columnCount; ++column) {
        TMySqlBind& bind = binds.Binds[column];
        if (position >= size) Malformed();
        const std::uint8_t first = data[position++];
        std::size_t length;
        if (first < kNullMarker) {
            length = first;
        } else if (first == kNullMarker) {
            bind.IsNull = true;
            bind.Offset = 0;
            bind.Length = 0;
            continue;
        } else {
            const int bytes = first == 252 ? 2 : first == 253 ? 3 : first == 254 ? 8 : 0;
            if (bytes == 0) throw EArgumentException("");
            if (size - position < static_cast<std::size_t>(bytes)) Malformed();
            length = LittleEndian(row, position, bytes == 8 ? 4 : bytes);
            position += static_cast<std::size_t>(bytes);
        }
        if (size - position < length) Malformed();
        bind.IsNull = false;
        bind.Offset = static_cast<std::uint32_t>(position);
        bind.Length = static_cast<std::uint32_t>(length);
        position += length;
    }
}

bool IsNumericColumn(std::uint8_t type, std::uint32_t length)
{
    return (type <= 9 && type != 7) || (type == 7 && (length == 14 || length == 8)) || type == 13;
}

TMySqlFieldInfo ParseFieldInfo(std::span<const std::uint8_t> packet, bool protocol41, bool longColumnFlags)
{
    TMySqlFieldInfo info;
    TMySqlBinds values;
    if (protocol41) {
        ParseRow(packet, 7, values);
        const auto& v = values.Binds;
        info.Database = Text(packet, v[1]);
        info.Table = Text(packet, v[2]);
        info.BaseTable = Text(packet, v[3]);
        info.Name = Text(packet, v[4]);
        info.BaseColumnName = Text(packet, v[5]);
        if (v[6].IsNull || v[6].Length < 11) Malformed();
        const std::size_t block = v[6].Offset;
        info.CharsetNumber = static_cast<int>(LittleEndian(packet, block, 2));
        info.Length = LittleEndian(packet, block + 2, 4);
        info.Type = packet[block + 6];
        info.Flags = static_cast<int>(LittleEndian(packet, block + 7, 2));
        info.Decimals = static_cast<int>(LittleEndian(packet, block + 9, 2));
    } else {
        ParseRow(packet, 5, values);
        const auto& v = values.Binds;
        info.Table = Text(packet, v[0]);
        info.BaseTable = info.Table;
        info.Name = Text(packet, v[1]);
        if (v[2].Length < 3 || v[3].Length < 1) Malformed();
        info.Length = LittleEndian(packet, v[2].Offset, 3);
        info.Type = packet[v[3].Offset];
        const int flagBytes = longColumnFlags ? 2 : 1;
        if (v[4].Length < static_cast<std::uint32_t>(flagBytes) + 1) Malformed();
        info.Flags = static_cast<int>(LittleEndian(packet, v[4].Offset, flagBytes));
        info.Decimals = packet[v[4].Offset + flagBytes];
    }
    if (IsNumericColumn(info.Type, info.Length)) info.Flags |= kNumericFlag;
    return info;
}

} // namespace tarrow
