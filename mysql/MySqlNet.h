#pragma once
// The packet codec over the byte transport: 4-byte headers with a sequence number, payloads split
// at 16777215 bytes, small packets coalesced into one send, the optional zlib-compressed framing,
// and the little-endian and length-coded values of the protocol.
//
// Outgoing, the packet buffer holds 4 reserved header bytes and the payload written so far;
// incoming, it holds the payload of the last packet read, with a read position.

#include "mysql/CRVio.h"
#include "mysql/MySqlErrors.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarrow {

// The server error an error packet (first byte 0xFF) carries: its code (2 bytes, signed) and the
// rest of the packet as text, after CR LF. A 4.1 server's "#" and SQL state stay part of the text.
// A code of 0 would read as success and one of 0xFFFF as -1 ("no more results"): both are a
// malformed packet (2027).
EMySqlException ServerError(std::span<const std::uint8_t> packet);

class TMySqlNet {
  public:
    static constexpr std::size_t kHeaderSize = 4;
    static constexpr std::size_t kCompressedHeaderSize = 7;
    static constexpr std::uint32_t kMaxPacketLength = 0xFFFFFF;
    // Packet buffer size (header included) above which a write goes out at once.
    static constexpr std::size_t kCoalesceLimit = 8192;
    // Compressed framing stores blocks of this many bytes or fewer as they are.
    static constexpr std::size_t kCompressThreshold = 50;
    static constexpr std::uint8_t kErrorMarker = 0xFF;
    // The largest logical packet taken in unless told otherwise: what the login announces.
    static constexpr std::size_t kDefaultMaxPacketSize = 0x40000000;

    TMySqlNet();
    // Closes the connection; errors while closing are ignored.
    ~TMySqlNet();
    TMySqlNet(const TMySqlNet&) = delete;
    TMySqlNet& operator=(const TMySqlNet&) = delete;

    // Closes and frees the transport held before, then owns this one.
    void AttachTransport(std::unique_ptr<TCRVio> transport);
    TCRVio* Transport() const noexcept { return transport_.get(); }
    // Empties both buffers, closes and frees the transport (freed even when closing fails).
    void Close();

    bool Compress() const noexcept { return compress_; }
    void SetCompress(bool on) noexcept { compress_ = on; }
    std::uint8_t SequenceNumber() const noexcept { return sequence_; }
    void SetSequenceNumber(std::uint8_t value) noexcept { sequence_ = value; }
    std::uint8_t CompressedSequenceNumber() const noexcept { return compressedSequence_; }
    // A packet (maximal packets joined with what continues them) or an inflated run of frames
    // longer than this is a malformed packet (2027), raised before its memory is taken.
    void SetMaxPacketSize(std::size_t bytes) noexcept { maxPacketSize_ = bytes; }
    std::size_t MaxPacketSize() const noexcept { return maxPacketSize_; }

    // -- Writing
    // Both sequence numbers to 0 and an empty packet buffer.
    void NewCommand();
    // An empty packet buffer; the sequence numbers run on.
    void ResetPacket();
    void WriteByte(std::uint8_t value);
    void WriteInt16(std::uint16_t value) { WriteLittleEndian(value, 2); }
    void WriteInt24(std::uint32_t value) { WriteLittleEndian(value, 3); }
    void WriteInt32(std::uint32_t value) { WriteLittleEndian(value, 4); }
    void WriteInt64(std::uint64_t value) { WriteLittleEndian(value, 8); }
    void WriteRepeat(std::uint8_t value, std::size_t count);
    void WriteLengthCoded(std::uint64_t value);
    // Payload writes that may send at once: a write that does not fit the coalescing limit sends
    // the buffered part with a header announcing the whole packet, then the rest straight from data.
    void WriteBytes(const std::uint8_t* data, std::size_t count);
    void WriteBytes(std::span<const std::uint8_t> data) { WriteBytes(data.data(), data.size()); }
    void WriteBytes(std::string_view data)
    {
        WriteBytes(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    }
    // The text's bytes and a 0 byte.
    void WriteZString(std::string_view text);
    // Sends the buffered payload as the last packet of the payload being written.
    void FlushPacket();
    // A packet of length 0 with the next sequence number; nothing may be buffered.
    void SendEmptyPacket();
    // Bytes of payload buffered and not yet sent.
    std::size_t BufferedPayload() const noexcept { return length_ > kHeaderSize ? length_ - kHeaderSize : 0; }

    // -- Reading
    // The next header's payload length (sequence number checked in plain mode: error 1156).
    std::uint32_t ReceiveHeader();
    // One logical packet (a maximal packet joined with what continues it) into the packet buffer;
    // an error packet raises the server's error.
    void ReadPacket();
    // Exactly one packet into an array of its own; an error packet raises the server's error, a
    // maximal packet is an argument error.
    std::vector<std::uint8_t> ReceiveBuffer();
    // Reads one packet in pieces of at most chunk bytes, keeping none of it. Returns the payload
    // length; firstByte is the packet's first byte when check is on (0 otherwise, or when empty).
    // With check on, an error packet raises the server's error.
    std::uint32_t DrainPacket(std::size_t chunk, bool check, std::uint8_t& firstByte);

    // The payload of the last packet read.
    std::span<const std::uint8_t> Packet() const noexcept { return {buffer_.data(), length_}; }
    std::size_t ReadPosition() const noexcept { return position_; }
    void SetReadPosition(std::size_t position) noexcept { position_ = position; }
    std::size_t Length() const noexcept { return length_; }
    // Readers at the read position; they check the packet's end (see TPacketReader).
    std::uint8_t ReadByte();
    std::uint16_t ReadInt16();
    std::uint32_t ReadInt24();
    std::uint32_t ReadInt32();
    std::uint64_t ReadInt64();
    std::int64_t ReadLengthCoded();
    std::string ReadZString();
    void ReadBytes(std::uint8_t* destination, std::size_t count);
    // Raises the server's error when the byte at the read position is 0xFF.
    void CheckServerError();
    // True when the last read ended in an error packet, which ends whatever the server was
    // sending: no result of a batch follows it.
    bool ServerErrorRead() const noexcept { return serverErrorRead_; }

  private:
    void Grow(std::size_t length);
    void WriteLittleEndian(std::uint64_t value, int bytes);
    void WriteStep(const std::uint8_t* data, std::size_t count, std::uint32_t headerLength);
    void StampHeader(std::uint32_t payloadLength);
    void SendBufferedPacket();
    void Send(const std::uint8_t* data, std::size_t count);
    void SendCompressedFrame(const std::uint8_t* data, std::size_t count);
    void TransportWrite(const std::uint8_t* data, std::size_t count);
    // count bytes of the incoming stream (through the inflated input in compressed mode).
    void ReceiveBytes(std::uint8_t* destination, std::size_t count);
    void TransportRead(std::uint8_t* destination, std::size_t count);
    void ReceiveCompressedFrames();
    void CheckPacketSize(std::size_t held, std::size_t more) const;
    [[noreturn]] void RaiseConnectionLost() const;

    std::unique_ptr<TCRVio> transport_;
    // The packet buffer: capacity is buffer_.size(), the bytes in use length_.
    std::vector<std::uint8_t> buffer_;
    std::size_t length_ = kHeaderSize;
    std::size_t position_ = 0;
    std::vector<std::uint8_t> inflated_;
    std::size_t inflatedPosition_ = 0;
    std::vector<std::uint8_t> frame_;
    std::vector<std::uint8_t> drainScratch_;
    std::uint8_t header_[kHeaderSize] = {};
    std::uint8_t compressedHeader_[kCompressedHeaderSize] = {};
    std::size_t maxPacketSize_ = kDefaultMaxPacketSize;
    bool compress_ = false;
    bool serverErrorRead_ = false;
    std::uint8_t sequence_ = 0;
    std::uint8_t compressedSequence_ = 0;
    // Length announced by the last header sent for the payload being written.
    std::uint32_t lastSentLength_ = 0;
};

} // namespace tarrow
