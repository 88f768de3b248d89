#include "relay/Funcoes.h"

#include "platform/Errors.h"
#include "platform/RegionalSettings.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

TEST(FormataCNPJ, WritesFourteenDigitsInTheCnpjGroups)
{
    EXPECT_EQ(FormataCNPJ("191"), "00.000.000/0001-91");
    EXPECT_EQ(FormataCNPJ("11222333000181"), "11.222.333/0001-81");
    EXPECT_EQ(FormataCNPJ("0"), "00.000.000/0000-00");
    EXPECT_EQ(FormataCNPJ("  191  "), "00.000.000/0001-91");
}

TEST(FormataCNPJ, DigitsBeyondFourteenStandInFrontOfTheFirstGroup)
{
    EXPECT_EQ(FormataCNPJ("123456789012345"), "123.456.789/0123-45");
    // Beyond what a floating-point number holds exactly.
    EXPECT_EQ(FormataCNPJ("1234567890123456789012"), "1234567890.123.456/7890-12");
}

TEST(FormataCNPJ, EmptyTextStaysEmpty)
{
    EXPECT_EQ(FormataCNPJ(""), "");
}

TEST(FormataCNPJ, FractionsAreRoundedHalfAwayFromZero)
{
    EXPECT_EQ(FormataCNPJ("190.5"), "00.000.000/0001-91");
    EXPECT_EQ(FormataCNPJ("191.4"), "00.000.000/0001-91");
    EXPECT_EQ(FormataCNPJ("-190.5"), "-00.000.000/0001-91");
    EXPECT_EQ(FormataCNPJ("1.91e2"), "00.000.000/0001-91");
    EXPECT_EQ(FormataCNPJ("190.49999999999999999999"), "00.000.000/0001-90");
    EXPECT_EQ(FormataCNPJ("-0.4"), "00.000.000/0000-00");
}

TEST(FormataCNPJ, ReadsTheRegionalDecimalSeparator)
{
    TFormatSettings comma;
    comma.DecimalSeparator = ',';
    TScopedFormatSettings scoped(comma);
    EXPECT_EQ(FormataCNPJ("190,5"), "00.000.000/0001-91");
    EXPECT_THROW(FormataCNPJ("190.5"), EConvertError);
}

TEST(FormataCNPJ, TextThatIsNotANumberIsAConversionError)
{
    for (const char* text : {"abc", "11.222.333/0001-81", "12 3", " ", "-", "1e", "0x10"}) {
        try {
            FormataCNPJ(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid floating point value");
        }
    }
}

}  // namespace
}  // namespace tarrow
