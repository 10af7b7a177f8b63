#include "platform/registry.h"

#include "platform/device.h"
#include "platform/handles.h"
#include "platform/host_locks.h"
#include "platform/utf.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

class KeyObject final : public handles::Object {
public:
    explicit KeyObject(std::string path) : path_(std::move(path)) {}
    bool Close() override { return true; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Once this process has used a handset's registry, other processes cannot write over its file.
// The hold moves when the device folder changes; between calls no connection is open, so
// closing the previous descriptor cannot drop a database lock.
void HoldRegistryFile(const std::filesystem::path& file) {
    static std::mutex mutex;
    static std::filesystem::path heldFile;
    static host_locks::DatabaseHold hold;
    const std::lock_guard lock(mutex);
    if (file != heldFile) {
        hold = host_locks::DatabaseHold();
        hold.Add({file});
        heldFile = file;
    }
}

// The registry file is opened for each call: calls are rare and this keeps no state between
// device folders, which tests change.
Database Open() {
    sqlite3* raw = nullptr;
    const std::string file = (device::Folder() / "registry.db").string();
    if (sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(raw);
        return nullptr;
    }
    Database db(raw);
    sqlite3_busy_timeout(raw, 2000);
    const char* schema = "CREATE TABLE IF NOT EXISTS keys(path TEXT PRIMARY KEY COLLATE NOCASE);"
                         "CREATE TABLE IF NOT EXISTS vals(path TEXT COLLATE NOCASE,"
                         " name TEXT COLLATE NOCASE, type INTEGER, data BLOB,"
                         " PRIMARY KEY(path, name));";
    if (sqlite3_exec(raw, schema, nullptr, nullptr, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    HoldRegistryFile(file);
    return db;
}

Statement Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    return Statement(raw);
}

bool KeyPath(HKEY key, std::string& path) {
    if (key == HKEY_LOCAL_MACHINE) {
        path = "HKLM";
        return true;
    }
    if (key == HKEY_CURRENT_USER) {
        path = "HKCU";
        return true;
    }
    const auto object = handles::FindAs<KeyObject>(key);
    if (!object) {
        return false;
    }
    path = object->path();
    return true;
}

std::string Text(LPCWSTR text) {
    return text == nullptr ? std::string() : utf::Utf8(text);
}

} // namespace

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD /*reserved*/, LPWSTR /*keyClass*/,
                     DWORD /*options*/, REGSAM /*desired*/, void* /*security*/, HKEY* result,
                     DWORD* disposition) {
    std::string path;
    if (result == nullptr || !KeyPath(key, path)) {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    const std::string sub = Text(subKey);
    if (!sub.empty()) {
        path += "\\" + sub;
    }
    const Database db = Open();
    if (!db) {
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    }
    const Statement insert = Prepare(db.get(), "INSERT OR IGNORE INTO keys(path) VALUES(?)");
    sqlite3_bind_text(insert.get(), 1, path.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    }
    if (disposition != nullptr) {
        *disposition =
            sqlite3_changes(db.get()) > 0 ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    *result = handles::Add(std::make_shared<KeyObject>(path));
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                      DWORD* dataSize) {
    std::string path;
    if (!KeyPath(key, path)) {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    if (data != nullptr && dataSize == nullptr) {
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    }
    const Database db = Open();
    if (!db) {
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    }
    const Statement select =
        Prepare(db.get(), "SELECT type, data FROM vals WHERE path=? AND name=?");
    sqlite3_bind_text(select.get(), 1, path.c_str(), -1, SQLITE_TRANSIENT);
    const std::string name = Text(valueName);
    sqlite3_bind_text(select.get(), 2, name.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(select.get()) != SQLITE_ROW) {
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    }
    const auto size = static_cast<DWORD>(sqlite3_column_bytes(select.get(), 1));
    if (type != nullptr) {
        *type = static_cast<DWORD>(sqlite3_column_int(select.get(), 0));
    }
    if (data == nullptr) {
        if (dataSize != nullptr) {
            *dataSize = size;
        }
        return static_cast<LONG>(ERROR_SUCCESS);
    }
    if (*dataSize < size) {
        *dataSize = size;
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    if (size > 0) {
        std::memcpy(data, sqlite3_column_blob(select.get(), 1), size);
    }
    *dataSize = size;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    std::string path;
    if (!KeyPath(key, path)) {
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
    const Database db = Open();
    if (!db) {
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    }
    const Statement upsert =
        Prepare(db.get(), "INSERT OR REPLACE INTO vals(path, name, type, data) VALUES(?,?,?,?)");
    sqlite3_bind_text(upsert.get(), 1, path.c_str(), -1, SQLITE_TRANSIENT);
    const std::string name = Text(valueName);
    sqlite3_bind_text(upsert.get(), 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(upsert.get(), 3, static_cast<int>(type));
    sqlite3_bind_blob(upsert.get(), 4, data, static_cast<int>(data == nullptr ? 0 : dataSize),
                      SQLITE_TRANSIENT);
    return static_cast<LONG>(sqlite3_step(upsert.get()) == SQLITE_DONE ? ERROR_SUCCESS
                                                                       : ERROR_ACCESS_DENIED);
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER) {
        return static_cast<LONG>(ERROR_SUCCESS);
    }
    return static_cast<LONG>(handles::Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
}
