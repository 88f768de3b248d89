#include "platform/DateTime.h"

#include "platform/Errors.h"
#include "platform/RegionalSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace tarrow {
namespace {

TEST(DateTime, DaysCountFrom30December1899)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2026, 12, 9), 46365.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
}

TEST(DateTime, DecodeDateInvertsEncodeDateOverFourCenturies)
{
    for (int day = -10; day < 146097 + 10; day += 7) {
        const TDateParts d = DecodeDate(day + EncodeDate(1900, 2, 27));
        ASSERT_EQ(EncodeDate(d.Year, d.Month, d.Day), day + EncodeDate(1900, 2, 27)) << day;
    }
    const TDateParts leap = DecodeDate(EncodeDate(2000, 2, 29));
    EXPECT_EQ(leap.Year, 2000);
    EXPECT_EQ(leap.Month, 2);
    EXPECT_EQ(leap.Day, 29);
}

TEST(DateTime, ImpossibleDaysAndTimesAreConversionErrors)
{
    EXPECT_THROW(EncodeDate(2100, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(2026, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
}

TEST(DateTime, TimeOfDayIsTheFractionAlsoBeforeTheEpoch)
{
    const TDateTime before = -1.25;
    const TDateParts d = DecodeDate(before);
    EXPECT_EQ(d.Year, 1899);
    EXPECT_EQ(d.Month, 12);
    EXPECT_EQ(d.Day, 29);
    EXPECT_EQ(DecodeTime(before).Hour, 6);

    const TTimeParts t = DecodeTime(EncodeDate(2026, 12, 9) + EncodeTime(23, 59, 59, 999));
    EXPECT_EQ(t.Hour, 23);
    EXPECT_EQ(t.Minute, 59);
    EXPECT_EQ(t.Second, 59);
    EXPECT_EQ(t.Millisecond, 999);
}

TEST(DateTime, FormatUsesTheRegionalSeparatorsAndMinutesAfterHours)
{
    TFormatSettings settings;
    settings.DateSeparator = '-';
    settings.TimeSeparator = '.';
    TScopedFormatSettings scoped(settings);
    const TDateTime at = EncodeDate(2026, 3, 7) + EncodeTime(8, 5, 9, 42);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", at), "07-03-2026");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd", at), "2026-03-07");
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnss", at), "20260307080509");
    EXPECT_EQ(FormatDateTime("hh:mm", at), "08.05");
    EXPECT_EQ(FormatDateTime("d/M/yy", at), "7-3-26");
    EXPECT_EQ(FormatDateTime("\"dia\" dd 'x' zzz", at), "dia 07 x 042");
}

TEST(DateTime, ScopedClockFixesNowAndTodayThenRestoresTheSystemClock)
{
    const TDateTime fixed = EncodeDate(2026, 1, 31) + EncodeTime(13, 30, 0, 0);
    {
        TScopedClock clock(fixed);
        EXPECT_EQ(Now(), fixed);
        EXPECT_EQ(Date(), EncodeDate(2026, 1, 31));
    }
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
    EXPECT_NE(Now(), fixed);
}

TEST(DateTime, TheSystemClockConvertsInstantsAfter2038)
{
    // 2^31 seconds after 1970, the first instant a 32-bit time_t cannot hold, and a leap day
    // after it. Whatever the machine's zone, it moves the time by whole quarters of an hour, by
    // at most 14 hours.
    const std::pair<std::int64_t, TDateTime> instantes[] = {
        {2147483648000, EncodeDate(2038, 1, 19) + EncodeTime(3, 14, 8, 0)},
        {2214129600250, EncodeDate(2040, 2, 29) + EncodeTime(12, 0, 0, 250)},
    };
    for (const auto& [ms, utc] : instantes) {
        const TDateTime local = LocalDateTimeOf(ms);
        const double quartos = (local - utc) * 96;
        EXPECT_LE(std::fabs(quartos), 14 * 4) << FormatDateTime("yyyy-mm-dd hh:nn:ss", local);
        EXPECT_NEAR(quartos, std::round(quartos), 1e-5) << FormatDateTime("yyyy-mm-dd hh:nn:ss", local);
        EXPECT_EQ(DecodeTime(local).Millisecond, DecodeTime(utc).Millisecond);
    }
    // The clock itself reads through the same conversion.
    EXPECT_NEAR(LocalDateTimeOf(SystemClockMilliseconds()), Now(), 1.0 / 86400);
}

}  // namespace
}  // namespace tarrow
