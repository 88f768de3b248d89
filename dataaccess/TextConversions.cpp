#include "dataaccess/TextConversions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarrow {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Leading blanks, a sign, then decimal digits or "$" and up to 16 hexadecimal digits, with the
// magnitude limit of the target type. Hexadecimal fills the type's bits, so "$FFFFFFFF" is -1 in 32
// bits, as the integer reader of the regional runtime does.
template <typename T>
std::optional<T> ParseInteger(std::string_view text)
{
    using U = std::make_unsigned_t<T>;
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    U value = 0;
    if (text[i] == '$') {
        if (++i == text.size()) return std::nullopt;
        std::size_t digits = 0;
        for (; i < text.size(); ++i, ++digits) {
            const int h = HexDigit(text[i]);
            if (h < 0 || digits == sizeof(T) * 2) return std::nullopt;
            value = static_cast<U>((value << 4) | static_cast<U>(h));
        }
        return static_cast<T>(negative ? static_cast<U>(U{0} - value) : value);
    }
    const U limit = negative ? static_cast<U>(std::numeric_limits<T>::max()) + 1u
                             : static_cast<U>(std::numeric_limits<T>::max());
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return std::nullopt;
        const auto digit = static_cast<U>(text[i] - '0');
        if (value > (limit - digit) / 10u) return std::nullopt;
        value = static_cast<U>(value * 10u + digit);
    }
    return static_cast<T>(negative ? static_cast<U>(U{0} - value) : value);
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// Reads a run of digits at text[pos]; count receives how many there were.
int ReadNumber(std::string_view text, std::size_t& pos, int& count)
{
    int value = 0;
    count = 0;
    while (pos < text.size() && IsDigit(text[pos]) && count < 9) {
        value = value * 10 + (text[pos++] - '0');
        ++count;
    }
    return value;
}

void SkipBlanks(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && text[pos] == ' ') ++pos;
}

// The order of day, month and year in the short date format: "DMY", "MDY" or "YMD".
std::string DateOrder(std::string_view format)
{
    std::string order;
    for (const char c : format) {
        char key = 0;
        if (c == 'd' || c == 'D') key = 'D';
        else if (c == 'm' || c == 'M') key = 'M';
        else if (c == 'y' || c == 'Y') key = 'Y';
        if (key != 0 && order.find(key) == std::string::npos) order += key;
    }
    return order.size() == 3 ? order : "DMY";
}

std::optional<TDateTime> ScanDate(std::string_view text, std::size_t& pos, const TFormatSettings& settings)
{
    int numbers[3] = {0, 0, 0};
    int lengths[3] = {0, 0, 0};
    int found = 0;
    std::size_t p = pos;
    SkipBlanks(text, p);
    while (found < 3) {
        numbers[found] = ReadNumber(text, p, lengths[found]);
        if (lengths[found] == 0) return std::nullopt;
        ++found;
        if (found < 3 && p < text.size() && text[p] == settings.DateSeparator) {
            ++p;
            continue;
        }
        break;
    }
    if (found < 2) return std::nullopt;
    const std::string order = DateOrder(settings.ShortDateFormat);
    const int currentYear = DecodeDate(Date()).Year;
    int day = 0, month = 0, year = currentYear;
    int yearLength = 4;
    if (found == 2) {
        // Without a year: day and month in the format's order, this year.
        const bool monthFirst = order.find('M') < order.find('D');
        month = monthFirst ? numbers[0] : numbers[1];
        day = monthFirst ? numbers[1] : numbers[0];
    } else {
        for (int k = 0; k < 3; ++k) {
            switch (order[k]) {
            case 'D': day = numbers[k]; break;
            case 'M': month = numbers[k]; break;
            default:
                year = numbers[k];
                yearLength = lengths[k];
                break;
            }
        }
        if (yearLength <= 2) year += currentYear / 100 * 100;
    }
    if (!IsValidDate(year, month, day)) return std::nullopt;
    pos = p;
    return EncodeDate(year, month, day);
}

std::optional<TDateTime> ScanTime(std::string_view text, std::size_t& pos, const TFormatSettings& settings)
{
    std::size_t p = pos;
    SkipBlanks(text, p);
    int length = 0;
    const int hour = ReadNumber(text, p, length);
    if (length == 0 || p >= text.size() || text[p] != settings.TimeSeparator) return std::nullopt;
    ++p;
    const int minute = ReadNumber(text, p, length);
    if (length == 0) return std::nullopt;
    int second = 0, millisecond = 0;
    if (p < text.size() && text[p] == settings.TimeSeparator) {
        ++p;
        second = ReadNumber(text, p, length);
        if (length == 0) return std::nullopt;
        if (p < text.size() && text[p] == '.') {
            ++p;
            millisecond = ReadNumber(text, p, length);
            if (length == 0 || length > 3) return std::nullopt;
        }
    }
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    pos = p;
    return EncodeTime(hour, minute, second, millisecond);
}

}  // namespace

double RoundHalfEven(double value)
{
    const double down = std::floor(value);
    const double diff = value - down;
    if (diff < 0.5) return down;
    if (diff > 0.5) return down + 1;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

std::string FloatToStrGeneral(double value, char decimalSeparator)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    // Fifteen significant digits, rounded once by the C library; then placed by hand.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    std::string_view s(buffer);
    const bool negative = s[0] == '-';
    if (negative) s.remove_prefix(1);
    const auto e = s.find('e');
    std::string digits;
    digits += s[0];
    digits.append(s.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent < -4 || exponent >= 15) {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalSeparator;
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
    } else if (exponent < 0) {
        out += '0';
        out += decimalSeparator;
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= integerDigits) {
            out += digits;
            out.append(integerDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, integerDigits);
            out += decimalSeparator;
            out.append(digits, integerDigits);
        }
    }
    return out;
}

std::optional<std::int32_t> TryStrToInt(std::string_view text) { return ParseInteger<std::int32_t>(text); }

std::optional<std::int64_t> TryStrToInt64(std::string_view text) { return ParseInteger<std::int64_t>(text); }

std::optional<double> TryStrToFloat(std::string_view text, const TFormatSettings& settings)
{
    text = TrimBlanks(text);
    std::string normal;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        if (text[i] == '-') normal += '-';
        ++i;
    }
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            digits = true;
            normal += c;
        } else if (c == settings.DecimalSeparator && !point) {
            point = true;
            normal += '.';
        } else {
            break;
        }
    }
    if (!digits) return std::nullopt;
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E') return std::nullopt;
        normal += 'e';
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) normal += text[i++];
        if (i == text.size()) return std::nullopt;
        for (; i < text.size(); ++i) {
            if (!IsDigit(text[i])) return std::nullopt;
            normal += text[i];
        }
    }
    double value = 0;
    const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (error != std::errc{} || end != normal.data() + normal.size()) return std::nullopt;
    return value;
}

std::optional<TDateTime> TryStrToDateTime(std::string_view text, const TFormatSettings& settings)
{
    std::size_t pos = 0;
    TDateTime value = 0;
    if (auto date = ScanDate(text, pos, settings)) {
        value = *date;
        std::size_t afterDate = pos;
        SkipBlanks(text, afterDate);
        if (afterDate < text.size()) {
            auto time = ScanTime(text, pos, settings);
            if (!time) return std::nullopt;
            value = value >= 0 ? value + *time : value - *time;
        }
    } else if (auto time = ScanTime(text, pos, settings)) {
        value = *time;
    } else {
        return std::nullopt;
    }
    SkipBlanks(text, pos);
    if (pos != text.size()) return std::nullopt;
    return value;
}

std::string DateTimeToStr(TDateTime value)
{
    const TFormatSettings& fs = FormatSettings();
    const TTimeParts t = DecodeTime(value);
    if (t.Hour == 0 && t.Minute == 0 && t.Second == 0 && t.Millisecond == 0)
        return FormatDateTime(fs.ShortDateFormat, value);
    return FormatDateTime(fs.ShortDateFormat + " " + fs.LongTimeFormat, value);
}

namespace {

// Upper case of one UTF-8 byte; lead is the byte before it. Folds ASCII letters and the Latin-1
// letters (U+00E0..U+00FE but U+00F7, written C3 A0..C3 BE).
unsigned char FoldCase(unsigned char lead, unsigned char c)
{
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    if (lead == 0xC3 && c >= 0xA0 && c <= 0xBE && c != 0xB7) return static_cast<unsigned char>(c - 32);
    return c;
}

}  // namespace

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    unsigned char lead = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && FoldCase(lead, x) != FoldCase(lead, y)) return false;
        lead = x;
    }
    return true;
}

std::string DateToStr(TDateTime value) { return FormatDateTime(FormatSettings().ShortDateFormat, value); }

std::string TimeToStr(TDateTime value) { return FormatDateTime(FormatSettings().LongTimeFormat, value); }

}  // namespace tarrow
