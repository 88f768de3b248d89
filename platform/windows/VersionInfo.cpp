#include "platform/VersionInfo.h"

// Windows: the file version from the VERSIONINFO resource, through the version API; the file's
// name in wide characters, as every file name of ours.

#include "platform/windows/WideText.h"

#include <windows.h>

#include <vector>

namespace tarrow {

std::optional<TFileVersion> ReadFileVersion(const std::string& path)
{
    const std::wstring file = Utf8ToWide(path);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return std::nullopt;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return std::nullopt;
    void* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", &fixed, &length) || fixed == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    if (info->dwSignature != kVersionBlockSignature) return std::nullopt;
    return TFileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                        HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

}  // namespace tarrow
