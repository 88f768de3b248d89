#pragma once
// A result being read row by row (mysql_use_result): its column descriptions and the bindings of
// the current row, which point into the packet the row arrived in. The row stays valid until the
// next fetch, the freeing of the result, or the end of its session.

#include "mysql/MySqlPackets.h"

#include <cstdint>

namespace tarrow {

class TMySqlSession;

class TMySqlResultSet {
  public:
    TMySqlResultSet(TMySqlSession* session, TMySqlFieldInfos fieldInfos, bool protocol41);
    // The session's current result is cleared; unread rows are the caller's to skip first.
    ~TMySqlResultSet();
    TMySqlResultSet(const TMySqlResultSet&) = delete;
    TMySqlResultSet& operator=(const TMySqlResultSet&) = delete;

    // The session it reads from; none once the session went away first.
    TMySqlSession* Session() const noexcept { return session_; }
    // The session is going away: no more reading, and no row pointing into its buffers.
    void DetachSession() noexcept;

    const TMySqlFieldInfos& FieldInfos() const noexcept { return fieldInfos_; }
    std::size_t ColumnCount() const noexcept { return columnCount_; }
    bool Protocol41() const noexcept { return protocol41_; }

    // The next row's bindings, or none at the end packet. Raises what the session raises.
    TMySqlBinds* Fetch();
    bool EndReached() const noexcept { return endReached_; }
    std::int64_t RowsRead() const noexcept { return rowsRead_; }
    bool HasRow() const noexcept { return hasRow_; }
    const TMySqlBinds& Binds() const noexcept { return binds_; }
    // Drops the current row, its bindings and the column descriptions.
    void Release() noexcept;

  private:
    TMySqlSession* session_;
    TMySqlFieldInfos fieldInfos_;
    std::size_t columnCount_;
    bool protocol41_;
    TMySqlBinds binds_;
    bool hasRow_ = false;
    bool endReached_ = false;
    std::int64_t rowsRead_ = 0;
};

} // namespace tarrow
