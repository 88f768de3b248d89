#pragma once
// File version of a program file. On Windows the VERSIONINFO resource each program links
// (VersionResource.rc.in), read through the version API; on Linux its stand-in, a version block
// (VersionResource.cpp.in) that the reader finds in the file.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tarrow {

// Major, minor, release, build.
using TFileVersion = std::array<std::uint16_t, 4>;

// The fixed file-version block of a file, or nothing when the file has none or cannot be read.
std::optional<TFileVersion> ReadFileVersion(const std::string& path);

// The layout of the version block in a program file: a key, the fixed-information signature, then
// the file version as two double words (major << 16 | minor, release << 16 | build), little-endian.
inline constexpr char kVersionBlockKey[16] = "VS_VERSION_INFO";
inline constexpr std::uint32_t kVersionBlockSignature = 0xFEEF04BDu;

}  // namespace tarrow
