#include "platform/DateTime.h"

// Linux: the clock and the time zone through the C library, whose time_t has 64 bits on the
// builds we make.

#include "platform/Errors.h"

#include <chrono>
#include <ctime>

namespace tarrow {

static_assert(sizeof(std::time_t) >= 8, "a 32-bit time_t ends on 2038-01-19");

std::int64_t SystemClockMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

TDateTime LocalDateTimeOf(std::int64_t unixMilliseconds)
{
    // Floor division: an instant before 1970 still has its milliseconds counted forwards.
    std::int64_t seconds = unixMilliseconds / 1000;
    int ms = static_cast<int>(unixMilliseconds % 1000);
    if (ms < 0) ms += 1000, --seconds;
    const auto t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) throw EConvertError("Invalid argument to date encode");
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, ms);
}

}  // namespace tarrow
