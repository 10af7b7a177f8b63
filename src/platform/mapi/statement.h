// One use of a cached statement of the mail library's database, and SQLite results as
// HRESULTs.
#pragma once

#include <cerrno>

#include "platform/mapi/database.h"

#include <sqlite3.h>

#include <string_view>

namespace mapi_impl {

[[nodiscard]] inline HRESULT FromSqlite(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return S_OK;
    case SQLITE_NOMEM:
        return MAPI_E_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
        return MAPI_E_NOT_ENOUGH_DISK;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        return MAPI_E_NO_ACCESS;
    default:
        return MAPI_E_CALL_FAILED;
    }
}

// As FromSqlite, with a write that failed for want of space (a full disk, a quota, a file size
// limit) told apart from other input/output errors by the system's error number.
[[nodiscard]] inline HRESULT FromSqliteWithCause(int rc, sqlite3* db) {
    if ((rc & 0xFF) == SQLITE_IOERR && db != nullptr) {
        const int cause = sqlite3_system_errno(db);
        if (cause == ENOSPC || cause == EDQUOT || cause == EFBIG) {
            return MAPI_E_NOT_ENOUGH_DISK;
        }
    }
    return FromSqlite(rc);
}

// One use of a cached statement: bindings cleared and the statement reset afterwards.
class Stmt {
public:
    Stmt(Database& db, Sql which) : s_(db.statement(which)) {}
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    ~Stmt() {
        if (s_ != nullptr) {
            sqlite3_reset(s_);
            sqlite3_clear_bindings(s_);
        }
    }
    explicit operator bool() const { return s_ != nullptr; }
    Stmt& bind(int index, std::int64_t value) {
        sqlite3_bind_int64(s_, index, value);
        return *this;
    }
    Stmt& bindBlob(int index, std::string_view bytes) {
        // An empty value is still a blob, not NULL.
        sqlite3_bind_blob(s_, index, bytes.empty() ? "" : bytes.data(),
                          static_cast<int>(bytes.size()), SQLITE_STATIC);
        return *this;
    }
    int step() { return s_ == nullptr ? SQLITE_ERROR : sqlite3_step(s_); }
    // Runs a statement that returns no rows.
    HRESULT run() {
        const int rc = step();
        if (rc == SQLITE_DONE) {
            return S_OK;
        }
        return FromSqliteWithCause(rc == SQLITE_ROW ? SQLITE_ERROR : rc, sqlite3_db_handle(s_));
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(s_, column); }
    std::string_view blob(int column) const {
        const void* data = sqlite3_column_blob(s_, column);
        const int size = sqlite3_column_bytes(s_, column);
        return data == nullptr ? std::string_view()
                               : std::string_view(static_cast<const char*>(data),
                                                  static_cast<std::size_t>(size));
    }

private:
    sqlite3_stmt* s_;
};

} // namespace mapi_impl
