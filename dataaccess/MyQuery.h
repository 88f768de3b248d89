#pragma once
// The query component: runs a statement that returns rows, reads all of them into memory while it
// opens, and offers them as a cursor of typed fields. Once open it leaves the session idle, so
// other statements may run on the same connection while it stays open.

#include "dataaccess/Fields.h"
#include "dataaccess/MySQLCommand.h"
#include "dataaccess/MySQLRecordset.h"
#include "dataaccess/MyStatementComponent.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarrow {

// The query's options of value conversion (the field-type options of the connection live there).
struct TMyDataSetOptions {
    bool NullForZeroDate = true;
    bool EnableBoolean = true;
    bool BinaryAsString = true;
    bool FieldsAsString = false;
    bool LongStrings = true;
    bool TrimFixedChar = true;
    bool TrimVarChar = false;
};

class TMyQuery : public TMyStatementComponent {
public:
    using TDataSetNotifyEvent = std::function<void(TMyQuery&)>;

    explicit TMyQuery(std::string name = {});
    ~TMyQuery() override;

    TMyDataSetOptions Options;

    // Rows are always read whole while the query opens and the cursor always moves both ways:
    // only FetchAll True and UniDirectional False are accepted.
    bool FetchAll() const noexcept { return true; }
    void SetFetchAll(bool value) const;
    bool UniDirectional() const noexcept { return false; }
    void SetUniDirectional(bool value) const;
    // Rows per memory block, 1 to 10000; not on an open query.
    int FetchRows() const noexcept { return fetchRows_; }
    void SetFetchRows(int value);

    TDataSetNotifyEvent BeforeOpen;
    TDataSetNotifyEvent AfterOpen;
    TDataSetNotifyEvent BeforeClose;
    TDataSetNotifyEvent AfterClose;

    void Open();
    void Close();
    bool Active() const noexcept { return rows_ != nullptr; }
    void SetActive(bool value) { value ? Open() : Close(); }

    bool IsEmpty() const noexcept { return !rows_ || rows_->RecordCount() == 0; }
    void First() noexcept;
    void Next() noexcept;
    bool Eof() const noexcept { return !rows_ || rows_->Eof(); }
    bool Bof() const noexcept { return !rows_ || rows_->Bof(); }
    int RecordCount() const noexcept { return rows_ ? rows_->RecordCount() : 0; }
    int RecNo() const noexcept { return rows_ ? rows_->RecNo() : 0; }

    int FieldCount() const noexcept { return static_cast<int>(fields_.size()); }
    TField& Fields(int index) const { return *fields_.at(static_cast<std::size_t>(index)); }
    // Letter case ignored; the first match in column order. FindField gives none where FieldByName
    // raises EDatabaseError "<name>: Field '<field>' not found".
    TField* FindField(std::string_view name) const noexcept;
    TField& FieldByName(std::string_view name) const;

    // Affected rows the server reported for the statement that opened the query.
    std::int64_t RowsAffected() const noexcept { return executor_.AffectedRows(); }
    // Memory held for the rows, for the benchmark's figures.
    std::size_t RowMemory() const noexcept { return rows_ ? rows_->MemoryUsed() : 0; }

protected:
    void StatementChanged() override { Close(); }
    void ConnectionClosing() override { Close(); }

private:
    void ReadRows(TMyConnection& connection);

    int fetchRows_ = 25;
    TMySQLCommand executor_;
    std::unique_ptr<TMySQLRecordset> rows_;
    std::vector<std::unique_ptr<TField>> fields_;
};

}  // namespace tarrow
