#include "dataaccess/MySQLRecordset.h"

#include "dataaccess/MyValueParsers.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <cstring>

namespace tarrow {

namespace {

// What a date that cannot exist stores when it is not read as NULL: 0001-01-01.
constexpr TDateTime kFirstDay = -693593;

std::uint8_t WidthOf(TFieldType type)
{
    using enum TFieldType;
    switch (type) {
    case ftSmallint:
    case ftWord:
    case ftBoolean: return 2;
    case ftInteger: return 4;
    default: return 8;
    }
}

bool IsTextSlot(TFieldType type)
{
    using enum TFieldType;
    switch (type) {
    case ftString:
    case ftWideString:
    case ftMemo:
    case ftBlob:
    case ftBytes:
    case ftVarBytes:
    case ftBCD:
    case ftFMTBcd: return true;
    default: return false;
    }
}

template <typename T>
void Put(std::byte* at, T value)
{
    std::memcpy(at, &value, sizeof value);
}

template <typename T>
T Get(const std::byte* at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The first count characters of a UTF-8 text (all of it when it has no more): a cut never falls
// inside a character.
std::string_view FirstCharacters(std::string_view text, std::size_t count)
{
    std::size_t at = 0;
    for (std::size_t characters = 0; at < text.size(); ++at) {
        const bool continuation = (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
        if (!continuation && characters++ == count) break;
    }
    return text.substr(0, at);
}

std::string Readable(const TMySQLFieldDesc& desc, std::string_view bytes)
{
    return desc.Utf8 ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

}  // namespace

TMySQLRecordset::TMySQLRecordset(std::vector<TMySQLFieldDesc> fields, const TMyTypeOptions& options,
                                 int fetchRows)
    : fields_(std::move(fields)), nullForZeroDate_(options.NullForZeroDate),
      zeroDateTimeAsNull_(options.ZeroDateTimeAsNull), fetchRows_(fetchRows < 1 ? 1 : fetchRows)
{
    nullBytes_ = (fields_.size() + 7) / 8;
    std::size_t offset = nullBytes_;
    slots_.reserve(fields_.size());
    for (const auto& f : fields_) {
        TSlot slot;
        slot.Offset = static_cast<std::uint32_t>(offset);
        slot.IsText = IsTextSlot(f.DataType);
        slot.Width = slot.IsText ? 8 : WidthOf(f.DataType);
        offset += slot.Width;
        slots_.push_back(slot);
    }
    recordSize_ = offset;
}

void TMySQLRecordset::SealBlock(TBlock& block)
{
    // Text grows by doubling while a block fills; give back what the block will never use.
    if (block.Text.capacity() - block.Text.size() > block.Text.size() / 8) block.Text.shrink_to_fit();
    lastBlockText_ = block.Text.size();
}

void TMySQLRecordset::AppendRow(std::span<const TMyColumnValue> values)
{
    const int inBlock = count_ % fetchRows_;
    if (inBlock == 0) {
        if (!blocks_.empty()) SealBlock(blocks_.back());
        TBlock block;
        block.Records = std::make_unique<std::byte[]>(recordSize_ * static_cast<std::size_t>(fetchRows_));
        block.Text.reserve(lastBlockText_ + lastBlockText_ / 16);
        blocks_.push_back(std::move(block));
    }
    TBlock& block = blocks_.back();
    std::byte* record = block.Records.get() + recordSize_ * static_cast<std::size_t>(inBlock);
    std::memset(record, 0, recordSize_);
    const std::size_t textMark = block.Text.size();
    try {
        const std::size_t n = values.size() < fields_.size() ? values.size() : fields_.size();
        for (std::size_t c = 0; c < fields_.size(); ++c) {
            if (c >= n || values[c].IsNull) {
                record[c / 8] |= std::byte{1} << (c % 8);
                continue;
            }
            StoreValue(static_cast<int>(c), values[c], record, block);
        }
    } catch (...) {
        block.Text.resize(textMark);
        if (inBlock == 0) blocks_.pop_back();
        throw;
    }
    if (count_ == 0) {
        current_ = 0;
        eof_ = false;
        bof_ = true;
    }
    ++count_;
}

void TMySQLRecordset::StoreText(int column, std::string_view text, std::byte* record, TBlock& block)
{
    const auto& desc = fields_[static_cast<std::size_t>(column)];
    const auto size = static_cast<std::size_t>(desc.Size);
    if (desc.Size > 0 && desc.Size < 32 && text.size() > size) {
        // A wide field's size counts characters, which take up to 4 bytes each in UTF-8.
        const bool characters = desc.Utf8 && desc.DataType == TFieldType::ftWideString;
        text = characters ? FirstCharacters(text, size) : text.substr(0, size);
    }
    if (desc.TrimTrailing) {
        while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    }
    std::byte* at = record + slots_[static_cast<std::size_t>(column)].Offset;
    Put(at, static_cast<std::uint32_t>(block.Text.size()));
    Put(at + 4, static_cast<std::uint32_t>(text.size()));
    block.Text.insert(block.Text.end(), text.begin(), text.end());
}

void TMySQLRecordset::StoreValue(int column, const TMyColumnValue& value, std::byte* record, TBlock& block)
{
    const auto& desc = fields_[static_cast<std::size_t>(column)];
    const TSlot& slot = slots_[static_cast<std::size_t>(column)];
    std::byte* at = record + slot.Offset;
    const std::string_view text(value.Data == nullptr ? "" : value.Data, value.Data == nullptr ? 0 : value.Length);
    const auto setNull = [&] { record[column / 8] |= std::byte{1} << (column % 8); };

    const auto storeInteger = [&](std::int64_t v) {
        switch (slot.Width) {
        case 2: Put(at, static_cast<std::int16_t>(v)); break;
        case 4: Put(at, static_cast<std::int32_t>(v)); break;
        default: Put(at, v); break;
        }
    };
    const auto storeDate = [&](const TMyDateParse& parsed) {
        if (parsed.Status == TMyDateParse::Ok) {
            if (zeroDateTimeAsNull_ && parsed.Value == 0) return setNull();
            return Put(at, parsed.Value);
        }
        if (nullForZeroDate_) return setNull();
        Put(at, kFirstDay);
    };

    if (slot.IsText) return StoreText(column, text, record, block);
    switch (desc.Conversion) {
    case TMyConversion::Int16: storeInteger(AccumulateInt16(text)); break;
    case TMyConversion::UInt16: Put(at, AccumulateUInt16(text)); break;
    case TMyConversion::Int32: storeInteger(AccumulateInt32(text)); break;
    case TMyConversion::UInt32: storeInteger(AccumulateUInt32(text)); break;
    case TMyConversion::Int64: storeInteger(AccumulateInt64(text)); break;
    case TMyConversion::Bit: storeInteger(static_cast<std::int64_t>(BitValue(text))); break;
    case TMyConversion::Boolean: Put(at, static_cast<std::int16_t>(AccumulateInt64(text) != 0 ? 1 : 0)); break;
    case TMyConversion::Float:
    case TMyConversion::Decimal: {
        const auto parsed = ParseMyFloat(text);
        if (!parsed)
            throw EConvertError("'" + Readable(desc, FloatErrorText(text)) + "' is not a valid floating point value");
        Put(at, *parsed);
        break;
    }
    case TMyConversion::Date: storeDate(ParseMyDate(text)); break;
    case TMyConversion::DateTime: storeDate(ParseMyDateTime(text)); break;
    case TMyConversion::Timestamp: {
        const auto parsed = ParseMyTimestamp(text, desc.Length);
        if (parsed.Status == TMyDateParse::BadFormat)
            throw EDatabaseError("Invalid FIELD_TYPE_TIMESTAMP Field.Length (" + std::to_string(desc.Length) + ")");
        storeDate(parsed);
        break;
    }
    case TMyConversion::Time: {
        const auto parsed = ParseMyTime(text);
        if (parsed.Status != TMyDateParse::Ok)
            throw EDatabaseError("Wrong time format. Field " + desc.Name + ", value " + Readable(desc, text));
        Put(at, parsed.Value);
        break;
    }
    case TMyConversion::Text: StoreText(column, text, record, block); break;
    }
}

void TMySQLRecordset::First() noexcept
{
    current_ = 0;
    bof_ = true;
    eof_ = count_ == 0;
}

void TMySQLRecordset::Next() noexcept
{
    if (count_ == 0 || current_ + 1 >= count_) {
        eof_ = true;
        return;
    }
    ++current_;
    bof_ = false;
    eof_ = false;
}

const std::byte* TMySQLRecordset::CurrentRecord() const noexcept
{
    if (count_ == 0) return nullptr;
    const auto block = static_cast<std::size_t>(current_ / fetchRows_);
    const auto row = static_cast<std::size_t>(current_ % fetchRows_);
    return blocks_[block].Records.get() + recordSize_ * row;
}

bool TMySQLRecordset::IsNull(int column) const noexcept
{
    const std::byte* record = CurrentRecord();
    if (record == nullptr || column < 0 || static_cast<std::size_t>(column) >= fields_.size()) return true;
    return (record[column / 8] & (std::byte{1} << (column % 8))) != std::byte{0};
}

std::int64_t TMySQLRecordset::IntegerValue(int column) const noexcept
{
    if (IsNull(column)) return 0;
    const TSlot& slot = slots_[static_cast<std::size_t>(column)];
    const std::byte* at = CurrentRecord() + slot.Offset;
    if (fields_[static_cast<std::size_t>(column)].DataType == TFieldType::ftWord) return Get<std::uint16_t>(at);
    switch (slot.Width) {
    case 2: return Get<std::int16_t>(at);
    case 4: return Get<std::int32_t>(at);
    default: return Get<std::int64_t>(at);
    }
}

double TMySQLRecordset::FloatValue(int column) const noexcept
{
    if (IsNull(column)) return 0;
    const TSlot& slot = slots_[static_cast<std::size_t>(column)];
    if (slot.IsText || slot.Width != 8) return 0;
    return Get<double>(CurrentRecord() + slot.Offset);
}

std::string_view TMySQLRecordset::TextValue(int column) const noexcept
{
    if (IsNull(column)) return {};
    const TSlot& slot = slots_[static_cast<std::size_t>(column)];
    if (!slot.IsText) return {};
    const std::byte* at = CurrentRecord() + slot.Offset;
    const auto offset = Get<std::uint32_t>(at);
    const auto length = Get<std::uint32_t>(at + 4);
    const auto& text = blocks_[static_cast<std::size_t>(current_ / fetchRows_)].Text;
    return {text.data() + offset, length};
}

std::size_t TMySQLRecordset::MemoryUsed() const noexcept
{
    std::size_t total = blocks_.capacity() * sizeof(TBlock);
    for (const auto& b : blocks_) total += recordSize_ * static_cast<std::size_t>(fetchRows_) + b.Text.capacity();
    return total;
}

}  // namespace tarrow
