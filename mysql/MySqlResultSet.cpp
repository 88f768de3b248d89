#include "mysql/MySqlResultSet.h"

#include "mysql/MySqlSession.h"

namespace tarrow {

TMySqlResultSet::TMySqlResultSet(TMySqlSession* session, TMySqlFieldInfos fieldInfos, bool protocol41)
    : session_(session), fieldInfos_(std::move(fieldInfos)), columnCount_(fieldInfos_.size()),
      protocol41_(protocol41)
{
    binds_.Binds.resize(columnCount_);
}

TMySqlResultSet::~TMySqlResultSet()
{
    if (session_ != nullptr && session_->CurrentResult() == this) session_->SetCurrentResult(nullptr);
}

void TMySqlResultSet::DetachSession() noexcept
{
    session_ = nullptr;
    hasRow_ = false;
    binds_.Row = {};
}

void TMySqlResultSet::Release() noexcept
{
    hasRow_ = false;
    binds_ = {};
    fieldInfos_.clear();
}

TMySqlBinds* TMySqlResultSet::Fetch()
{
    hasRow_ = false;
    binds_.Row = {};
    if (endReached_ || session_ == nullptr) return nullptr;
    if (!session_->FetchRow(columnCount_, binds_)) {
        endReached_ = true;
        return nullptr;
    }
    ++rowsRead_;
    hasRow_ = true;
    return &binds_;
}

} // namespace tarrow
