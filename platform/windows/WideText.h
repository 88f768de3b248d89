#pragma once
// Our strings are UTF-8; Windows' wide-character functions take UTF-16. Every text that crosses to
// the system goes through here (file names, window texts, the console, COM strings, the system's
// messages), so no text depends on the user's ANSI code page.

#include <string>
#include <string_view>

namespace tarrow {

// A malformed UTF-8 sequence becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
std::string WideToUtf8(std::wstring_view utf16);

// The ANSI code page's bytes, for the few values whose stored form is those bytes (profile values).
std::wstring AnsiToWide(std::string_view bytes);
// Characters the ANSI code page lacks become its default character.
std::string WideToAnsi(std::wstring_view utf16);

}  // namespace tarrow
