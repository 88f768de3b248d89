#include "mysql/MySqlLogin.h"

#include "mysql/MySqlErrors.h"
#include "mysql/PacketReader.h"

#include <cmath>

namespace tarrow {

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void Append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

class TOldRandom {
  public:
    TOldRandom(std::uint32_t seed1, std::uint32_t seed2) : seed1_(seed1 % kMax), seed2_(seed2 % kMax) {}
    double Next()
    {
        seed1_ = (seed1_ * 3 + seed2_) % kMax;
        seed2_ = (seed1_ + seed2_ + 33) % kMax;
        return static_cast<double>(seed1_) / 1073741823.0;
    }

  private:
    static constexpr std::uint64_t kMax = 0x3FFFFFFF;
    std::uint64_t seed1_;
    std::uint64_t seed2_;
};

std::string WithoutSpacesAndTabs(std::string_view text)
{
    std::string out;
    for (const char c : text)
        if (c != ' ' && c != '\t') out += c;
    return out;
}

} // namespace

TGreeting ParseGreeting(std::span<const std::uint8_t> packet)
{
    TPacketReader reader(packet);
    TGreeting greeting;
    greeting.ProtocolVersion = reader.ReadByte();
    if (greeting.ProtocolVersion != kProtocolVersion)
        throw MySqlError(kCrVersionError,
                         {std::int64_t{greeting.ProtocolVersion}, std::int64_t{kProtocolVersion}});
    greeting.ServerVersion = reader.ReadZString();
    greeting.ThreadId = reader.ReadInt32();
    const auto first = reader.ReadBytes(8);
    std::copy(first.begin(), first.end(), greeting.Scramble.begin());
    const std::size_t p = reader.Position();
    if (packet.size() >= p + 3) {
        reader.SetPosition(p + 1);
        greeting.ServerCapabilities = reader.ReadInt16();
    }
    if (packet.size() >= p + 18) {
        reader.SetPosition(p + 3);
        greeting.ServerLanguage = reader.ReadByte();
        greeting.ServerStatus = reader.ReadInt16();
    }
    if (packet.size() >= p + 31) {
        reader.SetPosition(p + 19);
        const auto rest = reader.ReadBytes(12);
        std::copy(rest.begin(), rest.end(), greeting.Scramble.begin() + 8);
        greeting.FullScramble = true;
    }
    return greeting;
}

std::uint32_t ComputeClientFlags(std::uint32_t requested, std::uint32_t sessionFlags,
                                 std::uint32_t serverCapabilities, std::uint8_t protocol)
{
    std::uint32_t flags = requested;
    if (flags & kClientMultiStatements) flags |= kClientMultiResults;
    flags = sessionFlags | flags | kClientBaseFlags;
    if (protocol == kProtocolSsl) flags |= kClientSsl;
    flags |= kClientConnectWithDb;
    for (const std::uint32_t bit : {kClientCompress, kClientProtocol41, kClientSsl})
        if (!(serverCapabilities & bit)) flags &= ~bit;
    return flags;
}

std::array<std::uint32_t, 2> OldPasswordHash(std::span<const std::uint8_t> bytes)
{
    std::uint32_t nr = 1345345333u, add = 7, nr2 = 0x12345671u;
    for (const std::uint8_t c : bytes) {
        if (c == ' ' || c == '\t') continue;
        nr ^= (((nr & 63) + add) * c) + (nr << 8);
        nr2 += (nr2 << 8) ^ nr;
        add += c;
    }
    return {nr & 0x7FFFFFFFu, nr2 & 0x7FFFFFFFu};
}

std::vector<std::uint8_t> OldScramble(std::string_view password, std::span<const std::uint8_t> message)
{
    std::vector<std::uint8_t> out;
    if (!password.empty()) {
        const auto hp = OldPasswordHash(Bytes(password));
        const auto hm = OldPasswordHash(message);
        TOldRandom random(hp[0] ^ hm[0], hp[1] ^ hm[1]);
        for (std::size_t i = 0; i < message.size(); ++i)
            out.push_back(static_cast<std::uint8_t>(std::floor(random.Next() * 31) + 64));
        const auto extra = static_cast<std::uint8_t>(std::floor(random.Next() * 31));
        for (auto& b : out) b ^= extra;
    }
    out.push_back(0);
    return out;
}

TSha1Digest Scramble41(std::string_view password, const TScramble& scramble)
{
    const TSha1Digest stage1 = TSHA1Managed::ComputeHash(Bytes(password));
    const TSha1Digest stage2 = TSHA1Managed::ComputeHash(stage1);
    TSHA1Managed sha;
    sha.Update(scramble);
    sha.Update(stage2);
    TSha1Digest token = sha.Final();
    for (std::size_t i = 0; i < token.size(); ++i) token[i] ^= stage1[i];
    return token;
}

std::vector<std::uint8_t> AnswerSecondChallenge(std::string_view password,
                                                std::span<const std::uint8_t> challenge, TScramble& scramble)
{
    if (challenge.size() != 24) throw MySqlError(kCrMalformedPacket);
    if (challenge[0] == '*') {
        std::copy(challenge.begin() + 4, challenge.end(), scramble.begin());
        return OldScramble(password, std::span(scramble).first(8));
    }
    const TSha1Digest a = TSHA1Managed::ComputeHash(Bytes(WithoutSpacesAndTabs(password)));
    TSHA1Managed sha;
    sha.Update(challenge.first(4));
    sha.Update(a);
    const TSha1Digest b = sha.Final();
    for (std::size_t i = 0; i < scramble.size(); ++i) scramble[i] = challenge[4 + i] ^ b[i];
    std::vector<std::uint8_t> out(scramble.size());
    for (std::size_t i = 0; i < scramble.size(); ++i) out[i] = scramble[i] ^ a[i];
    return out;
}

std::vector<std::uint8_t> BuildLoginPacket(const TLoginRequest& request)
{
    std::vector<std::uint8_t> packet;
    packet.reserve(64 + request.User.size() + request.Database.size());
    if (request.ClientFlags & kClientProtocol41) {
        AppendLittleEndian(packet, request.ClientFlags, 4);
        AppendLittleEndian(packet, kLoginMaxPacket, 4);
        packet.push_back(kLoginCharset);
        packet.insert(packet.end(), 23, 0);
    } else {
        AppendLittleEndian(packet, request.ClientFlags & 0xFFFF, 2);
        AppendLittleEndian(packet, kLoginMaxPacket & 0xFFFF, 3);
    }
    Append(packet, Bytes(request.User));
    packet.push_back(0);

    if (request.ServerCapabilities & kClientSecureConnection) {
        if (request.Password.empty()) {
            packet.push_back(0);
        } else if (request.FullScramble) {
            packet.push_back(20);
            Append(packet, Scramble41(request.Password, request.Scramble));
        } else {
            // Without the full challenge the server sends a second one; these stand in until then.
            packet.insert(packet.end(), 8, 'x');
            packet.push_back(0);
        }
    } else {
        Append(packet, OldScramble(request.Password, std::span(request.Scramble).first(8)));
    }

    if ((request.ServerCapabilities & kClientConnectWithDb) && !request.Database.empty()) {
        // The name's terminator is the composed packet's last byte, which is never sent.
        Append(packet, Bytes(request.Database));
    } else if (request.ServerCapabilities & kClientConnectWithDb) {
        // An empty name keeps its terminator: without it the packet would end with the password part.
        packet.push_back(0);
    }
    return packet;
}

} // namespace tarrow
