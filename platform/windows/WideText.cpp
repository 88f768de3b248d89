#include "platform/windows/WideText.h"

#include <windows.h>

#include <climits>
#include <new>

namespace tarrow {

namespace {

int Length(std::size_t size)
{
    if (size > static_cast<std::size_t>(INT_MAX)) throw std::bad_alloc();
    return static_cast<int>(size);
}

std::wstring ToWide(UINT codePage, std::string_view bytes)
{
    if (bytes.empty()) return {};
    const int size = Length(bytes.size());
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), n);
    return wide;
}

std::string FromWide(UINT codePage, std::wstring_view wide)
{
    if (wide.empty()) return {};
    const int size = Length(wide.size());
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(codePage, 0, wide.data(), size, bytes.data(), n, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
std::string WideToUtf8(std::wstring_view utf16) { return FromWide(CP_UTF8, utf16); }
std::wstring AnsiToWide(std::string_view bytes) { return ToWide(CP_ACP, bytes); }
std::string WideToAnsi(std::wstring_view utf16) { return FromWide(CP_ACP, utf16); }

}  // namespace tarrow
