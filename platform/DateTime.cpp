#include "platform/DateTime.h"

#include "platform/Errors.h"
#include "platform/RegionalSettings.h"

#include <cmath>
#include <mutex>

namespace tarrow {

namespace {

// 1899-12-30 counted as day 693594 from 0001-01-01 as day 1, in the proleptic Gregorian calendar.
constexpr std::int64_t kDelta = 693594;

std::mutex g_clockMutex;
std::function<TDateTime()> g_clock;

std::string Pad(int value, int width)
{
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

// Milliseconds of the day, rounded so that 23:59:59.9995 does not turn into the next day's 0.
std::int64_t MillisecondsOfDay(TDateTime value)
{
    const double whole = std::trunc(value);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * 86400000.0));
    return ms >= 86400000 ? 86399999 : ms;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return kDays[month - 1] + ((month == 2 && IsLeapYear(year)) ? 1 : 0);
}

bool IsValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

TDateTime EncodeDate(int year, int month, int day)
{
    if (!IsValidDate(year, month, day)) throw EConvertError("Invalid argument to date encode");
    std::int64_t days = day;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    const std::int64_t y = year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400;
    return static_cast<TDateTime>(days - kDelta);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        throw EConvertError("Invalid argument to time encode");
    return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
}

TDateParts DecodeDate(TDateTime value)
{
    // Days since 0001-01-01, then peel off 400-, 100-, 4- and 1-year cycles.
    std::int64_t days = static_cast<std::int64_t>(std::trunc(value)) + kDelta - 1;
    if (days < 0) return {};
    int year = 1;
    year += static_cast<int>(days / 146097) * 400;
    days %= 146097;
    std::int64_t c = days / 36524;
    if (c == 4) c = 3;
    year += static_cast<int>(c) * 100;
    days -= c * 36524;
    year += static_cast<int>(days / 1461) * 4;
    days %= 1461;
    std::int64_t yy = days / 365;
    if (yy == 4) yy = 3;
    year += static_cast<int>(yy);
    days -= yy * 365;
    int month = 1;
    while (days >= DaysInMonth(year, month)) {
        days -= DaysInMonth(year, month);
        ++month;
    }
    return {year, month, static_cast<int>(days) + 1};
}

TTimeParts DecodeTime(TDateTime value)
{
    std::int64_t ms = MillisecondsOfDay(value);
    TTimeParts t;
    t.Hour = static_cast<int>(ms / 3600000);
    t.Minute = static_cast<int>(ms / 60000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Millisecond = static_cast<int>(ms % 1000);
    return t;
}

TDateTime Now()
{
    std::function<TDateTime()> clock;
    {
        std::lock_guard lock(g_clockMutex);
        clock = g_clock;
    }
    return clock ? clock() : LocalDateTimeOf(SystemClockMilliseconds());
}

TDateTime Date() { return std::trunc(Now()); }

void SetClock(std::function<TDateTime()> clock)
{
    std::lock_guard lock(g_clockMutex);
    g_clock = std::move(clock);
}

TScopedClock::TScopedClock(TDateTime fixed) { SetClock([fixed] { return fixed; }); }
TScopedClock::TScopedClock(std::function<TDateTime()> clock) { SetClock(std::move(clock)); }
TScopedClock::~TScopedClock() { SetClock({}); }

std::string FormatDateTime(std::string_view pattern, TDateTime value)
{
    const TDateParts d = DecodeDate(value);
    const TTimeParts t = DecodeTime(value);
    const TFormatSettings& fs = FormatSettings();
    std::string out;
    bool afterHour = false;
    std::size_t i = 0;
    auto run = [&](char c) {
        std::size_t n = 0;
        while (i + n < pattern.size() && (pattern[i + n] == c || pattern[i + n] == (c ^ 0x20))) ++n;
        return n;
    };
    while (i < pattern.size()) {
        const char c = pattern[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        if (c == '"' || c == '\'') {
            auto close = pattern.find(c, i + 1);
            if (close == std::string_view::npos) close = pattern.size();
            out.append(pattern.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        std::size_t n = 1;
        switch (lower) {
        case 'd':
            n = run(c);
            out += n >= 2 ? Pad(d.Day, 2) : std::to_string(d.Day);
            break;
        case 'm':
            n = run(c);
            if (afterHour && c == 'm') {
                out += n >= 2 ? Pad(t.Minute, 2) : std::to_string(t.Minute);
            } else {
                out += n >= 2 ? Pad(d.Month, 2) : std::to_string(d.Month);
            }
            afterHour = false;
            break;
        case 'y':
            n = run(c);
            out += n >= 3 ? Pad(d.Year, 4) : Pad(d.Year % 100, 2);
            break;
        case 'h':
            n = run(c);
            out += n >= 2 ? Pad(t.Hour, 2) : std::to_string(t.Hour);
            afterHour = true;
            break;
        case 'n':
            n = run(c);
            out += n >= 2 ? Pad(t.Minute, 2) : std::to_string(t.Minute);
            afterHour = false;
            break;
        case 's':
            n = run(c);
            out += n >= 2 ? Pad(t.Second, 2) : std::to_string(t.Second);
            break;
        case 'z':
            n = run(c);
            out += n >= 3 ? Pad(t.Millisecond, 3) : std::to_string(t.Millisecond);
            break;
        case '/':
            out += fs.DateSeparator;
            break;
        case ':':
            out += fs.TimeSeparator;
            break;
        default:
            out += c;
            break;
        }
        i += n;
    }
    return out;
}

}  // namespace tarrow
