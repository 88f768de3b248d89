#pragma once
// The text protocol's column texts read into stored values. Pure functions over bytes: a failure
// comes back as a status, and the row store turns it into the error the open raises.

#include "platform/DateTime.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarrow {

// Digits accumulated as value * 10 + digit in the stored width, negated when a "-" leads. The
// server always sends well-formed digits; there is no range check, as in the stored width.
std::int16_t AccumulateInt16(std::string_view text);
std::uint16_t AccumulateUInt16(std::string_view text);
std::int32_t AccumulateInt32(std::string_view text);
std::uint32_t AccumulateUInt32(std::string_view text);  // accumulated in 64 bits
std::int64_t AccumulateInt64(std::string_view text);

// BIT values: the bytes as an unsigned number, most significant first.
std::uint64_t BitValue(std::string_view bytes);

// The locale-free float reader: [+-]digits[.digits][(e|E)[+-]digits]. Only the first 36 digits
// carry precision; the rest of the text still decides the magnitude. Nothing for any other text.
std::optional<double> ParseMyFloat(std::string_view text);

// The text ParseMyFloat names in its error: at most 36 characters.
std::string_view FloatErrorText(std::string_view text);

struct TMyDateParse {
    enum TStatus { Ok, Invalid, BadFormat };
    TStatus Status = Invalid;
    TDateTime Value = 0;
};

// "YYYY-MM-DD". Invalid for a day that cannot exist, the zero date included.
TMyDateParse ParseMyDate(std::string_view text);
// "YYYY-MM-DD HH:NN:SS"; a time that cannot exist makes the whole value invalid.
TMyDateParse ParseMyDateTime(std::string_view text);
// TIMESTAMP, whose layout follows the column's display length; BadFormat for a length that has
// no layout.
TMyDateParse ParseMyTimestamp(std::string_view text, std::uint32_t columnLength);
// "[-]H[H[H]]:MM:SS", possibly more than a day; BadFormat when the first colon is not within the
// first five characters or the digits are not where they belong.
TMyDateParse ParseMyTime(std::string_view text);

// A date and a time of day as one date-time number: before day 0 the time runs backwards from the
// (negative) day number.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

}  // namespace tarrow
