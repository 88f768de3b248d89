#include "dataaccess/FieldTypes.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

namespace tarrow::test {
namespace {

using enum TFieldType;

struct TTypeCase {
    const char* Name;
    TMyColumn Column;
    TFieldType Expected;
    int Size = 0;
    bool Fixed = false;
};

constexpr int U = kMyFlagUnsigned;
constexpr int B = kMyFlagBinary;

// What the server reports for the columns of the store's schema, and the field type each gets
// with the options in force.
const TTypeCase kDefaultCases[] = {
    {"decimal 12,2", {"v", "t", kMyTypeNewDecimal, 0, 14, 2, 8}, ftFloat},
    {"old decimal", {"v", "t", kMyTypeDecimal, 0, 10, 0, 8}, ftFloat},
    {"tinyint(1)", {"v", "t", kMyTypeTiny, 0, 1, 0, 63}, ftBoolean},
    {"tinyint(4)", {"v", "t", kMyTypeTiny, 0, 4, 0, 63}, ftSmallint},
    {"tinyint unsigned", {"v", "t", kMyTypeTiny, U, 3, 0, 63}, ftWord},
    {"smallint", {"v", "t", kMyTypeShort, 0, 6, 0, 63}, ftSmallint},
    {"smallint unsigned", {"v", "t", kMyTypeShort, U, 5, 0, 63}, ftWord},
    {"int", {"v", "t", kMyTypeLong, 0, 11, 0, 63}, ftInteger},
    {"int unsigned", {"v", "t", kMyTypeLong, U, 10, 0, 63}, ftLargeint},
    {"bigint", {"v", "t", kMyTypeLonglong, 0, 20, 0, 63}, ftLargeint},
    {"bigint(5) stays 64-bit", {"v", "t", kMyTypeLonglong, 0, 5, 0, 63}, ftLargeint},
    {"mediumint", {"v", "t", kMyTypeInt24, 0, 9, 0, 63}, ftInteger},
    {"mediumint unsigned", {"v", "t", kMyTypeInt24, U, 8, 0, 63}, ftInteger},
    {"float", {"v", "t", kMyTypeFloat, 0, 12, 31, 63}, ftFloat},
    {"double", {"v", "t", kMyTypeDouble, 0, 22, 31, 63}, ftFloat},
    {"null column", {"v", "", kMyTypeNull, 0, 0, 0, 63}, ftString, 1},
    {"timestamp", {"v", "t", kMyTypeTimestamp, 0, 19, 0, 63}, ftDateTime},
    {"datetime", {"v", "t", kMyTypeDateTime, 0, 19, 0, 63}, ftDateTime},
    {"date", {"v", "t", kMyTypeDate, 0, 10, 0, 63}, ftDate},
    {"newdate", {"v", "t", kMyTypeNewDate, 0, 10, 0, 63}, ftDate},
    {"time", {"v", "t", kMyTypeTime, 0, 10, 0, 63}, ftTime},
    {"year", {"v", "t", kMyTypeYear, U, 4, 0, 63}, ftWord},
    {"varchar", {"v", "t", kMyTypeVarString, 0, 40, 0, 8}, ftString, 40},
    {"old varchar", {"v", "t", kMyTypeVarchar, 0, 40, 0, 8}, ftString, 40},
    {"varbinary as text", {"v", "t", kMyTypeVarString, B, 16, 0, 63}, ftString, 16},
    {"quoted literal \"0\"", {"pendencia", "", kMyTypeVarString, 0, 1, 0, 8}, ftString, 1},
    {"bit(8)", {"v", "t", kMyTypeBit, U, 8, 0, 63}, ftLargeint},
    {"enum", {"v", "t", kMyTypeEnum, 0, 1, 0, 8}, ftString, 1},
    {"set", {"v", "t", kMyTypeSet, 0, 5, 0, 8}, ftString, 5},
    {"char(10)", {"v", "t", kMyTypeString, 0, 10, 0, 8}, ftString, 10, true},
    {"binary as text", {"v", "t", kMyTypeString, B, 4, 0, 63}, ftString, 4, true},
    {"text", {"v", "t", kMyTypeBlob, 0, 65535, 0, 8}, ftMemo},
    {"blob", {"v", "t", kMyTypeBlob, B, 65535, 0, 63}, ftBlob},
    {"tinyblob", {"v", "t", kMyTypeTinyBlob, B, 255, 0, 63}, ftBlob},
    {"mediumtext", {"v", "t", kMyTypeMediumBlob, 0, 65535, 0, 8}, ftMemo},
    {"longblob", {"v", "t", kMyTypeLongBlob, B, 65535, 0, 63}, ftBlob},
    {"geometry", {"v", "t", kMyTypeGeometry, B, 65535, 0, 63}, ftBlob},
    {"expression of varchar 65535", {"v", "", kMyTypeVarString, 0, 65535, 0, 8}, ftMemo},
    {"binary expression of 65535", {"v", "", kMyTypeVarString, B, 65535, 0, 63}, ftBlob},
    {"table column of varchar 65535", {"v", "t", kMyTypeVarString, 0, 65535, 0, 8}, ftString, 65535},
};

TEST(FieldTypes, EachColumnOfTheTypeTableGetsItsFieldType)
{
    for (const auto& c : kDefaultCases) {
        const auto desc = DescribeColumn(c.Column, TMyTypeOptions{});
        EXPECT_EQ(desc.DataType, c.Expected) << c.Name << ": " << FieldTypeName(desc.DataType);
        EXPECT_EQ(desc.Size, c.Size) << c.Name;
        EXPECT_EQ(desc.Fixed, c.Fixed) << c.Name;
        EXPECT_EQ(desc.MySQLType, c.Column.Type) << c.Name;
    }
}

TEST(FieldTypes, OrdinalsTheRelayComparesAgainst)
{
    EXPECT_EQ(static_cast<int>(ftString), 1);
    EXPECT_EQ(static_cast<int>(ftInteger), 3);
    EXPECT_EQ(static_cast<int>(ftLargeint), 25);
    EXPECT_EQ(FieldTypeName(ftLargeint), "ftLargeint");
}

TEST(FieldTypes, UnknownTypeCodeStopsTheOpen)
{
    try {
        DescribeColumn({"j", "t", 245, 0, 10, 0, 8}, TMyTypeOptions{});
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Unknown MySQL datatype (245)");
    }
}

TEST(FieldTypes, OptionsThatAreNotInForceChangeTheTable)
{
    TMyTypeOptions o;
    o.EnableBoolean = false;
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeTiny, 0, 1, 0, 63}, o).DataType, ftSmallint);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeTiny, U, 1, 0, 63}, o).DataType, ftWord);

    o = {};
    o.ShortLargeint = true;
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeLonglong, 0, 11, 0, 63}, o).DataType, ftInteger);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeLonglong, 0, 12, 0, 63}, o).DataType, ftLargeint);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeBit, U, 8, 0, 63}, o).DataType, ftInteger);

    o = {};
    o.BinaryAsString = false;
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeVarString, B, 16, 0, 63}, o).DataType, ftVarBytes);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeString, B, 16, 0, 63}, o).DataType, ftBytes);
    EXPECT_FALSE(DescribeColumn({"v", "t", kMyTypeString, B, 16, 0, 63}, o).Fixed);
    // binary collation of a text column is not a byte string
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeVarString, B, 16, 0, 8}, o).DataType, ftString);

    o = {};
    o.FieldsAsString = true;
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeLong, 0, 11, 0, 63}, o).DataType, ftString);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeLong, 0, 11, 0, 63}, o).Size, 11);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeBlob, 0, 65535, 0, 8}, o).DataType, ftMemo);

    o = {};
    o.UseUnicode = true;
    const auto wide = DescribeColumn({"v", "t", kMyTypeVarString, 0, 30, 0, 33}, o);
    EXPECT_EQ(wide.DataType, ftWideString);
    EXPECT_EQ(wide.Size, 10);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeBlob, 0, 65535, 0, 33}, o).DataType, ftMemo);

    o = {};
    o.LongStrings = false;
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeVarString, 0, 257, 0, 8}, o).DataType, ftMemo);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeVarString, 0, 256, 0, 8}, o).DataType, ftString);
}

TEST(FieldTypes, ExactNumberOptions)
{
    TMyTypeOptions o;
    o.NumericType = TNumericType::ntFmtBCD;
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeNewDecimal, 0, 14, 2, 63}, o).DataType, ftFMTBcd);
    o.NumericType = TNumericType::ntBCD;
    // 12 integer digits and 2 decimals fit; 15 integer digits or 5 decimals do not
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeNewDecimal, 0, 14, 2, 63}, o).DataType, ftBCD);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeNewDecimal, 0, 16, 0, 63}, o).DataType, ftFloat);
    EXPECT_EQ(DescribeColumn({"v", "t", kMyTypeNewDecimal, 0, 12, 5, 63}, o).DataType, ftFloat);
}

TEST(FieldTypes, ShortFixedTextIsTrimmedLongAndVariableTextIsNot)
{
    const TMyTypeOptions o;
    EXPECT_TRUE(DescribeColumn({"v", "t", kMyTypeString, 0, 10, 0, 8}, o).TrimTrailing);
    EXPECT_TRUE(DescribeColumn({"v", "t", kMyTypeString, 0, 31, 0, 8}, o).TrimTrailing);
    EXPECT_FALSE(DescribeColumn({"v", "t", kMyTypeString, 0, 32, 0, 8}, o).TrimTrailing);
    EXPECT_FALSE(DescribeColumn({"v", "t", kMyTypeVarString, 0, 10, 0, 8}, o).TrimTrailing);
    TMyTypeOptions trimVar;
    trimVar.TrimVarChar = true;
    EXPECT_TRUE(DescribeColumn({"v", "t", kMyTypeVarString, 0, 10, 0, 8}, trimVar).TrimTrailing);
}

TEST(FieldTypes, ColumnNamesArriveInTheCodePage)
{
    const auto desc = DescribeColumn({"descri\xe7\xe3o", "t", kMyTypeVarString, 0, 10, 0, 8}, TMyTypeOptions{});
    EXPECT_EQ(desc.Name, "descrição");
}

}  // namespace
}  // namespace tarrow::test
