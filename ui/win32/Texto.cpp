#include "ui/win32/Texto.h"

#include "platform/windows/WideText.h"

namespace tarrow {

std::wstring Largo(const std::string& utf8) { return Utf8ToWide(utf8); }
std::string Estreito(const std::wstring& utf16) { return WideToUtf8(utf16); }

}  // namespace tarrow
