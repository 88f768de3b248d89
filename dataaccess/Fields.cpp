#include "dataaccess/Fields.h"

#include "dataaccess/MySQLRecordset.h"
#include "dataaccess/MyValueParsers.h"
#include "dataaccess/TextConversions.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/RegionalSettings.h"

#include <cmath>

namespace tarrow {

namespace {

// A rounded float as a 64-bit integer; values beyond the type have no integer reading.
std::int64_t RoundedToInt64(double value, std::string_view kind)
{
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0))
        throw EConvertError(std::string("Floating point value out of range for ") + std::string(kind));
    return static_cast<std::int64_t>(rounded);
}

}  // namespace

// ---- TField

TField::TField(const TMySQLRecordset& rows, int index) : rows_(rows), index_(index) {}

const TMySQLFieldDesc& TField::Desc() const noexcept { return rows_.Fields()[static_cast<std::size_t>(index_)]; }
const std::string& TField::FieldName() const noexcept { return Desc().Name; }
TFieldType TField::DataType() const noexcept { return Desc().DataType; }
int TField::Size() const noexcept { return Desc().Size; }
bool TField::IsNull() const noexcept { return rows_.IsNull(index_); }

std::string TField::Readable(std::string_view bytes) const
{
    return Desc().Utf8 ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

void TField::AccessError(std::string_view kind) const
{
    throw EDatabaseError("Cannot access field '" + FieldName() + "' as type " + std::string(kind));
}

std::int32_t TField::AsInteger() const { AccessError("Integer"); }
std::int64_t TField::AsLargeint() const { AccessError("Largeint"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
bool TField::AsBoolean() const { AccessError("Boolean"); }

double TField::AsFloat() const
{
    if (auto value = FloatReading()) return *value;
    AccessError("Float");
}

TCurrency TField::AsCurrency() const
{
    const auto value = FloatReading();
    if (!value) AccessError("Currency");
    return TCurrency::FromScaled(RoundedToInt64(*value * 10000.0, "Currency"));
}

// ---- text

std::string TStringField::AsString() const { return Readable(Rows().TextValue(Index())); }

std::int32_t TStringField::AsInteger() const
{
    const std::string text = AsString();
    if (auto value = TryStrToInt(text)) return *value;
    throw EConvertError("'" + text + "' is not a valid integer value");
}

std::int64_t TStringField::AsLargeint() const
{
    const std::string text = AsString();
    if (auto value = TryStrToInt64(text)) return *value;
    throw EConvertError("'" + text + "' is not a valid integer value");
}

std::optional<double> TStringField::FloatReading() const
{
    const std::string text = AsString();
    if (auto value = TryStrToFloat(text, FormatSettings())) return value;
    throw EConvertError("'" + text + "' is not a valid floating point value");
}

TDateTime TStringField::AsDateTime() const
{
    const std::string text = AsString();
    if (auto value = TryStrToDateTime(text, FormatSettings())) return *value;
    throw EConvertError("''" + text + "'' is not a valid date and time");
}

TCurrency TStringField::AsCurrency() const
{
    if (IsNull()) return {};
    return TField::AsCurrency();
}

// ---- integers

std::string TNumericIntegerField::AsString() const
{
    if (IsNull()) return {};
    return std::to_string(Rows().IntegerValue(Index()));
}

std::int32_t TNumericIntegerField::AsInteger() const
{
    // A 64-bit value gives its low 32 bits.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Rows().IntegerValue(Index())));
}

std::int64_t TNumericIntegerField::AsLargeint() const { return Rows().IntegerValue(Index()); }

std::optional<double> TNumericIntegerField::FloatReading() const
{
    return static_cast<double>(Rows().IntegerValue(Index()));
}

// ---- boolean

std::string TBooleanField::AsString() const
{
    if (IsNull()) return {};
    return Rows().IntegerValue(Index()) != 0 ? "True" : "False";
}

bool TBooleanField::AsBoolean() const { return Rows().IntegerValue(Index()) != 0; }

// ---- float

std::string TFloatField::AsString() const
{
    if (IsNull()) return {};
    return FloatToStrGeneral(Rows().FloatValue(Index()), FormatSettings().DecimalSeparator);
}

std::int32_t TFloatField::AsInteger() const
{
    const auto value = RoundedToInt64(Rows().FloatValue(Index()), "Integer");
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int64_t TFloatField::AsLargeint() const { return RoundedToInt64(Rows().FloatValue(Index()), "Largeint"); }

std::optional<double> TFloatField::FloatReading() const { return Rows().FloatValue(Index()); }

// ---- exact numbers

std::string TBCDField::AsString() const
{
    std::string text(Rows().TextValue(Index()));
    for (char& c : text)
        if (c == '.') c = FormatSettings().DecimalSeparator;
    return text;
}

std::optional<double> TBCDField::FloatReading() const
{
    if (IsNull()) return 0.0;
    const std::string_view text = Rows().TextValue(Index());
    if (auto value = ParseMyFloat(text)) return value;
    throw EConvertError("'" + std::string(FloatErrorText(text)) + "' is not a valid floating point value");
}

TCurrency TBCDField::AsCurrency() const
{
    // Exact: the decimal digits scaled to four places, the fifth and later rounded half to even.
    const std::string_view text = Rows().TextValue(Index());
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+')) ++i;
    std::int64_t scaled = 0;
    int decimals = -1;
    bool overflow = false;
    int firstDropped = -1;
    bool restNonZero = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9') return TField::AsCurrency();
        if (decimals >= 4) {
            if (firstDropped < 0) firstDropped = c - '0';
            else if (c != '0') restNonZero = true;
            continue;
        }
        if (scaled > (INT64_MAX - 9) / 10) {
            overflow = true;
            break;
        }
        scaled = scaled * 10 + (c - '0');
        if (decimals >= 0) ++decimals;
    }
    if (decimals < 0) decimals = 0;
    for (; decimals < 4 && !overflow; ++decimals) {
        if (scaled > INT64_MAX / 10) overflow = true;
        else scaled *= 10;
    }
    if (overflow) return TField::AsCurrency();
    if (firstDropped > 5 || (firstDropped == 5 && (restNonZero || scaled % 2 != 0))) ++scaled;
    return TCurrency::FromScaled(negative ? -scaled : scaled);
}

// ---- date and time

std::string TDateTimeField::AsString() const
{
    if (IsNull()) return {};
    return DateTimeToStr(Rows().FloatValue(Index()));
}

TDateTime TDateTimeField::AsDateTime() const { return Rows().FloatValue(Index()); }

std::optional<double> TDateTimeField::FloatReading() const { return Rows().FloatValue(Index()); }

std::string TDateField::AsString() const
{
    if (IsNull()) return {};
    return DateToStr(Rows().FloatValue(Index()));
}

std::string TTimeField::AsString() const
{
    if (IsNull()) return {};
    return TimeToStr(Rows().FloatValue(Index()));
}

// ---- memo and bytes

std::string TMemoField::AsString() const { return Readable(Rows().TextValue(Index())); }

std::string TBlobField::AsString() const { return std::string(Rows().TextValue(Index())); }

// ---- factory

std::unique_ptr<TField> CreateField(const TMySQLRecordset& rows, int index)
{
    using enum TFieldType;
    switch (rows.Fields()[static_cast<std::size_t>(index)].DataType) {
    case ftString: return std::make_unique<TStringField>(rows, index);
    case ftWideString: return std::make_unique<TWideStringField>(rows, index);
    case ftSmallint: return std::make_unique<TSmallintField>(rows, index);
    case ftWord: return std::make_unique<TWordField>(rows, index);
    case ftInteger: return std::make_unique<TIntegerField>(rows, index);
    case ftLargeint: return std::make_unique<TLargeintField>(rows, index);
    case ftBoolean: return std::make_unique<TBooleanField>(rows, index);
    case ftFloat: return std::make_unique<TFloatField>(rows, index);
    case ftBCD: return std::make_unique<TBCDField>(rows, index);
    case ftFMTBcd: return std::make_unique<TFMTBCDField>(rows, index);
    case ftDate: return std::make_unique<TDateField>(rows, index);
    case ftTime: return std::make_unique<TTimeField>(rows, index);
    case ftDateTime: return std::make_unique<TDateTimeField>(rows, index);
    case ftMemo: return std::make_unique<TMemoField>(rows, index);
    case ftBytes: return std::make_unique<TBytesField>(rows, index);
    case ftVarBytes: return std::make_unique<TVarBytesField>(rows, index);
    default: return std::make_unique<TBlobField>(rows, index);
    }
}

}  // namespace tarrow
