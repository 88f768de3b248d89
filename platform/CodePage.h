#pragma once
// Texts inside the programs are UTF-8. The store's database and the files the management system
// writes use the single-byte Windows-1252 code page; text crosses between the two here.

#include <optional>
#include <string>
#include <string_view>

namespace tarrow {

// Every byte value maps to a character and back: the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control characters of the same number, as the
// platform's own conversion does, so no stored byte is ever lost.
std::string Cp1252ToUtf8(std::string_view bytes);

// Characters without a Windows-1252 byte, and malformed UTF-8 sequences, become "?".
std::string Utf8ToCp1252(std::string_view utf8);

// The same conversion for text that must arrive whole: nothing when a character has no
// Windows-1252 byte or a sequence is malformed, and then `offending` (when given) receives the
// first such character or byte.
std::optional<std::string> Utf8ToCp1252Exact(std::string_view utf8, std::string* offending = nullptr);

// The code point of a text that is exactly one well-formed UTF-8 character; nothing otherwise.
std::optional<char32_t> CodePointOf(std::string_view utf8);

}  // namespace tarrow
