#include "platform/VersionInfo.h"

// Linux: the version block of VersionResource.cpp.in, found in the program file.

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <string_view>
#include <vector>

namespace tarrow {

namespace {

std::uint32_t ReadLE32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::optional<TFileVersion> ReadFileVersion(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::nullopt;
    // Program files run to tens of megabytes: read them in one piece.
    const std::streamoff size = in.tellg();
    if (size <= 0) return std::nullopt;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;

    // The block is the key (with its terminating zero) immediately followed by the signature.
    std::vector<unsigned char> pattern(kVersionBlockKey, kVersionBlockKey + sizeof kVersionBlockKey);
    for (int i = 0; i < 4; ++i) pattern.push_back(static_cast<unsigned char>(kVersionBlockSignature >> (8 * i)));

    // Layout after the pattern: struct version, file version MS, file version LS.
    constexpr std::size_t kBlockSize = sizeof kVersionBlockKey + 4 + 4 + 8;
    auto it = bytes.begin();
    while (true) {
        it = std::search(it, bytes.end(), std::boyer_moore_horspool_searcher(pattern.begin(), pattern.end()));
        if (it == bytes.end()) return std::nullopt;
        const auto offset = static_cast<std::size_t>(it - bytes.begin());
        if (bytes.size() - offset >= kBlockSize) {
            const unsigned char* p = bytes.data() + offset + pattern.size() + 4;
            const std::uint32_t ms = ReadLE32(p);
            const std::uint32_t ls = ReadLE32(p + 4);
            return TFileVersion{static_cast<std::uint16_t>(ms >> 16), static_cast<std::uint16_t>(ms & 0xFFFF),
                                static_cast<std::uint16_t>(ls >> 16), static_cast<std::uint16_t>(ls & 0xFFFF)};
        }
        ++it;
    }
}

}  // namespace tarrow
