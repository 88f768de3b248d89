#include "relay/Funcoes.h"

#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <set>

namespace tarrow {
namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

TEST(Cripto, DeciphersTheBuiltInDefaultPassword)
{
    EXPECT_EQ(Cripto("D", "7B02E95C11A4D3F0681E", "QXR"), Bytes({215, 175, 36, 227, 235, 220, 205, 63, 227}));
}

TEST(Cripto, EncipheredTextIsSeedThenOneUpperCaseHexPairPerByte)
{
    const std::string c = Cripto("E", "segredo", "QXR");
    ASSERT_EQ(c.size(), 2u + 2u * 7u);
    EXPECT_EQ(c.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(Cripto("E", "", "QXR").size(), 2u);
}

TEST(Cripto, PrintablePasswordsComeBackUnchanged)
{
    for (const std::string& p : std::initializer_list<std::string>{"a", "senha", "S3nh@ F0rt3!", "~ lojas kesto 123 ~", std::string(40, 'x')})
        EXPECT_EQ(Cripto("D", Cripto("E", p, "QXR"), "QXR"), p);
}

TEST(Cripto, EveryByteFrom1To254ComesBackUnchanged)
{
    std::string all;
    for (int b = 1; b <= 254; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Cripto("D", Cripto("E", all, "QXR"), "QXR"), all);
}

TEST(Cripto, ByteZeroComesBackAs255ExceptAfterACipherValueOf255)
{
    // Seed 00, key "A" (0x41): byte 0 enciphers to ((0 + 0) mod 255) xor 0x41 = 41.
    EXPECT_EQ(Cripto("D", "0041", "A"), Bytes({255}));
    // After the cipher value FF, byte 0 and byte 255 both encipher to ((255 + p) mod 255) xor 0x41
    // = 41, and both come back as 0.
    EXPECT_EQ(Cripto("D", "FF41", "A"), Bytes({0}));
    EXPECT_EQ(Cripto("D", "00BEFF41", "A"), Bytes({255, 255, 0}));
}

TEST(Cripto, LowerCaseHexDeciphersLikeUpperCase)
{
    EXPECT_EQ(Cripto("D", "7b02e95c11a4d3f0681e", "QXR"), Cripto("D", "7B02E95C11A4D3F0681E", "QXR"));
}

TEST(Cripto, SamePasswordEnciphersDifferentlyFromCallToCall)
{
    std::set<std::string> texts;
    for (int i = 0; i < 20; ++i) {
        const std::string c = Cripto("E", "segredo", "QXR");
        EXPECT_EQ(Cripto("D", c, "QXR"), "segredo");
        texts.insert(c);
    }
    EXPECT_GT(texts.size(), 1u);
}

TEST(Cripto, KeyBytesAreUsedCyclically)
{
    const std::string c = Cripto("E", "abcdefgh", "QXR");
    // A key that repeats "QXR" is the same cycle; one that differs only in its third byte changes
    // exactly the third and sixth data bytes.
    EXPECT_EQ(Cripto("D", c, "QXRQXR"), "abcdefgh");
    const std::string other = Cripto("D", c, "QXZ");
    for (std::size_t i = 0; i < 8; ++i) {
        if (i == 2 || i == 5) EXPECT_NE(other[i], "abcdefgh"[i]) << i;
        else EXPECT_EQ(other[i], "abcdefgh"[i]) << i;
    }
}

TEST(Cripto, OtherModesGiveTheEmptyText)
{
    EXPECT_EQ(Cripto("d", "7B02E95C11A4D3F0681E", "QXR"), "");
    EXPECT_EQ(Cripto("e", "x", "QXR"), "");
    EXPECT_EQ(Cripto("", "x", "QXR"), "");
    EXPECT_EQ(Cripto("DE", "x", "QXR"), "");
    EXPECT_EQ(Cripto("X", "x", ""), "");
}

TEST(Cripto, TextThatIsNotHexPairsIsAConversionError)
{
    EXPECT_THROW(Cripto("D", "", "QXR"), EConvertError);
    EXPECT_THROW(Cripto("D", "7B", "QXR"), EConvertError);
    EXPECT_THROW(Cripto("D", "7", "QXR"), EConvertError);
    EXPECT_THROW(Cripto("D", "7BZZ", "QXR"), EConvertError);
    EXPECT_THROW(Cripto("D", "G0AA", "QXR"), EConvertError);
    try {
        Cripto("D", "7B0G", "QXR");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'0G' is not a valid integer value");
    }
}

TEST(Cripto, OddLengthsReadALoneThirdDigitOrDropTheLastOne)
{
    // Length 3: the third character is a value of its own.
    // prev 0x7B, cur 0x0 ^ 'Q' = 0x51 <= 0x7B: 0x51 + 255 - 0x7B = 0xD5.
    EXPECT_EQ(Cripto("D", "7B0", "QXR"), Bytes({0xD5}));
    EXPECT_EQ(Cripto("D", "7B02E", "QXR"), Cripto("D", "7B02", "QXR"));
    EXPECT_EQ(Cripto("D", "7B02E95", "QXR"), Cripto("D", "7B02E9", "QXR"));
}

TEST(Cripto, AnEmptyKeyIsRefusedInsteadOfReadPastTheKey)
{
    EXPECT_THROW(Cripto("E", "senha", ""), Exception);
    EXPECT_THROW(Cripto("D", "7B02E95C11A4D3F0681E", ""), Exception);
}

}  // namespace
}  // namespace tarrow
