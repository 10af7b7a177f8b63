// Opening the store's SQLite file: for reading and writing (created when missing), or for
// reading alone in a way that works where this user cannot write.
#pragma once

#include <filesystem>

struct sqlite3;

namespace mapi_impl {

// Both return the SQLite result; handle is set even on failure and must be closed.
int OpenSqlite(const std::filesystem::path& path, sqlite3*& handle);
int OpenSqliteReadOnly(const std::filesystem::path& path, sqlite3*& handle);

} // namespace mapi_impl
