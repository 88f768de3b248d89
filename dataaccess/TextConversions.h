#pragma once
// Numbers and date-time numbers to and from text with the user's regional settings, the way the
// field getters present them.

#include "platform/DateTime.h"
#include "platform/RegionalSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarrow {

// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double value);

// General format: at most 15 significant digits, no trailing zeros, the given decimal separator;
// scientific ("1.5E-5", "1E20") below 0.0001 or with more than 15 digits before the point.
std::string FloatToStrGeneral(double value, char decimalSeparator);

// Optional leading blanks, optional sign, then decimal digits or "$" and hexadecimal digits.
// Nothing for any other text or a value outside the type.
std::optional<std::int32_t> TryStrToInt(std::string_view text);
std::optional<std::int64_t> TryStrToInt64(std::string_view text);

// A number written with the settings' decimal separator (blanks around it allowed).
std::optional<double> TryStrToFloat(std::string_view text, const TFormatSettings& settings);

// A date in the order of the short date format with the date separator, optionally followed by a
// time (hours and minutes, optionally seconds); or a time alone.
std::optional<TDateTime> TryStrToDateTime(std::string_view text, const TFormatSettings& settings);

// With the settings in force: the short date format, a blank and the long time format, the time
// left out at midnight; the short date format; the long time format.
std::string DateTimeToStr(TDateTime value);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);

// Equal but for letter case, for the letters of the code page (field names are compared so).
bool SameText(std::string_view a, std::string_view b);

}  // namespace tarrow
