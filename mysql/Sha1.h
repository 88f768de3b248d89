#pragma once
// SHA-1 (FIPS 180-1), for the 4.1 password token: 20-byte digests of byte strings.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarrow {

using TSha1Digest = std::array<std::uint8_t, 20>;

class TSHA1Managed {
  public:
    TSHA1Managed() { Reset(); }
    void Reset();
    void Update(std::span<const std::uint8_t> bytes);
    TSha1Digest Final();

    static TSha1Digest ComputeHash(std::span<const std::uint8_t> bytes);

  private:
    void ProcessBlock(const std::uint8_t* block);

    std::array<std::uint32_t, 5> state_{};
    std::array<std::uint8_t, 64> block_{};
    std::size_t blockFill_ = 0;
    std::uint64_t totalBytes_ = 0;
};

} // namespace tarrow
