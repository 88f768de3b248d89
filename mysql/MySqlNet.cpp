#include "mysql/MySqlNet.h"

#include "mysql/PacketReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace tarrow {

namespace {

constexpr std::size_t kInitialPacketCapacity = 8192;
constexpr std::size_t kInitialInflatedCapacity = 100;

std::uint32_t Int24(const std::uint8_t* bytes)
{
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16;
}

void PutInt24(std::uint8_t* bytes, std::uint32_t value)
{
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
    bytes[2] = static_cast<std::uint8_t>(value >> 16);
}

// One read at the codec's read position, which then moves past what was read.
template <typename TRead> auto ReadAt(std::span<const std::uint8_t> packet, std::size_t& position, TRead read)
{
    TPacketReader reader(packet, position);
    auto value = read(reader);
    position = reader.Position();
    return value;
}

EMySqlException OutOfOrder(const char* where, int received, int expected)
{
    return MySqlError(
        kErPacketsOutOfOrder,
        FormatText(std::string(where) + ": Net packets out of order: received[%d], expected[%d]",
                   {std::int64_t{received}, std::int64_t{expected}}));
}

} // namespace

EMySqlException ServerError(std::span<const std::uint8_t> packet)
{
    TPacketReader reader(packet);
    reader.ReadByte(); // the 0xFF marker
    const auto code = static_cast<std::int16_t>(reader.ReadInt16());
    if (code == 0 || code == -1) return MySqlError(kCrMalformedPacket);
    const std::string text = reader.ReadZString();
    return MySqlError(code, text);
}

TMySqlNet::TMySqlNet() : buffer_(kInitialPacketCapacity)
{
    inflated_.reserve(kInitialInflatedCapacity);
}

TMySqlNet::~TMySqlNet()
{
    try {
        Close();
    } catch (...) {
        // A connection that cannot even be closed cleanly is gone all the same.
    }
}

void TMySqlNet::AttachTransport(std::unique_ptr<TCRVio> transport)
{
    Close();
    transport_ = std::move(transport);
}

void TMySqlNet::Close()
{
    length_ = kHeaderSize;
    position_ = 0;
    inflated_.clear();
    inflatedPosition_ = 0;
    // Moved out first, so the transport is freed even when its Close raises.
    std::unique_ptr<TCRVio> transport = std::move(transport_);
    if (transport) transport->Close();
}

// -- Writing

void TMySqlNet::NewCommand()
{
    sequence_ = 0;
    compressedSequence_ = 0;
    ResetPacket();
}

void TMySqlNet::ResetPacket()
{
    length_ = kHeaderSize;
    position_ = kHeaderSize;
    lastSentLength_ = 0;
}

void TMySqlNet::Grow(std::size_t length)
{
    if (length <= buffer_.size()) return;
    buffer_.resize(std::max(length, buffer_.size() + buffer_.size() / 2));
}

void TMySqlNet::WriteByte(std::uint8_t value)
{
    Grow(length_ + 1);
    buffer_[length_++] = value;
}

void TMySqlNet::WriteLittleEndian(std::uint64_t value, int bytes)
{
    Grow(length_ + static_cast<std::size_t>(bytes));
    for (int i = 0; i < bytes; ++i) buffer_[length_++] = static_cast<std::uint8_t>(value >> (8 * i));
}

void TMySqlNet::WriteRepeat(std::uint8_t value, std::size_t count)
{
    Grow(length_ + count);
    std::memset(buffer_.data() + length_, value, count);
    length_ += count;
}

void TMySqlNet::WriteLengthCoded(std::uint64_t value)
{
    if (value <= 250) {
        WriteByte(static_cast<std::uint8_t>(value));
    } else if (value <= 0xFFFF) {
        WriteByte(252);
        WriteInt16(static_cast<std::uint16_t>(value));
    } else if (value > 0xFFFFFF) {
        WriteByte(254);
        WriteInt64(value);
    } else {
        WriteByte(253);
        WriteInt24(static_cast<std::uint32_t>(value));
    }
}

void TMySqlNet::WriteZString(std::string_view text)
{
    // One payload write, so the 0 byte never ends up in a packet of its own.
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    WriteBytes(bytes.data(), bytes.size());
}

void TMySqlNet::WriteBytes(const std::uint8_t* data, std::size_t count)
{
    const std::size_t buffered = BufferedPayload();
    const std::size_t total = buffered + count;
    if (total < kMaxPacketLength) {
        WriteStep(data, count, static_cast<std::uint32_t>(total));
        return;
    }
    std::size_t remaining = count;
    do {
        const std::size_t room = kMaxPacketLength - BufferedPayload();
        WriteStep(data, room, kMaxPacketLength);
        data += room;
        remaining -= room;
    } while (remaining >= kMaxPacketLength);
    WriteStep(data, remaining, static_cast<std::uint32_t>(remaining));
}

void TMySqlNet::WriteStep(const std::uint8_t* data, std::size_t count, std::uint32_t headerLength)
{
    if (length_ < kCoalesceLimit) {
        const std::size_t taken = std::min(count, kCoalesceLimit - length_);
        Grow(length_ + taken);
        if (taken > 0) std::memcpy(buffer_.data() + length_, data, taken);
        length_ += taken;
        data += taken;
        count -= taken;
    }
    if (count == 0) return;
    // The header announces the whole packet although its bytes leave in two sends: the buffered
    // part, then the rest straight from the caller's memory.
    StampHeader(headerLength);
    Send(buffer_.data(), length_);
    length_ = kHeaderSize;
    Send(data, count);
}

void TMySqlNet::StampHeader(std::uint32_t payloadLength)
{
    PutInt24(buffer_.data(), payloadLength);
    buffer_[3] = sequence_++;
    lastSentLength_ = payloadLength;
}

void TMySqlNet::SendBufferedPacket()
{
    StampHeader(static_cast<std::uint32_t>(BufferedPayload()));
    Send(buffer_.data(), length_);
    length_ = kHeaderSize;
}

void TMySqlNet::FlushPacket()
{
    if (BufferedPayload() > 0) {
        SendBufferedPacket();
    } else if (lastSentLength_ == kMaxPacketLength) {
        // The receiver joins maximal packets until a shorter one: an empty packet ends the payload.
        SendBufferedPacket();
    }
    lastSentLength_ = 0;
    if (compress_) sequence_ = compressedSequence_;
}

void TMySqlNet::SendEmptyPacket()
{
    length_ = kHeaderSize;
    SendBufferedPacket();
    lastSentLength_ = 0;
    if (compress_) sequence_ = compressedSequence_;
}

void TMySqlNet::Send(const std::uint8_t* data, std::size_t count)
{
    if (compress_)
        SendCompressedFrame(data, count);
    else
        TransportWrite(data, count);
}

void TMySqlNet::SendCompressedFrame(const std::uint8_t* data, std::size_t count)
{
    const std::size_t limit = count + count / 5 + 12;
    if (frame_.size() < kCompressedHeaderSize + limit) frame_.resize(kCompressedHeaderSize + limit);
    std::uint8_t* body = frame_.data() + kCompressedHeaderSize;
    std::size_t bodyLength = count;
    std::uint32_t lengthBeforeCompression = 0;
    bool compressed = false;
    if (count > kCompressThreshold) {
        uLongf compressedLength = static_cast<uLongf>(limit);
        // A body too long for the frame header's 3 bytes goes out stored.
        if (compress2(body, &compressedLength, data, static_cast<uLong>(count), Z_DEFAULT_COMPRESSION) ==
                Z_OK &&
            compressedLength <= kMaxPacketLength) {
            compressed = true;
            bodyLength = compressedLength;
            lengthBeforeCompression = static_cast<std::uint32_t>(count);
        }
    }
    if (!compressed && count > 0) std::memcpy(body, data, count);
    PutInt24(frame_.data(), static_cast<std::uint32_t>(bodyLength));
    frame_[3] = compressedSequence_++;
    PutInt24(frame_.data() + 4, lengthBeforeCompression);
    TransportWrite(frame_.data(), kCompressedHeaderSize + bodyLength);
}

void TMySqlNet::TransportWrite(const std::uint8_t* data, std::size_t count)
{
    if (!transport_) throw MySqlError(kCrServerLost);
    if (transport_->Write(data, count) < count) RaiseConnectionLost();
}

void TMySqlNet::RaiseConnectionLost() const
{
    throw MySqlError(kCrServerLost,
                     transport_ ? std::string_view(transport_->LastError()) : std::string_view());
}

// -- Reading

void TMySqlNet::TransportRead(std::uint8_t* destination, std::size_t count)
{
    if (!transport_) throw MySqlError(kCrServerLost);
    if (transport_->Read(destination, count) < count) RaiseConnectionLost();
}

void TMySqlNet::ReceiveBytes(std::uint8_t* destination, std::size_t count)
{
    if (!compress_) {
        TransportRead(destination, count);
        return;
    }
    while (count > 0) {
        const std::size_t waiting = inflated_.size() - inflatedPosition_;
        if (waiting == 0) {
            ReceiveCompressedFrames();
            continue;
        }
        const std::size_t taken = std::min(waiting, count);
        std::memcpy(destination, inflated_.data() + inflatedPosition_, taken);
        inflatedPosition_ += taken;
        destination += taken;
        count -= taken;
    }
}

void TMySqlNet::CheckPacketSize(std::size_t held, std::size_t more) const
{
    if (more > maxPacketSize_ || held > maxPacketSize_ - more) throw MySqlError(kCrMalformedPacket);
}

void TMySqlNet::ReceiveCompressedFrames()
{
    inflated_.clear();
    inflatedPosition_ = 0;
    std::uint32_t bodyLength;
    do {
        TransportRead(compressedHeader_, kCompressedHeaderSize);
        bodyLength = Int24(compressedHeader_);
        const std::uint8_t received = compressedHeader_[3];
        const std::uint32_t lengthBeforeCompression = Int24(compressedHeader_ + 4);
        if (received != sequence_) throw OutOfOrder("ReceiveCompHeader", received, sequence_);
        ++sequence_;
        compressedSequence_ = sequence_;
        const std::size_t start = inflated_.size();
        CheckPacketSize(start, lengthBeforeCompression == 0 ? bodyLength : lengthBeforeCompression);
        if (lengthBeforeCompression == 0) {
            inflated_.resize(start + bodyLength);
            TransportRead(inflated_.data() + start, bodyLength);
        } else {
            if (frame_.size() < bodyLength) frame_.resize(bodyLength);
            TransportRead(frame_.data(), bodyLength);
            inflated_.resize(start + lengthBeforeCompression);
            uLongf inflatedLength = lengthBeforeCompression;
            if (uncompress(inflated_.data() + start, &inflatedLength, frame_.data(), bodyLength) != Z_OK ||
                inflatedLength != lengthBeforeCompression)
                throw EMySqlException(kErInflateFailed, "");
        }
    } while (bodyLength == kMaxPacketLength);
}

std::uint32_t TMySqlNet::ReceiveHeader()
{
    serverErrorRead_ = false;
    ReceiveBytes(header_, kHeaderSize);
    if (!compress_) {
        if (header_[3] != sequence_) throw OutOfOrder("ReceiveHeader", header_[3], sequence_);
        ++sequence_;
        compressedSequence_ = sequence_;
    }
    return Int24(header_);
}

void TMySqlNet::ReadPacket()
{
    position_ = 0;
    length_ = 0;
    std::uint32_t packetLength;
    do {
        packetLength = ReceiveHeader();
        CheckPacketSize(length_, packetLength);
        Grow(length_ + packetLength);
        ReceiveBytes(buffer_.data() + length_, packetLength);
        length_ += packetLength;
    } while (packetLength == kMaxPacketLength);
    if (length_ > 0 && buffer_[0] == kErrorMarker) CheckServerError();
}

std::vector<std::uint8_t> TMySqlNet::ReceiveBuffer()
{
    const std::uint32_t packetLength = ReceiveHeader();
    if (packetLength == kMaxPacketLength)
        throw EArgumentException("Cannot retrieve huge data in FetchAll mode");
    if (packetLength == 0) throw MySqlError(kCrMalformedPacket);
    CheckPacketSize(0, packetLength);
    std::vector<std::uint8_t> packet(packetLength);
    ReceiveBytes(packet.data(), packetLength);
    if (packet[0] == kErrorMarker) {
        Grow(packetLength);
        std::memcpy(buffer_.data(), packet.data(), packetLength);
        length_ = packetLength;
        position_ = 0;
        CheckServerError();
    }
    return packet;
}

std::uint32_t TMySqlNet::DrainPacket(std::size_t chunk, bool check, std::uint8_t& firstByte)
{
    firstByte = 0;
    const std::uint32_t packetLength = ReceiveHeader();
    chunk = std::max<std::size_t>(chunk, 1);
    std::size_t remaining = packetLength;
    bool first = true;
    while (remaining > 0) {
        const std::size_t piece = std::min(chunk, remaining);
        if (drainScratch_.size() < piece) drainScratch_.resize(piece);
        ReceiveBytes(drainScratch_.data(), piece);
        if (first && check) {
            firstByte = drainScratch_[0];
            if (firstByte == kErrorMarker) {
                Grow(piece);
                std::memcpy(buffer_.data(), drainScratch_.data(), piece);
                length_ = piece;
                position_ = 0;
                CheckServerError();
            }
        }
        first = false;
        remaining -= piece;
    }
    return packetLength;
}

std::uint8_t TMySqlNet::ReadByte()
{
    return ReadAt(Packet(), position_, [](TPacketReader& reader) { return reader.ReadByte(); });
}

std::uint16_t TMySqlNet::ReadInt16()
{
    return ReadAt(Packet(), position_, [](TPacketReader& reader) { return reader.ReadInt16(); });
}

std::uint32_t TMySqlNet::ReadInt24()
{
    return ReadAt(Packet(), position_, [](TPacketReader& reader) { return reader.ReadInt24(); });
}

std::uint32_t TMySqlNet::ReadInt32()
{
    return ReadAt(Packet(), position_, [](TPacketReader& reader) { return reader.ReadInt32(); });
}

std::uint64_t TMySqlNet::ReadInt64()
{
    return ReadAt(Packet(), position_, [](TPacketReader& reader) { return reader.ReadInt64(); });
}

std::int64_t TMySqlNet::ReadLengthCoded()
{
    return ReadAt(Packet(), position_, [](TPacketReader& reader) { return reader.ReadLengthCoded(); });
}

std::string TMySqlNet::ReadZString()
{
    return ReadAt(Packet(), position_, [](TPacketReader& reader) { return reader.ReadZString(); });
}

void TMySqlNet::ReadBytes(std::uint8_t* destination, std::size_t count)
{
    TPacketReader reader(Packet(), position_);
    const auto bytes = reader.ReadBytes(count);
    if (count > 0) std::memcpy(destination, bytes.data(), count);
    position_ = reader.Position();
}

void TMySqlNet::CheckServerError()
{
    if (position_ < length_ && buffer_[position_] == kErrorMarker) {
        serverErrorRead_ = true;
        throw ServerError(Packet().subspan(position_));
    }
}

} // namespace tarrow
