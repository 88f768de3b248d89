#include "dataaccess/MyQuery.h"

#include "dataaccess/TextConversions.h"
#include "platform/Errors.h"

namespace tarrow {

TMyQuery::TMyQuery(std::string name) : TMyStatementComponent(std::move(name)), executor_(*this) {}

TMyQuery::~TMyQuery()
{
    fields_.clear();
    rows_.reset();
}

void TMyQuery::SetFetchAll(bool value) const
{
    if (!value) throw EDatabaseError(ComponentMessage(this, "FetchAll False is not supported"));
}

void TMyQuery::SetUniDirectional(bool value) const
{
    if (value) throw EDatabaseError(ComponentMessage(this, "UniDirectional True is not supported"));
}

void TMyQuery::SetFetchRows(int value)
{
    if (value == fetchRows_) return;
    if (Active()) throw EDatabaseError(ComponentMessage(this, "Cannot perform this operation on an open dataset"));
    if (value < 1 || value > 10000) throw EDatabaseError("FetchRows must be 1..10000");
    fetchRows_ = value;
}

void TMyQuery::Open()
{
    if (Active()) return;
    if (BeforeOpen) BeforeOpen(*this);
    TMyConnection& connection = UsableConnection();
    if (SQL().Count() == 0) throw EDatabaseError(ComponentMessage(this, "No SQL statement provided"));
    Rescan();
    executor_.Run(connection, FinalSQL(), CommandTimeout);
    ReadRows(connection);
    if (AfterOpen) AfterOpen(*this);
}

void TMyQuery::ReadRows(TMyConnection& connection)
{
    auto& api = MySQLAPIDirect();
    TMySqlResultPtr result = executor_.UseResult(connection);
    if (!result) {
        // Leave the session idle even when further statements of the text have answered.
        executor_.SkipMoreResults(connection);
        throw EDatabaseError("Query must return exactly result set - use Execute");
    }

    TMyTypeOptions options;
    options.NullForZeroDate = Options.NullForZeroDate;
    options.EnableBoolean = Options.EnableBoolean;
    options.BinaryAsString = Options.BinaryAsString;
    options.FieldsAsString = Options.FieldsAsString;
    options.LongStrings = Options.LongStrings;
    options.TrimFixedChar = Options.TrimFixedChar;
    options.TrimVarChar = Options.TrimVarChar;
    connection.ApplyTypeOptions(options);

    const auto columns = static_cast<std::size_t>(api.mysql_num_fields(result.get()));
    std::vector<TMySQLFieldDesc> descs;
    descs.reserve(columns);
    for (std::size_t i = 0; i < columns; ++i) {
        const auto d = api.ColumnDescription(result.get(), i, options.UseUnicode);
        descs.push_back(DescribeColumn({d.Name, d.Table, d.Type, d.Flags, d.Length, d.Decimals, d.CharsetNumber}, options));
    }
    auto rows = std::make_unique<TMySQLRecordset>(std::move(descs), options, fetchRows_);

    // One read loop; each row is converted straight out of the packet it arrived in.
    std::vector<TMyColumnValue> values(columns);
    while (const TMySqlBinds* row = api.mysql_fetch_row(result.get())) {
        const auto* bytes = reinterpret_cast<const char*>(row->Row.data());
        for (std::size_t i = 0; i < columns; ++i) {
            const TMySqlBind& b = row->Binds[i];
            values[i] = {bytes + b.Offset, b.Length, b.IsNull};
        }
        rows->AppendRow(values);
    }
    TMySqlSession* session = result->Session();
    if (session != nullptr && api.mysql_errno(session) != 0) {
        result.reset();
        connection.RaiseSessionError(this);
    }
    result.reset();
    executor_.SkipMoreResults(connection);

    rows->First();
    rows_ = std::move(rows);
    fields_.reserve(columns);
    for (std::size_t i = 0; i < columns; ++i) fields_.push_back(CreateField(*rows_, static_cast<int>(i)));
}

void TMyQuery::Close()
{
    if (!Active()) return;
    if (BeforeClose) BeforeClose(*this);
    fields_.clear();
    rows_.reset();
    if (AfterClose) AfterClose(*this);
}

void TMyQuery::First() noexcept
{
    if (rows_) rows_->First();
}

void TMyQuery::Next() noexcept
{
    if (rows_) rows_->Next();
}

TField* TMyQuery::FindField(std::string_view name) const noexcept
{
    for (const auto& field : fields_)
        if (SameText(field->FieldName(), name)) return field.get();
    return nullptr;
}

TField& TMyQuery::FieldByName(std::string_view name) const
{
    if (TField* field = FindField(name)) return *field;
    throw EDatabaseError(ComponentMessage(this, "Field '" + std::string(name) + "' not found"));
}

}  // namespace tarrow
