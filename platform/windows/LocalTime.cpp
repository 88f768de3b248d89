#include "platform/DateTime.h"

// Windows: the clock and the time zone through the system's own functions, never the C runtime's:
// the 32-bit runtime's clock functions that programs built before 64-bit time_t import end on
// 2038-01-19, and a program is checked to import none of them.

#include "platform/Errors.h"

#include <windows.h>

#include <ctime>

// Whatever still reads a time_t (the test library's stamps, a library's file times) reads one
// that lasts: every Windows build is configured for 64 bits (cmake/toolchains).
static_assert(sizeof(std::time_t) == 8, "a 32-bit time_t ends on 2038-01-19");

namespace tarrow {

namespace {

// FILETIME counts 100-nanosecond ticks from 1601-01-01 00:00 UTC.
constexpr std::int64_t kTicksPerMillisecond = 10000;
constexpr std::int64_t kMillisecondsFrom1601To1970 = 11644473600000;

}  // namespace

std::int64_t SystemClockMilliseconds()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::int64_t ticks = (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return ticks / kTicksPerMillisecond - kMillisecondsFrom1601To1970;
}

TDateTime LocalDateTimeOf(std::int64_t unixMilliseconds)
{
    const std::int64_t ticks = (unixMilliseconds + kMillisecondsFrom1601To1970) * kTicksPerMillisecond;
    if (ticks < 0) throw EConvertError("Invalid argument to date encode");
    FILETIME instant{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{}, local{};
    // The zone's rules for the instant's own date, where FileTimeToLocalFileTime would apply
    // today's daylight saving to every date.
    if (!FileTimeToSystemTime(&instant, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        throw EConvertError("Invalid argument to date encode");
    return EncodeDate(local.wYear, local.wMonth, local.wDay) +
           EncodeTime(local.wHour, local.wMinute, local.wSecond, local.wMilliseconds);
}

}  // namespace tarrow
