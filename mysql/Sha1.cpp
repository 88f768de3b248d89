#include "mysql/Sha1.h"

#include <algorithm>
#include <cstring>

namespace tarrow {

namespace {

constexpr std::uint32_t RotateLeft(std::uint32_t value, int bits)
{
    return (value << bits) | (value >> (32 - bits));
}

} // namespace

void TSHA1Managed::Reset()
{
    state_ = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    blockFill_ = 0;
    totalBytes_ = 0;
}

void TSHA1Managed::ProcessBlock(const std::uint8_t* block)
{
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
               std::uint32_t{block[4 * i + 2]} << 8 | std::uint32_t{block[4 * i + 3]};
    for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
    for (int i = 0; i < 80; ++i) {
        std::uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const std::uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
}

void TSHA1Managed::Update(std::span<const std::uint8_t> bytes)
{
    totalBytes_ += bytes.size();
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const std::size_t taken = std::min(bytes.size() - offset, block_.size() - blockFill_);
        std::memcpy(block_.data() + blockFill_, bytes.data() + offset, taken);
        blockFill_ += taken;
        offset += taken;
        if (blockFill_ == block_.size()) {
            ProcessBlock(block_.data());
            blockFill_ = 0;
        }
    }
}

TSha1Digest TSHA1Managed::Final()
{
    const std::uint64_t bits = totalBytes_ * 8;
    const std::uint8_t one = 0x80;
    Update({&one, 1});
    const std::uint8_t zero = 0;
    while (blockFill_ != 56) Update({&zero, 1});
    std::uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    Update(length);
    TSha1Digest digest;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
    Reset();
    return digest;
}

TSha1Digest TSHA1Managed::ComputeHash(std::span<const std::uint8_t> bytes)
{
    TSHA1Managed sha;
    sha.Update(bytes);
    return sha.Final();
}

} // namespace tarrow
