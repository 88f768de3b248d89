#pragma once
// Field types, and the rule that gives a result column its field type from what the server says
// about the column (type code, flags, length, decimals, character set).

#include <cstdint>
#include <string>
#include <string_view>

namespace tarrow {

// Ordinals follow the general dataset framework's enumeration; callers compare against
// ftString (1), ftInteger (3) and ftLargeint (25) by number as well as by name.
enum class TFieldType : int {
    ftUnknown = 0,
    ftString = 1,
    ftSmallint = 2,
    ftInteger = 3,
    ftWord = 4,
    ftBoolean = 5,
    ftFloat = 6,
    ftCurrency = 7,
    ftBCD = 8,
    ftDate = 9,
    ftTime = 10,
    ftDateTime = 11,
    ftBytes = 12,
    ftVarBytes = 13,
    ftAutoInc = 14,
    ftBlob = 15,
    ftMemo = 16,
    ftGraphic = 17,
    ftFmtMemo = 18,
    ftParadoxOle = 19,
    ftDBaseOle = 20,
    ftTypedBinary = 21,
    ftCursor = 22,
    ftFixedChar = 23,
    ftWideString = 24,
    ftLargeint = 25,
    ftADT = 26,
    ftArray = 27,
    ftReference = 28,
    ftDataSet = 29,
    ftOraBlob = 30,
    ftOraClob = 31,
    ftVariant = 32,
    ftInterface = 33,
    ftIDispatch = 34,
    ftGuid = 35,
    ftTimeStamp = 36,
    ftFMTBcd = 37,
};

// "ftString" and the like, for messages and test output.
std::string_view FieldTypeName(TFieldType type);

// Column type numbers of the text protocol.
enum : std::uint8_t {
    kMyTypeDecimal = 0,
    kMyTypeTiny = 1,
    kMyTypeShort = 2,
    kMyTypeLong = 3,
    kMyTypeFloat = 4,
    kMyTypeDouble = 5,
    kMyTypeNull = 6,
    kMyTypeTimestamp = 7,
    kMyTypeLonglong = 8,
    kMyTypeInt24 = 9,
    kMyTypeDate = 10,
    kMyTypeTime = 11,
    kMyTypeDateTime = 12,
    kMyTypeYear = 13,
    kMyTypeNewDate = 14,
    kMyTypeVarchar = 15,
    kMyTypeBit = 16,
    kMyTypeNewDecimal = 246,
    kMyTypeEnum = 247,
    kMyTypeSet = 248,
    kMyTypeTinyBlob = 249,
    kMyTypeMediumBlob = 250,
    kMyTypeLongBlob = 251,
    kMyTypeBlob = 252,
    kMyTypeVarString = 253,
    kMyTypeString = 254,
    kMyTypeGeometry = 255,
};

inline constexpr int kMyFlagUnsigned = 32;
inline constexpr int kMyFlagBinary = 128;
inline constexpr int kMyCharsetBinary = 63;

enum class TNumericType { ntFloat, ntBCD, ntFmtBCD };

// A result column as this layer sees it. Texts are as the server sent them (code-page bytes).
struct TMyColumn {
    std::string Name;
    std::string Table;  // empty for an expression
    std::uint8_t Type = 0;
    int Flags = 0;
    std::uint32_t Length = 0;  // display length in bytes, at most 65535
    int Decimals = 0;
    int Charset = 0;
};

// The options, of the connection and of the query, that decide field types and conversions.
struct TMyTypeOptions {
    // connection
    TNumericType NumericType = TNumericType::ntFloat;
    bool ShortLargeint = false;  // LONGLONG and BIT of length 11 or less as 32-bit integers
    bool UseUnicode = false;
    bool ZeroDateTimeAsNull = false;  // a valid date-time number 0 (1899-12-30 00:00) as NULL
    // query
    bool EnableBoolean = true;
    bool BinaryAsString = true;
    bool FieldsAsString = false;
    bool NullForZeroDate = true;
    bool LongStrings = true;
    bool TrimFixedChar = true;
    bool TrimVarChar = false;
};

// How the text of a column becomes its stored value.
enum class TMyConversion {
    Int16,          // signed 16-bit accumulation
    UInt16,         // unsigned 16-bit accumulation
    Int32,          // 32-bit accumulation
    UInt32,         // 64-bit accumulation stored as unsigned 32-bit, read widened
    Int64,          // 64-bit accumulation
    Bit,            // big-endian bytes as an unsigned number
    Boolean,        // an integer, non-zero is true
    Float,          // the locale-free float parser
    Decimal,        // exact text of a DECIMAL kept as it came (BCD fields)
    Date,           // YYYY-MM-DD
    DateTime,       // YYYY-MM-DD HH:NN:SS
    Timestamp,      // by the column length
    Time,           // [-]H[HH]:MM:SS
    Text,           // bytes as received
};

// One column's descriptor: its field type and how its values are read.
struct TMySQLFieldDesc {
    std::string Name;  // UTF-8
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;         // text and byte fields; 0 for the others
    bool Fixed = false;   // type 254
    std::uint8_t MySQLType = 0;
    std::uint32_t Length = 0;
    int Decimals = 0;
    TMyConversion Conversion = TMyConversion::Text;
    bool TrimTrailing = false;  // trailing blanks and NULs dropped as the value is stored
    bool Utf8 = false;          // text arrives in UTF-8 (UseUnicode), not in the code page
};

// The field type and descriptor of a column. Raises EDatabaseError "Unknown MySQL datatype (n)"
// for a type code the table does not know.
TMySQLFieldDesc DescribeColumn(const TMyColumn& column, const TMyTypeOptions& options);

}  // namespace tarrow
