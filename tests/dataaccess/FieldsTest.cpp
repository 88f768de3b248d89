// The row store and the field getters over rows as the text protocol delivers them.
#include "dataaccess/Fields.h"
#include "dataaccess/MySQLRecordset.h"
#include "platform/Errors.h"
#include "platform/RegionalSettings.h"
#include "tests/dataaccess/DataAccessTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

namespace tarrow::test {
namespace {

using enum TFieldType;
using Cell = std::optional<std::string>;
const Cell kNull = std::nullopt;

// A row store over the given columns, filled with rows of texts (nothing for NULL).
struct TStore {
    TStore(std::vector<TMyColumn> columns, const std::vector<std::vector<Cell>>& rows,
           TMyTypeOptions options = {}, int fetchRows = 25)
    {
        std::vector<TMySQLFieldDesc> descs;
        for (const auto& c : columns) descs.push_back(DescribeColumn(c, options));
        Rows = std::make_unique<TMySQLRecordset>(std::move(descs), options, fetchRows);
        for (const auto& row : rows) Append(row);
        for (int i = 0; i < static_cast<int>(columns.size()); ++i) Fields.push_back(CreateField(*Rows, i));
        Rows->First();
    }
    void Append(const std::vector<Cell>& row)
    {
        std::vector<TMyColumnValue> values;
        for (const auto& cell : row)
            values.push_back(cell ? TMyColumnValue{cell->data(), cell->size(), false} : TMyColumnValue{});
        Rows->AppendRow(values);
    }
    TField& operator[](int i) { return *Fields[static_cast<std::size_t>(i)]; }

    std::unique_ptr<TMySQLRecordset> Rows;
    std::vector<std::unique_ptr<TField>> Fields;
};

TMyColumn Col(const char* name, std::uint8_t type, std::uint32_t length, int flags = 0, int decimals = 0,
              int charset = 8)
{
    return TMyColumn{name, "t", type, flags, length, decimals, charset};
}

TFormatSettings WithSeparator(char decimal)
{
    TFormatSettings s;
    s.DecimalSeparator = decimal;
    s.ShortDateFormat = "dd/MM/yyyy";
    s.LongTimeFormat = "HH:mm:ss";
    return s;
}

TEST(Fields, FloatGettersWithEitherDecimalSeparator)
{
    TStore s({Col("preco", kMyTypeNewDecimal, 14, 0, 2), Col("meio", kMyTypeDouble, 22), Col("tres", kMyTypeDouble, 22),
              Col("grande", kMyTypeDouble, 22)},
             {{"1234.50", "2.5", "3.5", "1e20"}, {kNull, "-2.5", "-0.00001", "5000000000.4"}});
    {
        TScopedFormatSettings comma(WithSeparator(','));
        EXPECT_EQ(s[0].AsString(), "1234,5");
        EXPECT_EQ(s[3].AsString(), "1E20");
    }
    {
        TScopedFormatSettings dot(WithSeparator('.'));
        EXPECT_EQ(s[0].AsString(), "1234.5");
    }
    EXPECT_EQ(s[0].AsFloat(), 1234.5);
    EXPECT_EQ(s[0].AsCurrency(), TCurrency::FromScaled(12345000));
    EXPECT_EQ(s[0].AsInteger(), 1234);
    EXPECT_EQ(s[1].AsInteger(), 2);  // halves to the even neighbour
    EXPECT_EQ(s[2].AsInteger(), 4);
    EXPECT_EQ(ErrorOf([&] { s[0].AsDateTime(); }), "Cannot access field 'preco' as type DateTime");

    s.Rows->Next();
    EXPECT_EQ(s[0].AsString(), "");
    EXPECT_EQ(s[0].AsFloat(), 0);
    EXPECT_EQ(s[0].AsInteger(), 0);
    EXPECT_EQ(s[0].AsCurrency(), TCurrency{});
    EXPECT_EQ(s[1].AsInteger(), -2);
    EXPECT_EQ(s[2].AsCurrency(), TCurrency::FromScaled(0));  // -0.1 of a ten-thousandth
    EXPECT_EQ(s[3].AsInteger(), static_cast<std::int32_t>(5000000000LL & 0xFFFFFFFF));
    EXPECT_EQ(s[3].AsLargeint(), 5000000000LL);
}

TEST(Fields, CurrencyRoundsHalvesToEven)
{
    // 1/32 and 3/32 are exact halves of a ten-thousandth in binary
    TStore s({Col("v", kMyTypeDouble, 22)}, {{"0.03125"}, {"0.09375"}, {"-1.23456"}});
    EXPECT_EQ(s[0].AsCurrency(), TCurrency::FromScaled(312));
    s.Rows->Next();
    EXPECT_EQ(s[0].AsCurrency(), TCurrency::FromScaled(938));
    s.Rows->Next();
    EXPECT_EQ(s[0].AsCurrency(), TCurrency::FromScaled(-12346));
}

TEST(Fields, FloatTextThatIsNotANumberFailsTheRow)
{
    TStore s({Col("v", kMyTypeNewDecimal, 10)}, {});
    EXPECT_EQ(ErrorOf([&] { s.Append({"12.5x"}); }), "'12.5x' is not a valid floating point value");
    EXPECT_THROW(s.Append({"12.5x"}), EConvertError);
    EXPECT_EQ(s.Rows->RecordCount(), 0);
    s.Append({"1e3"});
    EXPECT_EQ(s.Rows->RecordCount(), 1);
    s.Rows->First();
    EXPECT_EQ(s[0].AsFloat(), 1000);
}

TEST(Fields, StringGetters)
{
    TStore s({Col("cnpj", kMyTypeVarString, 18), Col("pendencia", kMyTypeVarString, 1), Col("quando", kMyTypeVarString, 20),
              Col("valor", kMyTypeVarString, 20)},
             {{"191", "0", "01/03/2008 14:05:09", "1234,5"}, {kNull, "", "31/02/2008", "12.5"}, {"  $1F", "x", "", ""}});
    TScopedFormatSettings comma(WithSeparator(','));
    EXPECT_EQ(s[0].AsString(), "191");
    EXPECT_EQ(s[0].AsInteger(), 191);
    EXPECT_EQ(s[0].AsLargeint(), 191);
    EXPECT_EQ(s[1].AsString(), "0");
    EXPECT_EQ(s[1].Size(), 1);
    EXPECT_DOUBLE_EQ(s[2].AsDateTime(), EncodeDate(2008, 3, 1) + EncodeTime(14, 5, 9, 0));
    EXPECT_EQ(s[3].AsFloat(), 1234.5);
    EXPECT_EQ(s[3].AsCurrency(), TCurrency::FromScaled(12345000));

    s.Rows->Next();
    EXPECT_EQ(s[0].AsString(), "");
    EXPECT_EQ(s[0].AsCurrency(), TCurrency{});
    EXPECT_EQ(ErrorOf([&] { s[0].AsInteger(); }), "'' is not a valid integer value");
    EXPECT_THROW(s[1].AsInteger(), EConvertError);
    EXPECT_EQ(ErrorOf([&] { s[2].AsDateTime(); }), "''31/02/2008'' is not a valid date and time");
    EXPECT_EQ(ErrorOf([&] { s[3].AsFloat(); }), "'12.5' is not a valid floating point value");

    s.Rows->Next();
    EXPECT_EQ(s[0].AsInteger(), 31);
    EXPECT_EQ(ErrorOf([&] { s[1].AsInteger(); }), "'x' is not a valid integer value");
}

TEST(Fields, TextArrivesInTheCodePageAndLeavesAsUtf8)
{
    TStore s({Col("nome", kMyTypeVarString, 20), Col("obs", kMyTypeBlob, 65535), Col("raw", kMyTypeBlob, 65535, kMyFlagBinary)},
             {{"Jo\xe3o \x80", "a\xe7\xe3o", std::string("\xe3\x00\xff", 3)}});
    EXPECT_EQ(s[0].AsString(), "João €");
    EXPECT_EQ(s[1].AsString(), "ação");
    EXPECT_EQ(s[2].AsString(), std::string("\xe3\x00\xff", 3));  // bytes stay bytes
}

TEST(Fields, FixedTextOfShortColumnsLosesTrailingBlanks)
{
    TStore s({Col("fixo", kMyTypeString, 10), Col("var", kMyTypeVarString, 10), Col("longo", kMyTypeString, 40),
              Col("curto", kMyTypeVarString, 3)},
             {{"abc       ", "abc   ", std::string("xyz") + std::string(37, ' '), "abcdef"},
              {std::string("ab\0\0 ", 5), "", "", ""}});
    EXPECT_EQ(s[0].AsString(), "abc");
    EXPECT_EQ(s[1].AsString(), "abc   ");
    EXPECT_EQ(s[2].AsString().size(), 40u);
    EXPECT_EQ(s[3].AsString(), "abc");  // fields below 32 hold at most their size
    s.Rows->Next();
    EXPECT_EQ(s[0].AsString(), "ab");
}

TEST(Fields, BooleanGetters)
{
    TStore s({Col("ativo", kMyTypeTiny, 1)}, {{"1"}, {"0"}, {"-1"}, {kNull}});
    EXPECT_EQ(s[0].AsString(), "True");
    EXPECT_TRUE(s[0].AsBoolean());
    EXPECT_EQ(ErrorOf([&] { s[0].AsInteger(); }), "Cannot access field 'ativo' as type Integer");
    EXPECT_THROW(s[0].AsCurrency(), EDatabaseError);
    s.Rows->Next();
    EXPECT_EQ(s[0].AsString(), "False");
    s.Rows->Next();
    EXPECT_EQ(s[0].AsString(), "True");
    s.Rows->Next();
    EXPECT_EQ(s[0].AsString(), "");
}

TEST(Fields, DateAndTimeGetters)
{
    TStore s({Col("dia", kMyTypeDate, 10), Col("hora", kMyTypeTime, 10), Col("quando", kMyTypeDateTime, 19),
              Col("carimbo", kMyTypeTimestamp, 19)},
             {{"2008-03-01", "14:05:09", "2008-03-01 14:05:09", "2008-03-01 14:05:09"},
              {"0000-00-00", "-838:59:59", "0000-00-00 00:00:00", "1899-12-30 00:00:00"},
              {kNull, kNull, "2008-03-01 00:00:00", kNull}});
    TScopedFormatSettings br(WithSeparator(','));
    const TDateTime at = EncodeDate(2008, 3, 1) + EncodeTime(14, 5, 9, 0);
    EXPECT_EQ(s[0].AsDateTime(), EncodeDate(2008, 3, 1));
    EXPECT_EQ(s[0].AsString(), "01/03/2008");
    EXPECT_EQ(s[1].AsString(), "14:05:09");
    EXPECT_DOUBLE_EQ(s[2].AsDateTime(), at);
    EXPECT_EQ(s[2].AsString(), "01/03/2008 14:05:09");
    EXPECT_DOUBLE_EQ(s[3].AsDateTime(), at);
    EXPECT_EQ(ErrorOf([&] { s[2].AsInteger(); }), "Cannot access field 'quando' as type Integer");

    s.Rows->Next();
    EXPECT_TRUE(s[0].IsNull());  // the zero date reads as NULL
    EXPECT_EQ(s[0].AsDateTime(), 0);
    EXPECT_EQ(s[0].AsString(), "");
    EXPECT_LT(s[1].AsDateTime(), -34);
    EXPECT_TRUE(s[2].IsNull());
    EXPECT_EQ(s[2].AsString(), "");
    EXPECT_FALSE(s[3].IsNull());  // day 0 at midnight is a value
    EXPECT_EQ(s[3].AsString(), "30/12/1899");

    s.Rows->Next();
    EXPECT_EQ(s[0].AsString(), "");
    EXPECT_EQ(s[1].AsDateTime(), 0);
    EXPECT_EQ(s[2].AsString(), "01/03/2008");  // midnight leaves the time out
}

TEST(Fields, ImpossibleDatesWithoutNullForZeroDateStoreTheFirstDay)
{
    TMyTypeOptions o;
    o.NullForZeroDate = false;
    TStore s({Col("dia", kMyTypeDate, 10)}, {{"0000-00-00"}}, o);
    EXPECT_FALSE(s[0].IsNull());
    EXPECT_EQ(s[0].AsDateTime(), -693593);
}

TEST(Fields, BadTimeTextAndTimestampLengthFailTheRow)
{
    TStore s({Col("hora", kMyTypeTime, 10), Col("carimbo", kMyTypeTimestamp, 23)}, {});
    EXPECT_EQ(ErrorOf([&] { s.Append({"12345:00:00", kNull}); }), "Wrong time format. Field hora, value 12345:00:00");
    EXPECT_EQ(ErrorOf([&] { s.Append({kNull, "2008-03-01 14:05:09.000"}); }),
              "Invalid FIELD_TYPE_TIMESTAMP Field.Length (23)");
    s.Append({kNull, kNull});  // a NULL needs no layout
    EXPECT_EQ(s.Rows->RecordCount(), 1);
}

TEST(Fields, BitValues)
{
    TStore s({Col("bits", kMyTypeBit, 16, kMyFlagUnsigned)}, {{std::string("\x01\x02", 2)}});
    EXPECT_EQ(s[0].DataType(), ftLargeint);
    EXPECT_EQ(s[0].AsLargeint(), 258);
    EXPECT_EQ(s[0].AsString(), "258");
}

TEST(Fields, ExactNumbersKeepTheirDigits)
{
    TMyTypeOptions o;
    o.NumericType = TNumericType::ntBCD;
    TStore s({Col("v", kMyTypeNewDecimal, 14, 0, 2)}, {{"1234.50"}, {"-0.00005"}, {"0.00015"}}, o);
    TScopedFormatSettings comma(WithSeparator(','));
    EXPECT_EQ(s[0].DataType(), ftBCD);
    EXPECT_EQ(s[0].AsString(), "1234,50");
    EXPECT_EQ(s[0].AsFloat(), 1234.5);
    EXPECT_EQ(s[0].AsCurrency(), TCurrency::FromScaled(12345000));
    s.Rows->Next();
    EXPECT_EQ(s[0].AsCurrency(), TCurrency::FromScaled(0));
    s.Rows->Next();
    EXPECT_EQ(s[0].AsCurrency(), TCurrency::FromScaled(2));

    // beyond the currency range: a conversion error, not a wrapped number
    o.NumericType = TNumericType::ntFmtBCD;
    TStore huge({Col("v", kMyTypeNewDecimal, 40, 0, 0)}, {{"1844674407370955161600000"}}, o);
    EXPECT_EQ(huge[0].DataType(), ftFMTBcd);
    EXPECT_EQ(huge[0].AsFloat(), 1.8446744073709552e24);
    EXPECT_THROW(huge[0].AsCurrency(), EConvertError);
}

TEST(Fields, CursorOverNoRows)
{
    TStore s({Col("v", kMyTypeLong, 11)}, {});
    EXPECT_TRUE(s.Rows->Eof());
    EXPECT_EQ(s.Rows->RecordCount(), 0);
    s.Rows->Next();
    s.Rows->First();
    EXPECT_TRUE(s.Rows->Eof());
    EXPECT_TRUE(s[0].IsNull());
    EXPECT_EQ(s[0].AsInteger(), 0);
}

TEST(Fields, CursorOverThreeRows)
{
    TStore s({Col("v", kMyTypeLong, 11)}, {{"1"}, {"2"}, {"3"}});
    EXPECT_FALSE(s.Rows->Eof());
    EXPECT_EQ(s[0].AsInteger(), 1);
    s.Rows->Next();
    s.Rows->Next();
    EXPECT_EQ(s[0].AsInteger(), 3);
    EXPECT_FALSE(s.Rows->Eof());
    s.Rows->Next();
    EXPECT_TRUE(s.Rows->Eof());
    EXPECT_EQ(s[0].AsInteger(), 3);
    s.Rows->First();
    EXPECT_FALSE(s.Rows->Eof());
    EXPECT_EQ(s[0].AsInteger(), 1);
}

TEST(Fields, RowsSpanManyBlocks)
{
    TStore s({Col("n", kMyTypeLong, 11), Col("t", kMyTypeVarString, 20)}, {}, {}, 7);
    for (int i = 0; i < 5000; ++i) s.Append({std::to_string(i), "linha " + std::to_string(i)});
    s.Rows->First();
    EXPECT_EQ(s.Rows->RecordCount(), 5000);
    EXPECT_EQ(s.Rows->BlockCount(), (5000u + 6) / 7);
    int seen = 0;
    while (!s.Rows->Eof()) {
        ASSERT_EQ(s[0].AsInteger(), seen);
        ASSERT_EQ(s[1].AsString(), "linha " + std::to_string(seen));
        ++seen;
        s.Rows->Next();
    }
    EXPECT_EQ(seen, 5000);  // Eof comes with the Next on the last row, which stays current
    EXPECT_EQ(s[0].AsInteger(), 4999);
}

}  // namespace
}  // namespace tarrow::test
