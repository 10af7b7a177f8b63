#include "platform/mapi/sqlite_open.h"

#include <sqlite3.h>
#include <string>
#include <system_error>
#include <unistd.h>

namespace mapi_impl {
namespace {

// The path as an SQLite URI: every byte but the plain ones percent-encoded.
std::string FileUri(const std::filesystem::path& path, const char* query) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path.string()) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '.' || c == '_' ||
                           c == '~';
        if (plain) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xF];
        }
    }
    return uri + query;
}

} // namespace

int OpenSqlite(const std::filesystem::path& path, sqlite3*& handle) {
    return sqlite3_open_v2(path.string().c_str(), &handle,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
}

// Where this user may write the folder, a read-write handle with query_only: SQLite keeps and
// removes its -wal and -shm files as for any connection, and every change is refused. Elsewhere
// SQLite reads read-only through the -shm file that a -wal file comes with, beside any writer;
// with no -wal (no connection open, every commit in mail.db) it needs immutable=1, which holds
// only while nobody writes: a writer that starts and checkpoints meanwhile changes pages under it.
int OpenSqliteReadOnly(const std::filesystem::path& path, sqlite3*& handle) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) {
        return SQLITE_CANTOPEN;
    }
    if (::access(absolute.parent_path().c_str(), W_OK) == 0) {
        const int rc = sqlite3_open_v2(absolute.c_str(), &handle,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        return rc != SQLITE_OK
                   ? rc
                   : sqlite3_exec(handle, "PRAGMA query_only=1;", nullptr, nullptr, nullptr);
    }
    const bool immutable = !std::filesystem::exists(absolute.string() + "-wal", error);
    return sqlite3_open_v2(FileUri(absolute, immutable ? "?immutable=1" : "").c_str(), &handle,
                           SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
}

} // namespace mapi_impl
