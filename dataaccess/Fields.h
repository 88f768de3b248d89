#pragma once
// The field objects of an open query: one per result column, reading the row under the cursor
// through the typed getters.

#include "dataaccess/FieldTypes.h"
#include "platform/Currency.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarrow {

class TMySQLRecordset;

class TField {
public:
    TField(const TMySQLRecordset& rows, int index);
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;
    virtual ~TField() = default;

    const std::string& FieldName() const noexcept;
    TFieldType DataType() const noexcept;
    int Size() const noexcept;
    int FieldNo() const noexcept { return index_ + 1; }
    bool IsNull() const noexcept;

    // The getters. A class that has no reading of the requested kind raises EDatabaseError
    // "Cannot access field '<name>' as type <kind>".
    virtual std::string AsString() const = 0;
    virtual std::int32_t AsInteger() const;
    virtual std::int64_t AsLargeint() const;
    double AsFloat() const;
    // AsFloat * 10000, halves to the even neighbour, for every class that has AsFloat.
    virtual TCurrency AsCurrency() const;
    virtual TDateTime AsDateTime() const;
    virtual bool AsBoolean() const;

protected:
    // The AsFloat reading of the class; nothing for classes that have none.
    virtual std::optional<double> FloatReading() const { return std::nullopt; }
    [[noreturn]] void AccessError(std::string_view kind) const;
    const TMySQLFieldDesc& Desc() const noexcept;
    const TMySQLRecordset& Rows() const noexcept { return rows_; }
    int Index() const noexcept { return index_; }
    // Text of the code page (or of the UTF-8 session) as UTF-8.
    std::string Readable(std::string_view bytes) const;

private:
    const TMySQLRecordset& rows_;
    int index_;
};

class TStringField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    std::int32_t AsInteger() const override;
    std::int64_t AsLargeint() const override;
    TDateTime AsDateTime() const override;
    TCurrency AsCurrency() const override;  // NULL gives 0, not a conversion error

protected:
    std::optional<double> FloatReading() const override;
};

class TWideStringField : public TStringField {
public:
    using TStringField::TStringField;
};

// The integer classes share one reading; they differ in the width of the stored value.
class TNumericIntegerField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    std::int32_t AsInteger() const override;
    std::int64_t AsLargeint() const override;

protected:
    std::optional<double> FloatReading() const override;
};

class TSmallintField : public TNumericIntegerField {
public:
    using TNumericIntegerField::TNumericIntegerField;
};

class TWordField : public TNumericIntegerField {
public:
    using TNumericIntegerField::TNumericIntegerField;
};

class TIntegerField : public TNumericIntegerField {
public:
    using TNumericIntegerField::TNumericIntegerField;
};

class TLargeintField : public TNumericIntegerField {
public:
    using TNumericIntegerField::TNumericIntegerField;
};

class TBooleanField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    bool AsBoolean() const override;
};

class TFloatField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    std::int32_t AsInteger() const override;
    std::int64_t AsLargeint() const override;

protected:
    std::optional<double> FloatReading() const override;
};

// Exact numbers kept as the server wrote them (only with the exact-number options).
class TBCDField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    TCurrency AsCurrency() const override;

protected:
    std::optional<double> FloatReading() const override;
};

class TFMTBCDField : public TBCDField {
public:
    using TBCDField::TBCDField;
};

class TDateTimeField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    TDateTime AsDateTime() const override;

protected:
    std::optional<double> FloatReading() const override;
};

class TDateField : public TDateTimeField {
public:
    using TDateTimeField::TDateTimeField;
    std::string AsString() const override;
};

class TTimeField : public TDateTimeField {
public:
    using TDateTimeField::TDateTimeField;
    std::string AsString() const override;
};

// Text of any length, converted like a text field.
class TMemoField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
};

// Bytes, handed over as they are.
class TBlobField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
};

class TBytesField : public TBlobField {
public:
    using TBlobField::TBlobField;
};

class TVarBytesField : public TBlobField {
public:
    using TBlobField::TBlobField;
};

// The field object for a column of the row store.
std::unique_ptr<TField> CreateField(const TMySQLRecordset& rows, int index);

}  // namespace tarrow
