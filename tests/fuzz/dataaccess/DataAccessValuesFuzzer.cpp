// Column descriptions and column texts a server could send, through the type table, the row
// store's conversions and every getter; and statement texts through the parameter scan.
//
// Input: byte 0 picks the column type (an index into the types below), byte 1 its flags and
// length bits, byte 2 the option bits; the rest is split at 0xFF bytes into column values (a lone
// 0xFE stands for NULL) and is also scanned as statement text.

#include "dataaccess/Fields.h"
#include "dataaccess/MyParser.h"
#include "dataaccess/MySQLRecordset.h"
#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using namespace tarrow;

namespace {

constexpr std::uint8_t kTypes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                   246, 247, 248, 249, 250, 251, 252, 253, 254, 255, 245};
constexpr std::uint32_t kLengths[] = {1, 2, 4, 6, 8, 10, 12, 14, 19, 23, 31, 32, 65535, 0, 11, 3};

void ReadEverything(const TField& field)
{
    const auto guard = [](auto&& f) {
        try {
            f();
        } catch (const Exception&) {
        }
    };
    guard([&] { (void)field.AsString(); });
    guard([&] { (void)field.AsInteger(); });
    guard([&] { (void)field.AsLargeint(); });
    guard([&] { (void)field.AsFloat(); });
    guard([&] { (void)field.AsCurrency(); });
    guard([&] { (void)field.AsDateTime(); });
    guard([&] { (void)field.AsBoolean(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
    (void)ParseSqlParameters(rest);

    TMyColumn column;
    column.Name = "c";
    column.Table = (data[1] & 0x80) ? "" : "t";
    column.Type = kTypes[data[0] % std::size(kTypes)];
    column.Flags = ((data[1] & 1) ? kMyFlagUnsigned : 0) | ((data[1] & 2) ? kMyFlagBinary : 0);
    column.Length = kLengths[(data[1] >> 2) % std::size(kLengths)];
    column.Decimals = (data[1] >> 6) & 1 ? 2 : 0;
    column.Charset = (data[1] & 2) ? kMyCharsetBinary : 8;
    TMyTypeOptions options;
    options.ShortLargeint = data[2] & 1;
    options.NullForZeroDate = !(data[2] & 2);
    options.FieldsAsString = data[2] & 4;
    options.UseUnicode = data[2] & 8;
    options.NumericType = static_cast<TNumericType>((data[2] >> 4) % 3);
    options.ZeroDateTimeAsNull = data[2] & 64;

    std::vector<TMySQLFieldDesc> descs;
    try {
        descs.push_back(DescribeColumn(column, options));
    } catch (const EDatabaseError&) {
        return 0;
    }
    TMySQLRecordset rows(std::move(descs), options, 1 + data[2] % 5);
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('\xff', start);
        if (end == std::string_view::npos) end = rest.size();
        const std::string_view value = rest.substr(start, end - start);
        const TMyColumnValue cell = value == "\xfe" ? TMyColumnValue{} : TMyColumnValue{value.data(), value.size(), false};
        try {
            rows.AppendRow({&cell, 1});
        } catch (const Exception&) {
        }
        start = end + 1;
    }
    const auto field = CreateField(rows, 0);
    for (rows.First(); !rows.Eof(); rows.Next()) ReadEverything(*field);
    ReadEverything(*field);
    return 0;
}
