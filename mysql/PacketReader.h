#pragma once
// A read cursor over one received packet. Every read checks the packet's end: a value that runs
// past it is a malformed packet (client error 2027), never a read out of bounds.

#include "mysql/MySqlErrors.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tarrow {

class TPacketReader {
  public:
    explicit TPacketReader(std::span<const std::uint8_t> packet, std::size_t position = 0)
        : packet_(packet), position_(position)
    {
    }

    std::size_t Position() const noexcept { return position_; }
    void SetPosition(std::size_t position) noexcept { position_ = position; }
    std::size_t Length() const noexcept { return packet_.size(); }
    std::size_t Remaining() const noexcept
    {
        return position_ < packet_.size() ? packet_.size() - position_ : 0;
    }
    bool AtEnd() const noexcept { return Remaining() == 0; }

    std::uint8_t PeekByte() const
    {
        Need(1);
        return packet_[position_];
    }
    std::uint8_t ReadByte()
    {
        Need(1);
        return packet_[position_++];
    }
    std::uint16_t ReadInt16() { return static_cast<std::uint16_t>(ReadLittleEndian(2)); }
    std::uint32_t ReadInt24() { return static_cast<std::uint32_t>(ReadLittleEndian(3)); }
    std::uint32_t ReadInt32() { return static_cast<std::uint32_t>(ReadLittleEndian(4)); }
    // Eight bytes, little-endian; fewer than eight left is an argument error with an empty message.
    std::uint64_t ReadInt64()
    {
        if (Remaining() < 8) throw EArgumentException("");
        return ReadLittleEndian(8);
    }
    // 0..250 as they are, 251 is SQL NULL (-1), 252/253/254 announce 2, 3 or 8 bytes; 255 is an
    // argument error with an empty message.
    std::int64_t ReadLengthCoded()
    {
        const std::uint8_t first = ReadByte();
        switch (first) {
        case 251:
            return -1;
        case 252:
            return ReadInt16();
        case 253:
            return ReadInt24();
        case 254:
            return static_cast<std::int64_t>(ReadInt64());
        case 255:
            throw EArgumentException("");
        default:
            return first;
        }
    }
    // The bytes up to the next 0 byte (which is consumed) or up to the end of the packet.
    std::string ReadZString()
    {
        const std::size_t start = std::min(position_, packet_.size());
        std::size_t end = start;
        while (end < packet_.size() && packet_[end] != 0) ++end;
        std::string text(reinterpret_cast<const char*>(packet_.data()) + start, end - start);
        position_ = end < packet_.size() ? end + 1 : end;
        return text;
    }
    std::span<const std::uint8_t> ReadBytes(std::size_t count)
    {
        Need(count);
        auto bytes = packet_.subspan(position_, count);
        position_ += count;
        return bytes;
    }
    void Skip(std::size_t count)
    {
        Need(count);
        position_ += count;
    }

  private:
    void Need(std::size_t count) const
    {
        if (Remaining() < count) throw MySqlError(kCrMalformedPacket);
    }
    std::uint64_t ReadLittleEndian(int bytes)
    {
        Need(static_cast<std::size_t>(bytes));
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value |= std::uint64_t{packet_[position_ + i]} << (8 * i);
        position_ += static_cast<std::size_t>(bytes);
        return value;
    }

    std::span<const std::uint8_t> packet_;
    std::size_t position_;
};

} // namespace tarrow
