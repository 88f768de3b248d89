#include "dataaccess/MyValueParsers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarrow::test {
namespace {

TEST(ValueParsers, IntegersAccumulateInTheirStoredWidth)
{
    EXPECT_EQ(AccumulateInt16("-128"), -128);
    EXPECT_EQ(AccumulateInt16("32767"), 32767);
    EXPECT_EQ(AccumulateInt16("-32768"), -32768);
    EXPECT_EQ(AccumulateUInt16("65535"), 65535);
    EXPECT_EQ(AccumulateInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(AccumulateInt32("8388607"), 8388607);
    EXPECT_EQ(AccumulateUInt32("4294967295"), 4294967295u);
    EXPECT_EQ(AccumulateInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(AccumulateInt64("4294967297"), 4294967297);
    EXPECT_EQ(AccumulateInt64("0"), 0);
    // beyond the width the value wraps, as the stored width does
    EXPECT_EQ(AccumulateInt64("18446744073709551615"), -1);
}

TEST(ValueParsers, BitBytesAreBigEndian)
{
    EXPECT_EQ(BitValue(std::string_view("\x05", 1)), 5u);
    EXPECT_EQ(BitValue(std::string_view("\x01\x00", 2)), 256u);
    EXPECT_EQ(BitValue(std::string_view("\x80\x00\x00\x00\x00\x00\x00\x01", 8)), 0x8000000000000001u);
    EXPECT_EQ(BitValue(""), 0u);
}

TEST(ValueParsers, FloatTextsReadWithoutTheLocale)
{
    struct {
        const char* Text;
        double Expected;
    } cases[] = {
        {"1234.50", 1234.5},   {"1e3", 1000},        {"-0.5", -0.5},   {"+2.25", 2.25},
        {"0.05", 0.05},        {"1.5E-5", 1.5e-5},   {"12.", 12},      {".5", 0.5},
        {"0", 0},              {"-0", -0.0},         {"3.14159", 3.14159},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"123456789012345678", 123456789012345678.0},
        {"0.000000000000000000000000000001", 1e-30},
    };
    for (const auto& c : cases) {
        const auto v = ParseMyFloat(c.Text);
        ASSERT_TRUE(v.has_value()) << c.Text;
        EXPECT_DOUBLE_EQ(*v, c.Expected) << c.Text;
    }
}

TEST(ValueParsers, FloatTextsWithOtherCharactersAreRefused)
{
    for (const char* text : {"12.5x", "1,5", "", "-", "1.2.3", "e5", "1e", "1e+", " 1", "1 ", "inf", "0x10"})
        EXPECT_FALSE(ParseMyFloat(text).has_value()) << text;
}

TEST(ValueParsers, LongFloatTextsKeepThirtySixDigitsAndTheirMagnitude)
{
    // 40 digits of a DECIMAL(40,0): the digits after the 36th add no precision but keep the scale.
    const std::string forty = "1234567890123456789012345678901234567890";
    ASSERT_TRUE(ParseMyFloat(forty).has_value());
    EXPECT_NEAR(*ParseMyFloat(forty) / 1.2345678901234568e39, 1.0, 1e-15);
    // 30 digits: first part of 18, second of 12, combined
    const auto thirty = ParseMyFloat("123456789012345678.901234567891");
    ASSERT_TRUE(thirty.has_value());
    EXPECT_DOUBLE_EQ(*thirty, 123456789012345678.901234567891);
    EXPECT_DOUBLE_EQ(*ParseMyFloat("-99999999999999999999999999999999.99"), -1e32);
}

TEST(ValueParsers, FloatErrorTextIsCutAtThirtySixCharacters)
{
    const std::string text(50, '7');
    EXPECT_EQ(FloatErrorText(text + "x").size(), 36u);
    EXPECT_EQ(FloatErrorText("12.5x"), "12.5x");
}

TEST(ValueParsers, Dates)
{
    const auto d = ParseMyDate("2008-03-01");
    ASSERT_EQ(d.Status, TMyDateParse::Ok);
    EXPECT_EQ(d.Value, EncodeDate(2008, 3, 1));
    EXPECT_EQ(ParseMyDate("1899-12-30").Value, 0);
    EXPECT_EQ(ParseMyDate("1899-12-30").Status, TMyDateParse::Ok);
    for (const char* invalid : {"0000-00-00", "2008-00-10", "2008-02-30", "2007-02-29", "2008-13-01", "2008-01-00", "2008-1"})
        EXPECT_EQ(ParseMyDate(invalid).Status, TMyDateParse::Invalid) << invalid;
}

TEST(ValueParsers, DateTimes)
{
    const auto dt = ParseMyDateTime("2008-03-01 14:05:09");
    ASSERT_EQ(dt.Status, TMyDateParse::Ok);
    EXPECT_DOUBLE_EQ(dt.Value, EncodeDate(2008, 3, 1) + EncodeTime(14, 5, 9, 0));
    for (const char* invalid : {"0000-00-00 00:00:00", "2008-03-01 24:00:00", "2008-03-01 12:60:00",
                                "2008-03-01 12:00:60", "2008-02-30 10:00:00"})
        EXPECT_EQ(ParseMyDateTime(invalid).Status, TMyDateParse::Invalid) << invalid;
    // fractions of a second are not read
    EXPECT_DOUBLE_EQ(ParseMyDateTime("2008-03-01 14:05:09.750000").Value, dt.Value);
    // before day 0 the time runs back from the day number
    EXPECT_DOUBLE_EQ(ParseMyDateTime("1899-12-29 06:00:00").Value, -1.25);
}

TEST(ValueParsers, TimestampLayoutFollowsTheColumnLength)
{
    const TDateTime march = EncodeDate(2008, 3, 1);
    const TDateTime at = march + EncodeTime(14, 5, 9, 0);
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("2008-03-01 14:05:09", 19).Value, at);
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("20080301140509", 14).Value, at);
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("080301140509", 12).Value, at);
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("0803011405", 10).Value, march + EncodeTime(14, 5, 0, 0));
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("20080301", 8).Value, march);
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("080301", 6).Value, march);
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("0803", 4).Value, march);
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("08", 2).Value, EncodeDate(2008, 1, 1));
    // two-digit years: below 70 in this century
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("69", 2).Value, EncodeDate(2069, 1, 1));
    EXPECT_DOUBLE_EQ(ParseMyTimestamp("70", 2).Value, EncodeDate(1970, 1, 1));
    EXPECT_EQ(ParseMyTimestamp("0000-00-00 00:00:00", 19).Status, TMyDateParse::Invalid);
    EXPECT_EQ(ParseMyTimestamp("2008-03-01 14:05:09.123", 23).Status, TMyDateParse::BadFormat);
}

TEST(ValueParsers, TimesMayBeNegativeAndLongerThanADay)
{
    const auto t = ParseMyTime("-838:59:59");
    ASSERT_EQ(t.Status, TMyDateParse::Ok);
    EXPECT_DOUBLE_EQ(t.Value, -(838 / 24.0 + (59 * 60 + 59) / 86400.0));
    EXPECT_LT(t.Value, -34);
    EXPECT_DOUBLE_EQ(ParseMyTime("12:30:00").Value, 0.5 + 30 * 60 / 86400.0);
    EXPECT_DOUBLE_EQ(ParseMyTime("1:00:00").Value, 1 / 24.0);
    EXPECT_DOUBLE_EQ(ParseMyTime("838:59:59.000000").Value, -t.Value);
    EXPECT_DOUBLE_EQ(ParseMyTime("-00:00:01").Value, -1 / 86400.0);
}

TEST(ValueParsers, TimesOutOfShapeAreRefused)
{
    for (const char* bad : {"12345:00:00", "1000:00:00", "", "12-30-00", "12:3:00", "12:30", "ab:cd:ef", ":10:00"})
        EXPECT_EQ(ParseMyTime(bad).Status, TMyDateParse::BadFormat) << bad;
}

}  // namespace
}  // namespace tarrow::test
