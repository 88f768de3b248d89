#include "dataaccess/MyValueParsers.h"

#include <charconv>
#include <cmath>
#include <string>

namespace tarrow {

namespace {

template <typename U>
U Accumulate(std::string_view text, bool& negative)
{
    std::size_t i = 0;
    negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    U value = 0;
    for (; i < text.size(); ++i) {
        const auto digit = static_cast<unsigned char>(text[i]) - '0';
        value = static_cast<U>(value * 10u + static_cast<U>(digit));
    }
    return value;
}

template <typename U>
U AccumulateSigned(std::string_view text)
{
    bool negative = false;
    const U value = Accumulate<U>(text, negative);
    return negative ? static_cast<U>(U{0} - value) : value;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number written by count digits at text[pos]; -1 when the text is too short or one of them
// is not a digit.
int DigitsAt(std::string_view text, std::size_t pos, std::size_t count)
{
    if (pos + count > text.size()) return -1;
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (!IsDigit(text[i])) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int TwoDigitYear(int yy) { return yy < 70 ? 2000 + yy : 1900 + yy; }

TMyDateParse DateOf(int year, int month, int day)
{
    if (!IsValidDate(year, month, day)) return {TMyDateParse::Invalid, 0};
    return {TMyDateParse::Ok, EncodeDate(year, month, day)};
}

TMyDateParse DateTimeOf(int year, int month, int day, int hour, int minute, int second)
{
    TMyDateParse date = DateOf(year, month, day);
    if (date.Status != TMyDateParse::Ok) return date;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return {TMyDateParse::Invalid, 0};
    date.Value = ComposeDateTime(date.Value, EncodeTime(hour, minute, second, 0));
    return date;
}

constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

std::int16_t AccumulateInt16(std::string_view text)
{
    return static_cast<std::int16_t>(AccumulateSigned<std::uint16_t>(text));
}

std::uint16_t AccumulateUInt16(std::string_view text) { return AccumulateSigned<std::uint16_t>(text); }

std::int32_t AccumulateInt32(std::string_view text)
{
    return static_cast<std::int32_t>(AccumulateSigned<std::uint32_t>(text));
}

std::uint32_t AccumulateUInt32(std::string_view text)
{
    return static_cast<std::uint32_t>(AccumulateSigned<std::uint64_t>(text));
}

std::int64_t AccumulateInt64(std::string_view text)
{
    return static_cast<std::int64_t>(AccumulateSigned<std::uint64_t>(text));
}

std::uint64_t BitValue(std::string_view bytes)
{
    std::uint64_t value = 0;
    for (const char b : bytes) value = (value << 8) | static_cast<unsigned char>(b);
    return value;
}

std::string_view FloatErrorText(std::string_view text) { return text.substr(0, 36); }

std::optional<double> ParseMyFloat(std::string_view text)
{
    constexpr int kKeptDigits = 36;
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';

    char kept[kKeptDigits];
    int keptCount = 0;
    int droppedIntegerDigits = 0;  // digits beyond the kept ones, before the point
    int digitsAfterPointKept = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            seenDigit = true;
            if (keptCount == 0 && c == '0') {
                if (seenPoint) ++digitsAfterPointKept;  // a leading zero only shifts the scale
                continue;
            }
            if (keptCount < kKeptDigits) {
                kept[keptCount++] = c;
                if (seenPoint) ++digitsAfterPointKept;
            } else if (!seenPoint) {
                ++droppedIntegerDigits;
            }
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit) return std::nullopt;

    long exponent = 0;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E') return std::nullopt;
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) negativeExponent = text[i++] == '-';
        if (i == text.size()) return std::nullopt;
        for (; i < text.size(); ++i) {
            if (!IsDigit(text[i])) return std::nullopt;
            if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
        }
        if (negativeExponent) exponent = -exponent;
    }
    if (keptCount == 0) return negative ? -0.0 : 0.0;

    const long scale = exponent - digitsAfterPointKept + droppedIntegerDigits;
    if (keptCount <= 15 && scale >= -22 && scale <= 22) {
        // Up to 15 digits the mantissa is exact, and so is the power: one correctly rounded step.
        std::int64_t mantissa = 0;
        for (int k = 0; k < keptCount; ++k) mantissa = mantissa * 10 + (kept[k] - '0');
        double value = static_cast<double>(mantissa);
        value = scale < 0 ? value / kExactPowers[-scale] : value * kExactPowers[scale];
        return negative ? -value : value;
    }
    std::string normal(kept, static_cast<std::size_t>(keptCount));
    normal += 'e';
    normal += std::to_string(scale);
    double value = 0;
    const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (scale > 0) return std::nullopt;  // beyond the largest double
        value = 0;
    } else if (error != std::errc{}) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) { return date >= 0 ? date + time : date - time; }

TMyDateParse ParseMyDate(std::string_view text)
{
    return DateOf(DigitsAt(text, 0, 4), DigitsAt(text, 5, 2), DigitsAt(text, 8, 2));
}

TMyDateParse ParseMyDateTime(std::string_view text)
{
    return DateTimeOf(DigitsAt(text, 0, 4), DigitsAt(text, 5, 2), DigitsAt(text, 8, 2), DigitsAt(text, 11, 2),
                      DigitsAt(text, 14, 2), DigitsAt(text, 17, 2));
}

TMyDateParse ParseMyTimestamp(std::string_view text, std::uint32_t columnLength)
{
    const auto d = [&](std::size_t pos, std::size_t count) { return DigitsAt(text, pos, count); };
    const auto yy = [&](std::size_t pos) {
        const int v = d(pos, 2);
        return v < 0 ? -1 : TwoDigitYear(v);
    };
    switch (columnLength) {
    case 19: return ParseMyDateTime(text);
    case 14: return DateTimeOf(d(0, 4), d(4, 2), d(6, 2), d(8, 2), d(10, 2), d(12, 2));
    case 12: return DateTimeOf(yy(0), d(2, 2), d(4, 2), d(6, 2), d(8, 2), d(10, 2));
    case 10: return DateTimeOf(yy(0), d(2, 2), d(4, 2), d(6, 2), d(8, 2), 0);
    case 8: return DateOf(d(0, 4), d(4, 2), d(6, 2));
    case 6: return DateOf(yy(0), d(2, 2), d(4, 2));
    case 4: return DateOf(yy(0), d(2, 2), 1);
    case 2: return DateOf(yy(0), 1, 1);
    default: return {TMyDateParse::BadFormat, 0};
    }
}

TMyDateParse ParseMyTime(std::string_view text)
{
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t start = negative ? 1 : 0;
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon >= 5 || colon <= start || colon - start > 3)
        return {TMyDateParse::BadFormat, 0};
    const int hours = DigitsAt(text, start, colon - start);
    const int minutes = DigitsAt(text, colon + 1, 2);
    const int seconds = DigitsAt(text, colon + 4, 2);
    if (hours < 0 || minutes < 0 || seconds < 0 || text[colon + 3] != ':') return {TMyDateParse::BadFormat, 0};
    const double value = hours / 24.0 + (minutes * 60 + seconds) / 86400.0;
    return {TMyDateParse::Ok, negative ? -value : value};
}

}  // namespace tarrow
