// Field classes and getter results for every column type, as the test server reports them.
#include "tests/dataaccess/DataAccessTestSupport.h"

#include "platform/Errors.h"
#include "platform/RegionalSettings.h"

#include <typeinfo>

namespace tarrow::test {
namespace {

using enum TFieldType;

TFormatSettings Settings(char decimal)
{
    TFormatSettings s;
    s.DecimalSeparator = decimal;
    s.DateSeparator = '/';
    s.ShortDateFormat = "dd/MM/yyyy";
    s.LongTimeFormat = "HH:mm:ss";
    return s;
}

class FieldTypesDatabaseTest : public TDatabaseComponentsTest {
protected:
    void SetUp() override
    {
        db.Run(R"(
CREATE TABLE tipos (
  n INT PRIMARY KEY,
  ti TINYINT, tu TINYINT UNSIGNED, b1 TINYINT(1), si SMALLINT, su SMALLINT UNSIGNED,
  mi MEDIUMINT, mu MEDIUMINT UNSIGNED, i INT, iu INT UNSIGNED, bi BIGINT, bu BIGINT UNSIGNED,
  d0 DECIMAL(10,0), d2 DECIMAL(12,2), f FLOAT, dbl DOUBLE,
  dt DATE, tm TIME, dtm DATETIME, ts TIMESTAMP NULL DEFAULT NULL, y YEAR, bt BIT(12),
  c10 CHAR(10), c40 CHAR(40), vc VARCHAR(20), e ENUM('a','bb'), st SET('x','y','z'), tx TEXT, bl BLOB
) CHARSET latin1;
INSERT INTO tipos VALUES (1,
  -128, 255, 1, -32768, 65535, -8388608, 16777215, -2147483648, 4294967295, 4294967297, 9007199254740993,
  1234567890, 1234.50, 1.5, 2.5,
  '2008-03-01', '-838:59:59', '2008-03-01 14:05:09', '2008-03-01 14:05:09', 2024, b'101',
  'abc', 'xyz', 'abc   ', 'bb', 'x,z', CONCAT('texto ', CHAR(231)), 'bytes');
INSERT INTO tipos (n) VALUES (2);
SET SESSION sql_mode = '';
INSERT INTO tipos (n, dt, tm, dtm, ts, d2, dbl) VALUES (3, '0000-00-00', '00:00:00', '0000-00-00 00:00:00', '0000-00-00 00:00:00', 3.50, 1e-5);
)");
    }

    void Open(const std::string& sql)
    {
        query.Close();
        query.SetSQL(sql);
        query.Open();
    }
    TField& F(const char* name) { return query.FieldByName(name); }
};

TEST_F(FieldTypesDatabaseTest, EveryColumnTypeGetsItsFieldClass)
{
    Open("SELECT *, d2 * d2 AS produto, \"0\" AS pendencia, NULL AS nada FROM tipos WHERE n = 1");
    struct {
        const char* Name;
        TFieldType Type;
        const std::type_info& Class;
    } expected[] = {
        {"ti", ftSmallint, typeid(TSmallintField)},   {"tu", ftWord, typeid(TWordField)},
        {"b1", ftBoolean, typeid(TBooleanField)},     {"si", ftSmallint, typeid(TSmallintField)},
        {"su", ftWord, typeid(TWordField)},           {"mi", ftInteger, typeid(TIntegerField)},
        {"mu", ftInteger, typeid(TIntegerField)},     {"i", ftInteger, typeid(TIntegerField)},
        {"iu", ftLargeint, typeid(TLargeintField)},   {"bi", ftLargeint, typeid(TLargeintField)},
        {"bu", ftLargeint, typeid(TLargeintField)},   {"d0", ftFloat, typeid(TFloatField)},
        {"d2", ftFloat, typeid(TFloatField)},         {"produto", ftFloat, typeid(TFloatField)},
        {"f", ftFloat, typeid(TFloatField)},          {"dbl", ftFloat, typeid(TFloatField)},
        {"dt", ftDate, typeid(TDateField)},           {"tm", ftTime, typeid(TTimeField)},
        {"dtm", ftDateTime, typeid(TDateTimeField)},  {"ts", ftDateTime, typeid(TDateTimeField)},
        {"y", ftWord, typeid(TWordField)},            {"bt", ftLargeint, typeid(TLargeintField)},
        {"c10", ftString, typeid(TStringField)},      {"c40", ftString, typeid(TStringField)},
        {"vc", ftString, typeid(TStringField)},       {"e", ftString, typeid(TStringField)},
        {"st", ftString, typeid(TStringField)},       {"tx", ftMemo, typeid(TMemoField)},
        {"bl", ftBlob, typeid(TBlobField)},           {"pendencia", ftString, typeid(TStringField)},
        {"nada", ftString, typeid(TStringField)},
    };
    for (const auto& e : expected) {
        const TField& field = F(e.Name);
        EXPECT_EQ(field.DataType(), e.Type) << e.Name << ": " << FieldTypeName(field.DataType());
        EXPECT_EQ(typeid(field), e.Class) << e.Name;
    }
    EXPECT_EQ(F("pendencia").Size(), 1);
    EXPECT_EQ(F("vc").Size(), 20);
}

TEST_F(FieldTypesDatabaseTest, GetterResultsWithEitherDecimalSeparator)
{
    Open("SELECT *, d2 * d2 AS produto, \"0\" AS pendencia FROM tipos WHERE n = 1");
    EXPECT_EQ(F("ti").AsInteger(), -128);
    EXPECT_EQ(F("tu").AsInteger(), 255);
    EXPECT_EQ(F("b1").AsString(), "True");
    EXPECT_EQ(F("si").AsString(), "-32768");
    EXPECT_EQ(F("su").AsInteger(), 65535);
    EXPECT_EQ(F("mi").AsInteger(), -8388608);
    EXPECT_EQ(F("mu").AsInteger(), 16777215);
    EXPECT_EQ(F("i").AsInteger(), INT32_MIN);
    EXPECT_EQ(F("iu").AsLargeint(), 4294967295);
    EXPECT_EQ(F("iu").AsString(), "4294967295");
    EXPECT_EQ(F("bi").AsLargeint(), 4294967297);
    EXPECT_EQ(F("bi").AsInteger(), 1);
    EXPECT_EQ(F("bu").AsLargeint(), 9007199254740993);
    EXPECT_EQ(F("d0").AsFloat(), 1234567890);
    EXPECT_EQ(F("d2").AsFloat(), 1234.5);
    EXPECT_EQ(F("d2").AsCurrency(), TCurrency::FromScaled(12345000));
    EXPECT_EQ(F("d2").AsInteger(), 1234);
    EXPECT_DOUBLE_EQ(F("produto").AsFloat(), 1523990.25);
    EXPECT_EQ(F("dt").AsDateTime(), EncodeDate(2008, 3, 1));
    EXPECT_LT(F("tm").AsDateTime(), -34);
    EXPECT_DOUBLE_EQ(F("tm").AsDateTime(), -(838 / 24.0 + (59 * 60 + 59) / 86400.0));
    const TDateTime at = EncodeDate(2008, 3, 1) + EncodeTime(14, 5, 9, 0);
    EXPECT_DOUBLE_EQ(F("dtm").AsDateTime(), at);
    EXPECT_DOUBLE_EQ(F("ts").AsDateTime(), at);
    EXPECT_EQ(F("y").AsInteger(), 2024);
    EXPECT_EQ(F("bt").AsLargeint(), 5);
    EXPECT_EQ(F("vc").AsString(), "abc   ");
    EXPECT_EQ(F("e").AsString(), "bb");
    EXPECT_EQ(F("st").AsString(), "x,z");
    EXPECT_EQ(F("tx").AsString(), "texto ç");
    EXPECT_EQ(F("bl").AsString(), "bytes");
    EXPECT_EQ(F("pendencia").AsString(), "0");
    EXPECT_EQ(F("pendencia").AsInteger(), 0);
    EXPECT_EQ(ErrorOf([&] { F("b1").AsInteger(); }), "Cannot access field 'b1' as type Integer");
    EXPECT_EQ(ErrorOf([&] { F("dtm").AsInteger(); }), "Cannot access field 'dtm' as type Integer");
    EXPECT_EQ(ErrorOf([&] { F("i").AsDateTime(); }), "Cannot access field 'i' as type DateTime");
    EXPECT_EQ(ErrorOf([&] { F("vc").AsInteger(); }), "'abc   ' is not a valid integer value");

    {
        TScopedFormatSettings comma(Settings(','));
        EXPECT_EQ(F("d2").AsString(), "1234,5");
        EXPECT_EQ(F("f").AsString(), "1,5");
        EXPECT_EQ(F("produto").AsString(), "1523990,25");
        EXPECT_EQ(F("dt").AsString(), "01/03/2008");
        EXPECT_EQ(F("dtm").AsString(), "01/03/2008 14:05:09");
    }
    {
        TScopedFormatSettings dot(Settings('.'));
        EXPECT_EQ(F("d2").AsString(), "1234.5");
        EXPECT_EQ(F("dbl").AsString(), "2.5");
        EXPECT_EQ(F("d0").AsString(), "1234567890");
    }
}

TEST_F(FieldTypesDatabaseTest, NullGivesEmptyTextAndZero)
{
    Open("SELECT * FROM tipos WHERE n = 2");
    for (int i = 1; i < query.FieldCount(); ++i) {
        const TField& field = query.Fields(i);
        EXPECT_TRUE(field.IsNull()) << field.FieldName();
        EXPECT_EQ(field.AsString(), "") << field.FieldName();
    }
    for (const char* numeric : {"ti", "tu", "si", "su", "mi", "mu", "i", "iu", "bi", "bu", "d0", "d2", "f", "dbl", "y", "bt"}) {
        EXPECT_EQ(F(numeric).AsInteger(), 0) << numeric;
        EXPECT_EQ(F(numeric).AsCurrency(), TCurrency{}) << numeric;
    }
    EXPECT_EQ(F("dtm").AsDateTime(), 0);
    EXPECT_EQ(F("dt").AsDateTime(), 0);
    EXPECT_EQ(F("bi").AsLargeint(), 0);
    EXPECT_EQ(ErrorOf([&] { F("vc").AsInteger(); }), "'' is not a valid integer value");
}

TEST_F(FieldTypesDatabaseTest, ZeroDatesReadAsNull)
{
    Open("SELECT dt, tm, dtm, ts, d2, dbl FROM tipos WHERE n = 3");
    EXPECT_TRUE(F("dt").IsNull());
    EXPECT_TRUE(F("dtm").IsNull());
    EXPECT_TRUE(F("ts").IsNull());
    EXPECT_EQ(F("dtm").AsDateTime(), 0);
    EXPECT_EQ(F("dtm").AsString(), "");
    EXPECT_FALSE(F("tm").IsNull());  // midnight is a time, not a zero date
    EXPECT_EQ(F("tm").AsDateTime(), 0);
    EXPECT_EQ(F("d2").AsInteger(), 4);  // 3.50: halves to the even neighbour
    TScopedFormatSettings comma(Settings(','));
    EXPECT_EQ(F("dbl").AsString(), "1E-5");

    query.Options.NullForZeroDate = false;
    Open("SELECT dt, dtm FROM tipos WHERE n = 3");
    EXPECT_EQ(F("dt").AsDateTime(), -693593);
    EXPECT_EQ(F("dtm").AsDateTime(), -693593);
}

TEST_F(FieldTypesDatabaseTest, HalvesRoundToEven)
{
    Open("SELECT CAST(2.5 AS DECIMAL(3,1)) AS a, CAST(3.5 AS DECIMAL(3,1)) AS b, -2.5 AS c, 0.00005 AS d");
    EXPECT_EQ(F("a").AsInteger(), 2);
    EXPECT_EQ(F("b").AsInteger(), 4);
    EXPECT_EQ(F("c").AsInteger(), -2);
    EXPECT_EQ(F("b").AsCurrency(), TCurrency::FromScaled(35000));
    EXPECT_EQ(F("d").DataType(), ftFloat);
}

TEST_F(FieldTypesDatabaseTest, FixedTextLosesTheBlanksTheServerPadsItWith)
{
    // Without PAD_CHAR_TO_FULL_LENGTH the server strips trailing blanks of CHAR values itself.
    command.SetSQL("SET SESSION sql_mode = CONCAT(@@sql_mode, ',PAD_CHAR_TO_FULL_LENGTH')");
    command.Execute();
    Open("SELECT c10, c40, vc, CONCAT(c10, '|') AS marca FROM tipos WHERE n = 1");
    EXPECT_EQ(F("marca").AsString(), "abc       |");  // the server did pad
    EXPECT_EQ(F("c10").AsString(), "abc");
    EXPECT_EQ(F("c40").AsString(), "xyz" + std::string(37, ' '));
    EXPECT_EQ(F("vc").AsString(), "abc   ");
    query.Options.TrimFixedChar = false;
    Open("SELECT c10 FROM tipos WHERE n = 1");
    EXPECT_EQ(F("c10").AsString(), "abc       ");
}

TEST_F(FieldTypesDatabaseTest, ExpressionOfVarchar65535IsAMemo)
{
    // In UTF-8 a VARCHAR(30000) expression is 90000 bytes long, reported as 65535.
    db.Run("CREATE TABLE longo (v VARCHAR(30000)) CHARSET latin1; INSERT INTO longo VALUES (REPEAT('a', 20000))");
    connection.Options().SetUseUnicode(true);
    Open("SELECT CONCAT(v) AS expr, v FROM longo");
    EXPECT_EQ(F("expr").DataType(), ftMemo);
    EXPECT_EQ(F("expr").AsString(), std::string(20000, 'a'));
    EXPECT_EQ(F("v").DataType(), ftWideString);
}

TEST_F(FieldTypesDatabaseTest, WideTextIsCutByCharactersNeverInsideOne)
{
    // Ten euro signs fill a VARCHAR(10) in ten characters and 30 bytes.
    db.Run("CREATE TABLE euro (v VARCHAR(10)) CHARSET utf8; "
           "INSERT INTO euro VALUES (REPEAT(CONVERT(X'E282AC' USING utf8), 10))");
    connection.Options().SetUseUnicode(true);
    Open("SELECT v FROM euro");
    EXPECT_EQ(F("v").Size(), 10);
    std::string euros;
    for (int i = 0; i < 10; ++i) euros += "\u20ac";
    EXPECT_EQ(F("v").AsString(), euros);
}

TEST_F(FieldTypesDatabaseTest, ExactNumberOption)
{
    connection.Options().NumericType = TNumericType::ntBCD;
    Open("SELECT d2 FROM tipos WHERE n = 1");
    EXPECT_EQ(F("d2").DataType(), ftBCD);
    EXPECT_EQ(F("d2").AsCurrency(), TCurrency::FromScaled(12345000));
    TScopedFormatSettings comma(Settings(','));
    EXPECT_EQ(F("d2").AsString(), "1234,50");
}

}  // namespace
}  // namespace tarrow::test
