#pragma once
// Date-time numbers and the local clock. A date-time number is a double counting days from
// 1899-12-30, its fraction the time of day; before that day the whole part counts backwards and
// the fraction still runs forwards (-1.25 is 1899-12-29 06:00).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarrow {

using TDateTime = double;

struct TDateParts {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

struct TTimeParts {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);

// Raises EConvertError for a day that does not exist.
TDateTime EncodeDate(int year, int month, int day);
// Raises EConvertError for a time outside the day.
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
TDateParts DecodeDate(TDateTime value);
TTimeParts DecodeTime(TDateTime value);

// The local date and time, from the clock in force.
TDateTime Now();

// The system's clock: milliseconds since 1970-01-01 00:00 UTC.
std::int64_t SystemClockMilliseconds();
// The local date and time of such an instant, by the time zone's rules. 64 bits on every build:
// the 32-bit Windows C runtime's time_t ends on 2038-01-19, so Windows converts through the
// system's own time functions. Raises EConvertError for an instant the system cannot convert.
TDateTime LocalDateTimeOf(std::int64_t unixMilliseconds);
// Today's date at midnight.
TDateTime Date();

// Replaces the local clock (tests fix "today" and "now"); an empty function restores the system's.
void SetClock(std::function<TDateTime()> clock);

class TScopedClock {
public:
    explicit TScopedClock(TDateTime fixed);
    explicit TScopedClock(std::function<TDateTime()> clock);
    ~TScopedClock();
    TScopedClock(const TScopedClock&) = delete;
    TScopedClock& operator=(const TScopedClock&) = delete;
};

// Writes a date-time with a pattern: d dd m mm (months, or minutes right after an hour) M MM
// yy yyyy h hh H HH n nn s ss z zzz; "/" is the regional date separator, ":" the time separator;
// text in double or single quotes is written as it stands; other characters as they are.
std::string FormatDateTime(std::string_view pattern, TDateTime value);

}  // namespace tarrow
