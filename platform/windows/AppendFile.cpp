#include "platform/AppendFile.h"

// Windows: a handle with FILE_APPEND_DATA and no FILE_WRITE_DATA writes only at the end, each
// WriteFile as one piece; the share flags let other runs append, readers read, and the run that
// rotates rename the file under our handle.

#include "platform/windows/WideText.h"

#include <windows.h>

namespace tarrow {

namespace {

HANDLE Handle(void* handle) { return static_cast<HANDLE>(handle); }

std::string SystemErrorText(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) wide.pop_back();
    return wide.empty() ? "erro " + std::to_string(code) : WideToUtf8(wide);
}

}  // namespace

std::optional<std::string> TAppendFile::Open(const std::string& utf8Path)
{
    Close();
    const HANDLE handle =
        CreateFileW(Utf8ToWide(utf8Path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return SystemErrorText(GetLastError());
    handle_ = handle;
    return std::nullopt;
}

void TAppendFile::Close() noexcept
{
    if (handle_ != nullptr) CloseHandle(Handle(handle_));
    handle_ = nullptr;
}

bool TAppendFile::IsOpen() const noexcept { return handle_ != nullptr; }

bool TAppendFile::Append(std::string_view bytes) noexcept
{
    if (handle_ == nullptr) return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size());
    return WriteFile(Handle(handle_), bytes.data(), size, &written, nullptr) && written == size;
}

std::uintmax_t TAppendFile::Size() const noexcept
{
    LARGE_INTEGER size{};
    if (handle_ == nullptr || !GetFileSizeEx(Handle(handle_), &size)) return 0;
    return static_cast<std::uintmax_t>(size.QuadPart);
}

unsigned long CurrentProcessId() noexcept { return GetCurrentProcessId(); }

}  // namespace tarrow
