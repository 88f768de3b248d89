#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace tarrow {
namespace {

TEST(CodePage, EveryByteValueSurvivesTheTripThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(CodePage, StoreTextsBecomeTheirUtf8Characters)
{
    EXPECT_EQ(Cp1252ToUtf8("Devolu\xE7\xE3o"), "Devolução");
    EXPECT_EQ(Cp1252ToUtf8("\x80 5,00"), "€ 5,00");
    EXPECT_EQ(Cp1252ToUtf8("\x93x\x94"), "\u201Cx\u201D");
    // Bytes the code page leaves undefined keep their number as C1 control characters.
    EXPECT_EQ(Cp1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
}

TEST(CodePage, Utf8TextWithoutASingleByteBecomesQuestionMarksOrIsRefusedWhole)
{
    EXPECT_EQ(Utf8ToCp1252("Enviando devoluções"), "Enviando devolu\xE7\xF5" "es");
    EXPECT_EQ(Utf8ToCp1252("日本"), "??");
    EXPECT_EQ(Utf8ToCp1252("a\xFFz"), "a?z");        // not a lead byte
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");          // sequence cut short
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "?");       // overlong form of "/"
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80z"), "?z");  // surrogate

    // The exact conversion names the first character it cannot carry.
    EXPECT_EQ(Utf8ToCp1252Exact("€ pão"), "\x80 p\xE3o");
    std::string offending;
    EXPECT_EQ(Utf8ToCp1252Exact("São João ✓ 日", &offending), std::nullopt);
    EXPECT_EQ(offending, "✓");
    EXPECT_EQ(Utf8ToCp1252Exact("a\xC3", &offending), std::nullopt);
    EXPECT_EQ(offending, "\xC3");
}

}  // namespace
}  // namespace tarrow
