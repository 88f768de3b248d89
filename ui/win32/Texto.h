#pragma once
// Our strings are UTF-8; the window system's wide-character functions take UTF-16. Every text of
// the windows crosses here, so accents reach the screen whatever the user's ANSI code page is; the
// conversion itself is the platform's one (platform/windows/WideText.h).

#include <string>

namespace tarrow {

std::wstring Largo(const std::string& utf8);
std::string Estreito(const std::wstring& utf16);

}  // namespace tarrow
