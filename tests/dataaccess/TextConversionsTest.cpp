#include "dataaccess/TextConversions.h"

#include <gtest/gtest.h>

namespace tarrow::test {
namespace {

TFormatSettings Brazilian()
{
    TFormatSettings s;
    s.DecimalSeparator = ',';
    s.DateSeparator = '/';
    s.ShortDateFormat = "dd/MM/yyyy";
    s.LongTimeFormat = "HH:mm:ss";
    return s;
}

TFormatSettings American()
{
    TFormatSettings s;
    s.DecimalSeparator = '.';
    s.DateSeparator = '/';
    s.ShortDateFormat = "M/d/yyyy";
    s.LongTimeFormat = "HH:mm:ss";
    return s;
}

TEST(TextConversions, RoundHalfEven)
{
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(-0.6), -1);
    EXPECT_EQ(RoundHalfEven(12345000.0), 12345000.0);
}

TEST(TextConversions, FloatGeneralFormat)
{
    struct {
        double Value;
        const char* Dot;
    } cases[] = {
        {1234.5, "1234.5"},
        {0, "0"},
        {-0.25, "-0.25"},
        {100, "100"},
        {0.1 + 0.2, "0.3"},  // fifteen significant digits hide the binary tail
        {1.0 / 3, "0.333333333333333"},
        {0.0001, "0.0001"},
        {0.00005, "5E-5"},
        {1.5e-7, "1.5E-7"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1.23456789012346E15"},
        {1e20, "1E20"},
        {-2.5e-10, "-2.5E-10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FloatToStrGeneral(c.Value, '.'), c.Dot) << c.Dot;
        std::string comma = c.Dot;
        for (char& ch : comma)
            if (ch == '.') ch = ',';
        EXPECT_EQ(FloatToStrGeneral(c.Value, ','), comma) << c.Dot;
    }
}

TEST(TextConversions, IntegerTexts)
{
    EXPECT_EQ(TryStrToInt("42"), 42);
    EXPECT_EQ(TryStrToInt("   -17"), -17);
    EXPECT_EQ(TryStrToInt("+5"), 5);
    EXPECT_EQ(TryStrToInt("$1F"), 31);
    EXPECT_EQ(TryStrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(TryStrToInt("2147483647"), INT32_MAX);
    EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(TryStrToInt64("9223372036854775807"), INT64_MAX);
    for (const char* bad : {"", " ", "12 ", "1.0", "2147483648", "$", "$1G", "abc", "- 1", "$100000000"})
        EXPECT_FALSE(TryStrToInt(bad).has_value()) << bad;
    EXPECT_FALSE(TryStrToInt64("9223372036854775808").has_value());
}

TEST(TextConversions, FloatTextsReadWithTheDecimalSeparatorInForce)
{
    EXPECT_EQ(TryStrToFloat(" 1234,5 ", Brazilian()), 1234.5);
    EXPECT_FALSE(TryStrToFloat("1234.5", Brazilian()).has_value());
    EXPECT_EQ(TryStrToFloat("1234.5", American()), 1234.5);
    EXPECT_EQ(TryStrToFloat("-1,5E3", Brazilian()), -1500);
    EXPECT_FALSE(TryStrToFloat("", Brazilian()).has_value());
    EXPECT_FALSE(TryStrToFloat("1.234,5", Brazilian()).has_value());
}

TEST(TextConversions, DateTimeTextsFollowTheShortDateFormat)
{
    const TDateTime march = EncodeDate(2008, 3, 1);
    EXPECT_EQ(TryStrToDateTime("01/03/2008", Brazilian()), march);
    EXPECT_EQ(TryStrToDateTime("3/1/2008", American()), march);
    EXPECT_DOUBLE_EQ(*TryStrToDateTime("01/03/2008 14:05:09", Brazilian()), march + EncodeTime(14, 5, 9, 0));
    EXPECT_DOUBLE_EQ(*TryStrToDateTime("01/03/2008 14:05", Brazilian()), march + EncodeTime(14, 5, 0, 0));
    EXPECT_DOUBLE_EQ(*TryStrToDateTime("14:05", Brazilian()), EncodeTime(14, 5, 0, 0));
    for (const char* bad : {"", "2008-03-01", "31/02/2008", "01/03/2008 25:00", "01/03/2008x", "hoje"})
        EXPECT_FALSE(TryStrToDateTime(bad, Brazilian()).has_value()) << bad;
}

TEST(TextConversions, DateTimeTextsWithTheSettingsInForce)
{
    TScopedFormatSettings scoped(Brazilian());
    const TDateTime at = EncodeDate(2008, 3, 1) + EncodeTime(14, 5, 9, 0);
    EXPECT_EQ(DateTimeToStr(at), "01/03/2008 14:05:09");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2008, 3, 1)), "01/03/2008");
    EXPECT_EQ(DateTimeToStr(0), "30/12/1899");
    EXPECT_EQ(DateToStr(at), "01/03/2008");
    EXPECT_EQ(TimeToStr(at), "14:05:09");
}

TEST(TextConversions, FieldNamesCompareWithoutLetterCase)
{
    EXPECT_TRUE(SameText("registro", "REGISTRO"));
    EXPECT_TRUE(SameText("Descrição", "DESCRIÇÃO"));
    EXPECT_FALSE(SameText("registro", "registros"));
    EXPECT_FALSE(SameText("a_b", "a-b"));
    EXPECT_FALSE(SameText("\xc3\xb7", "\xc3\x97"));  // ÷ and × are not a letter pair
    EXPECT_FALSE(SameText("@", "`"));
}

}  // namespace
}  // namespace tarrow::test
