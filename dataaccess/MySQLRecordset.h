#pragma once
// The row store of one open query: column descriptors, every row converted once into its value
// slots, and the cursor. Rows live in blocks of FetchRows rows each.

#include "dataaccess/FieldTypes.h"
#include "platform/DateTime.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace tarrow {

// One column value of a fetched row as the protocol hands it over: bytes, or NULL.
struct TMyColumnValue {
    const char* Data = nullptr;
    std::size_t Length = 0;
    bool IsNull = true;
};

class TMySQLRecordset {
public:
    TMySQLRecordset(std::vector<TMySQLFieldDesc> fields, const TMyTypeOptions& options, int fetchRows);
    TMySQLRecordset(const TMySQLRecordset&) = delete;
    TMySQLRecordset& operator=(const TMySQLRecordset&) = delete;

    const std::vector<TMySQLFieldDesc>& Fields() const noexcept { return fields_; }

    // Converts and stores one row. Raises EConvertError for a float text that is not a number, and
    // EDatabaseError for a time text out of shape or a TIMESTAMP length without a layout.
    void AppendRow(std::span<const TMyColumnValue> values);

    int RecordCount() const noexcept { return count_; }
    std::size_t BlockCount() const noexcept { return blocks_.size(); }

    // Cursor: on the first row after First; Next on the last row sets Eof and stays.
    void First() noexcept;
    void Next() noexcept;
    bool Eof() const noexcept { return eof_; }
    bool Bof() const noexcept { return bof_; }
    int RecNo() const noexcept { return count_ == 0 ? 0 : current_ + 1; }

    // Values of the row under the cursor; with no row every value is NULL.
    bool IsNull(int column) const noexcept;
    std::int64_t IntegerValue(int column) const noexcept;  // integer and boolean fields
    double FloatValue(int column) const noexcept;          // float and date-time fields
    std::string_view TextValue(int column) const noexcept; // text, memo, blob and byte fields

    // Bytes held for the rows (records and text), for the memory figures of the benchmark.
    std::size_t MemoryUsed() const noexcept;

private:
    struct TBlock {
        std::unique_ptr<std::byte[]> Records;
        std::vector<char> Text;
    };
    struct TSlot {
        std::uint32_t Offset = 0;
        std::uint8_t Width = 0;  // 2, 4 or 8 bytes
        bool IsText = false;
    };

    const std::byte* CurrentRecord() const noexcept;
    void StoreValue(int column, const TMyColumnValue& value, std::byte* record, TBlock& block);
    void StoreText(int column, std::string_view text, std::byte* record, TBlock& block);
    void SealBlock(TBlock& block);

    std::vector<TMySQLFieldDesc> fields_;
    std::vector<TSlot> slots_;
    bool nullForZeroDate_;
    bool zeroDateTimeAsNull_;
    int fetchRows_;
    std::size_t recordSize_ = 0;
    std::size_t nullBytes_ = 0;
    std::vector<TBlock> blocks_;
    int count_ = 0;
    int current_ = 0;
    bool eof_ = true;
    bool bof_ = true;
    std::size_t lastBlockText_ = 0;
};

}  // namespace tarrow
