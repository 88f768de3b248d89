#include "dataaccess/FieldTypes.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <array>

namespace tarrow {

std::string_view FieldTypeName(TFieldType type)
{
    static constexpr std::array<std::string_view, 38> kNames = {
        "ftUnknown",   "ftString",   "ftSmallint",   "ftInteger",     "ftWord",      "ftBoolean",
        "ftFloat",     "ftCurrency", "ftBCD",        "ftDate",        "ftTime",      "ftDateTime",
        "ftBytes",     "ftVarBytes", "ftAutoInc",    "ftBlob",        "ftMemo",      "ftGraphic",
        "ftFmtMemo",   "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor",    "ftFixedChar",
        "ftWideString", "ftLargeint", "ftADT",       "ftArray",       "ftReference", "ftDataSet",
        "ftOraBlob",   "ftOraClob",  "ftVariant",    "ftInterface",   "ftIDispatch", "ftGuid",
        "ftTimeStamp", "ftFMTBcd",
    };
    const auto index = static_cast<std::size_t>(type);
    return index < kNames.size() ? kNames[index] : "ftUnknown";
}

namespace {

bool IsBlobType(std::uint8_t type)
{
    return (type >= kMyTypeTinyBlob && type <= kMyTypeBlob) || type == kMyTypeGeometry;
}

// The type table: field type and conversion of a column from its description alone.
void ApplyTypeTable(const TMyColumn& c, const TMyTypeOptions& o, TMySQLFieldDesc& d)
{
    const bool isUnsigned = (c.Flags & kMyFlagUnsigned) != 0;
    const bool isBinary = (c.Flags & kMyFlagBinary) != 0;
    const bool rawBytes = isBinary && c.Charset == kMyCharsetBinary && !o.BinaryAsString;
    using enum TFieldType;
    switch (c.Type) {
    case kMyTypeDecimal:
    case kMyTypeNewDecimal:
        switch (o.NumericType) {
        case TNumericType::ntFloat:
            d.DataType = ftFloat;
            d.Conversion = TMyConversion::Float;
            break;
        case TNumericType::ntFmtBCD:
            d.DataType = ftFMTBcd;
            d.Conversion = TMyConversion::Decimal;
            break;
        case TNumericType::ntBCD: {
            // A BCD field holds at most 14 integer digits and 4 decimals.
            const int digits = static_cast<int>(c.Length) - 1 - (c.Decimals > 0 ? 1 : 0);
            d.DataType = (digits <= 14 && c.Decimals <= 4) ? ftBCD : ftFloat;
            d.Conversion = d.DataType == ftBCD ? TMyConversion::Decimal : TMyConversion::Float;
            break;
        }
        }
        break;
    case kMyTypeTiny:
        if (c.Length == 1 && o.EnableBoolean) {
            d.DataType = ftBoolean;
            d.Conversion = TMyConversion::Boolean;
        } else {
            d.DataType = isUnsigned ? ftWord : ftSmallint;
            d.Conversion = isUnsigned ? TMyConversion::UInt16 : TMyConversion::Int16;
        }
        break;
    case kMyTypeShort:
        d.DataType = isUnsigned ? ftWord : ftSmallint;
        d.Conversion = isUnsigned ? TMyConversion::UInt16 : TMyConversion::Int16;
        break;
    case kMyTypeLong:
        d.DataType = isUnsigned ? ftLargeint : ftInteger;
        d.Conversion = isUnsigned ? TMyConversion::UInt32 : TMyConversion::Int32;
        break;
    case kMyTypeFloat:
    case kMyTypeDouble:
        d.DataType = ftFloat;
        d.Conversion = TMyConversion::Float;
        break;
    case kMyTypeNull:
        d.DataType = ftString;
        d.Conversion = TMyConversion::Text;
        break;
    case kMyTypeTimestamp:
        d.DataType = ftDateTime;
        d.Conversion = TMyConversion::Timestamp;
        break;
    case kMyTypeDateTime:
        d.DataType = ftDateTime;
        d.Conversion = TMyConversion::DateTime;
        break;
    case kMyTypeLonglong:
        if (c.Length <= 11 && o.ShortLargeint) {
            d.DataType = ftInteger;
            d.Conversion = TMyConversion::Int32;
        } else {
            d.DataType = ftLargeint;
            d.Conversion = TMyConversion::Int64;
        }
        break;
    case kMyTypeInt24:
        d.DataType = ftInteger;
        d.Conversion = TMyConversion::Int32;
        break;
    case kMyTypeDate:
    case kMyTypeNewDate:
        d.DataType = ftDate;
        d.Conversion = TMyConversion::Date;
        break;
    case kMyTypeTime:
        d.DataType = ftTime;
        d.Conversion = TMyConversion::Time;
        break;
    case kMyTypeYear:
        d.DataType = ftWord;
        d.Conversion = TMyConversion::UInt16;
        break;
    case kMyTypeVarchar:
    case kMyTypeVarString:
        d.DataType = rawBytes ? ftVarBytes : ftString;
        d.Conversion = TMyConversion::Text;
        break;
    case kMyTypeBit:
        d.DataType = (c.Length <= 11 && o.ShortLargeint) ? ftInteger : ftLargeint;
        d.Conversion = TMyConversion::Bit;
        break;
    case kMyTypeEnum:
    case kMyTypeSet:
        d.DataType = ftString;
        d.Conversion = TMyConversion::Text;
        break;
    case kMyTypeString:
        d.DataType = rawBytes ? ftBytes : ftString;
        d.Fixed = !rawBytes;
        d.Conversion = TMyConversion::Text;
        break;
    case kMyTypeTinyBlob:
    case kMyTypeMediumBlob:
    case kMyTypeLongBlob:
    case kMyTypeBlob:
    case kMyTypeGeometry:
        d.DataType = isBinary ? ftBlob : ftMemo;
        d.Conversion = TMyConversion::Text;
        break;
    default:
        throw EDatabaseError("Unknown MySQL datatype (" + std::to_string(c.Type) + ")");
    }
    if (o.UseUnicode && d.DataType == ftString) d.DataType = ftWideString;
}

bool IsTextOrBytes(TFieldType type)
{
    using enum TFieldType;
    return type == ftString || type == ftWideString || type == ftBytes || type == ftVarBytes;
}

}  // namespace

TMySQLFieldDesc DescribeColumn(const TMyColumn& column, const TMyTypeOptions& options)
{
    TMySQLFieldDesc desc;
    desc.Name = options.UseUnicode ? column.Name : Cp1252ToUtf8(column.Name);
    desc.MySQLType = column.Type;
    desc.Length = column.Length;
    desc.Decimals = column.Decimals;
    desc.Utf8 = options.UseUnicode;
    const bool isBinary = (column.Flags & kMyFlagBinary) != 0;

    if (options.FieldsAsString && !IsBlobType(column.Type)) {
        desc.DataType = options.UseUnicode ? TFieldType::ftWideString : TFieldType::ftString;
        desc.Conversion = TMyConversion::Text;
        desc.Fixed = column.Type == kMyTypeString;
    } else {
        ApplyTypeTable(column, options, desc);
    }

    // An expression of VARCHAR 65535 is the server's way of saying "text of any length".
    if (column.Type == kMyTypeVarString && column.Length == 65535 && column.Table.empty()) {
        desc.DataType = isBinary ? TFieldType::ftBlob : TFieldType::ftMemo;
        desc.Fixed = false;
    }
    if (!options.LongStrings && column.Length > 256 &&
        (desc.DataType == TFieldType::ftString || desc.DataType == TFieldType::ftWideString)) {
        desc.DataType = TFieldType::ftMemo;
        desc.Fixed = false;
    }

    if (IsTextOrBytes(desc.DataType)) {
        std::uint32_t size = column.Length;
        if (options.UseUnicode && desc.DataType == TFieldType::ftWideString && !isBinary) size /= 3;
        desc.Size = size < 1 ? 1 : static_cast<int>(size);
    }
    const bool shortText = desc.Size >= 1 && desc.Size < 32;
    if (desc.DataType == TFieldType::ftString || desc.DataType == TFieldType::ftWideString) {
        desc.TrimTrailing = desc.Fixed ? (options.TrimFixedChar && shortText) : options.TrimVarChar;
    }
    return desc;
}

}  // namespace tarrow
