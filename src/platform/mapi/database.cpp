#include "platform/mapi/database.h"

#include "platform/device.h"
#include "platform/mapi/sqlite_open.h"
#include "platform/mapi/statement.h"

#include <optional>

namespace mapi_impl {

std::filesystem::path StorePath() {
    return device::Folder() / "mail.db";
}

namespace {

constexpr int kSchemaVersion = 2;
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS objects(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    kind INTEGER NOT NULL,
    parent INTEGER NOT NULL,
    store INTEGER NOT NULL,
    visible INTEGER NOT NULL,
    open_error INTEGER NOT NULL DEFAULT 0,
    creator INTEGER);
CREATE INDEX IF NOT EXISTS objects_children ON objects(parent, kind, visible, id);
CREATE TABLE IF NOT EXISTS props(
    obj INTEGER NOT NULL,
    tag INTEGER NOT NULL,
    value BLOB NOT NULL,
    PRIMARY KEY(obj, tag)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS recipients(
    obj INTEGER NOT NULL,
    seq INTEGER NOT NULL,
    row BLOB NOT NULL,
    PRIMARY KEY(obj, seq)) WITHOUT ROWID;
)sql";

// Version 2: the creator's lease of a message not yet listed, and the indexes that find such
// messages and messages by delivery time (235274304 is PR_MESSAGE_DELIVERY_TIME).
constexpr const char* kIndexes = R"sql(
CREATE INDEX IF NOT EXISTS objects_unlisted ON objects(creator) WHERE visible = 0;
CREATE INDEX IF NOT EXISTS props_delivery_time ON props(value, obj) WHERE tag = 235274304;
)sql";
constexpr const char* kAddCreator = "ALTER TABLE objects ADD COLUMN creator INTEGER;";

// The unlisted messages of one creator (NULL: made before creators were kept).
constexpr const char* kRemoveUnlisted = R"sql(
DELETE FROM props WHERE obj IN
    (SELECT id FROM objects WHERE visible = 0 AND kind = 5 AND creator IS ?1);
DELETE FROM recipients WHERE obj IN
    (SELECT id FROM objects WHERE visible = 0 AND kind = 5 AND creator IS ?1);
DELETE FROM objects WHERE visible = 0 AND kind = 5 AND creator IS ?1;
)sql";

// Each statement by its name, so that a statement added anywhere in the enum cannot shift the
// others; -Wswitch names any name left without one.
constexpr const char* StatementText(Sql which) {
    switch (which) {
    case Sql::Begin:
        return "BEGIN IMMEDIATE";
    case Sql::BeginRead:
        return "BEGIN";
    case Sql::Commit:
        return "COMMIT";
    case Sql::Rollback:
        return "ROLLBACK";
    case Sql::ObjectGet:
        return "SELECT kind, parent, store, visible, open_error FROM objects WHERE id = ?1";
    case Sql::ObjectInsert:
        return "INSERT INTO objects(kind, parent, store, visible, creator) "
               "VALUES(?1, ?2, ?3, ?4, ?5)";
    case Sql::ObjectSetStore:
        return "UPDATE objects SET store = ?2 WHERE id = ?1";
    case Sql::ObjectSetOpenError:
        return "UPDATE objects SET open_error = ?2 WHERE id = ?1";
    case Sql::ObjectMakeVisible:
        return "UPDATE objects SET visible = 1, creator = NULL WHERE id = ?1 AND visible = 0";
    case Sql::ObjectDelete:
        return "DELETE FROM objects WHERE id = ?1";
    case Sql::PropsGet:
        return "SELECT tag, value FROM props WHERE obj = ?1";
    case Sql::PropPut:
        return "INSERT OR REPLACE INTO props(obj, tag, value) VALUES(?1, ?2, ?3)";
    case Sql::PropDelete:
        return "DELETE FROM props WHERE obj = ?1 AND tag = ?2";
    case Sql::PropsDeleteAll:
        return "DELETE FROM props WHERE obj = ?1";
    case Sql::ChildrenAfter:
        return "SELECT id FROM objects WHERE parent = ?1 AND kind = ?2 AND visible = 1 AND id > ?3 "
               "ORDER BY id LIMIT ?4";
    case Sql::ChildrenCount:
        return "SELECT count(*) FROM objects WHERE parent = ?1 AND kind = ?2 AND visible = 1";
    case Sql::ChildAt:
        return "SELECT id FROM objects WHERE parent = ?1 AND kind = ?2 AND visible = 1 "
               "ORDER BY id LIMIT 1 OFFSET ?3";
    case Sql::FolderByName:
        return "SELECT o.id FROM objects o JOIN props p ON p.obj = o.id AND p.tag = ?3 "
               "WHERE o.parent = ?1 AND o.kind = 3 AND p.value = ?2 ORDER BY o.id LIMIT 1";
    case Sql::ChildWithValue:
        return "SELECT o.id FROM objects o JOIN props p ON p.obj = o.id AND p.tag = ?4 "
               "WHERE o.parent = ?1 AND o.kind = ?2 AND o.visible = 1 AND o.id > ?3 "
               "AND p.value = ?5 ORDER BY o.id LIMIT 1";
    // 235274304 is PR_MESSAGE_DELIVERY_TIME, the tag of the partial index.
    case Sql::ChildWithDeliveryTime:
        return "SELECT o.id FROM props p INDEXED BY props_delivery_time CROSS JOIN objects o "
               "ON o.id = p.obj WHERE p.tag = 235274304 AND p.value = ?5 AND o.parent = ?1 "
               "AND o.kind = ?2 AND o.visible = 1 AND o.id > ?3 AND ?4 = 235274304 "
               "ORDER BY p.obj LIMIT 1";
    case Sql::RecipientsAfter:
        return "SELECT seq, row FROM recipients WHERE obj = ?1 AND seq > ?2 ORDER BY seq LIMIT ?3";
    case Sql::RecipientsCount:
        return "SELECT count(*) FROM recipients WHERE obj = ?1";
    case Sql::RecipientAt:
        return "SELECT seq FROM recipients WHERE obj = ?1 ORDER BY seq LIMIT 1 OFFSET ?2";
    case Sql::RecipientInsert:
        return "INSERT INTO recipients(obj, seq, row) VALUES(?1, ?2, ?3)";
    case Sql::RecipientsDeleteAll:
        return "DELETE FROM recipients WHERE obj = ?1";
    // The batch reads: the rows of the objects with ids from ?1 to ?2, in the order of the
    // single-object reads.
    case Sql::BatchObjects:
        return "SELECT id, kind, parent, store, visible, open_error FROM objects "
               "WHERE id BETWEEN ?1 AND ?2 ORDER BY id";
    case Sql::BatchProps:
        return "SELECT obj, tag, value FROM props WHERE obj BETWEEN ?1 AND ?2 ORDER BY obj, tag";
    case Sql::BatchRecipients:
        return "SELECT obj, seq, row FROM recipients WHERE obj BETWEEN ?1 AND ?2 ORDER BY obj, seq";
    case Sql::Count_:
        break;
    }
    return nullptr;
}

// Holds even where a default: would silence -Wswitch: every name before Count_ has a statement.
constexpr bool EveryStatementHasText() {
    for (int i = 0; i < static_cast<int>(Sql::Count_); ++i) {
        if (StatementText(static_cast<Sql>(i)) == nullptr) {
            return false;
        }
    }
    return true;
}
static_assert(EveryStatementHasText());

} // namespace

std::shared_ptr<Database> Database::Open(const std::filesystem::path& path, HRESULT& hr,
                                         Access access) {
    const bool readOnly = access == Access::ReadOnly;
    if (!readOnly) {
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
    }
    const std::vector<std::filesystem::path> files = {path, path.string() + "-wal",
                                                      path.string() + "-shm"};
    // Held before the open, so that no close of ours can drop another connection's locks.
    host_locks::DatabaseHold hold;
    hold.Add(files);
    sqlite3* handle = nullptr;
    const int rc = readOnly ? OpenSqliteReadOnly(path, handle) : OpenSqlite(path, handle);
    if (rc != SQLITE_OK) {
        sqlite3_close(handle);
        hr = FromSqlite(rc == SQLITE_OK ? SQLITE_ERROR : rc);
        return nullptr;
    }
    std::filesystem::path leases = path;
    leases += "-leases";
    std::shared_ptr<Database> db(new Database(handle, std::move(leases), readOnly));
    db->hold_ = std::move(hold);
    hr = readOnly ? db->initialiseReadOnly() : db->initialise();
    if (hr != S_OK) {
        return nullptr;
    }
    db->hold_.Add(files); // the write-ahead files exist now
    return db;
}

Database::~Database() {
    for (sqlite3_stmt* s : statements_) {
        sqlite3_finalize(s);
    }
    sqlite3_close(db_);
}

HRESULT Database::initialise() {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    if (sqlite3_exec(db_,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                     "PRAGMA wal_autocheckpoint=8192; PRAGMA cache_size=-4096;",
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
        return lastError();
    }
    Transaction tx(*this);
    if (tx.status() != S_OK) {
        return tx.status();
    }
    int version = 0;
    if (const HRESULT hr = schemaVersion(version); hr != S_OK) {
        return hr;
    }
    if (version > kSchemaVersion) {
        return MAPI_E_NO_SUPPORT;
    }
    if (version < kSchemaVersion) {
        const char* change = version == 0 ? kSchema : kAddCreator;
        if (sqlite3_exec(db_, change, nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_exec(db_, kIndexes, nullptr, nullptr, nullptr) != SQLITE_OK) {
            return lastError();
        }
        ObjectId store = 0;
        if (version == 0) {
            if (const HRESULT hr = CreateSmsStyleStore(*this, u"SMS", store); hr != S_OK) {
                return hr;
            }
        }
        const std::string setVersion = "PRAGMA user_version=" + std::to_string(kSchemaVersion);
        if (sqlite3_exec(db_, setVersion.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            return lastError();
        }
    }
    if (const HRESULT hr = removeAbandoned(); hr != S_OK) {
        return hr;
    }
    return tx.commit();
}

// Changes nothing, so it cannot bring an older layout up to date: it reads only the current one.
HRESULT Database::initialiseReadOnly() {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_exec(db_, "PRAGMA cache_size=-4096;", nullptr, nullptr, nullptr);
    int version = 0;
    if (const HRESULT hr = schemaVersion(version); hr != S_OK) {
        return hr;
    }
    return version == kSchemaVersion ? S_OK : MAPI_E_NO_SUPPORT;
}

HRESULT Database::schemaVersion(int& version) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &s, nullptr) != SQLITE_OK) {
        return lastError();
    }
    const int rc = sqlite3_step(s);
    version = rc == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
    sqlite3_finalize(s);
    return rc == SQLITE_ROW ? S_OK : FromSqlite(rc == SQLITE_DONE ? SQLITE_ERROR : rc);
}

HRESULT Database::removeAbandoned() {
    std::vector<std::optional<std::int64_t>> creators;
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_, "SELECT DISTINCT creator FROM objects WHERE visible = 0", -1,
                               &raw, nullptr) != SQLITE_OK) {
            return lastError();
        }
        while (sqlite3_step(raw) == SQLITE_ROW) {
            creators.push_back(sqlite3_column_type(raw, 0) == SQLITE_NULL
                                   ? std::nullopt
                                   : std::optional(sqlite3_column_int64(raw, 0)));
        }
        sqlite3_finalize(raw);
    }
    for (const auto& creator : creators) {
        // A writer that may still live keeps its messages: its lease is this connection's, is
        // held, or cannot be looked at (the next writer's start tries again).
        if (creator && (*creator == (lease_ ? lease_->token() : 0) ||
                        ProbeLease(leaseFolder_, *creator).state != LockState::Taken)) {
            continue;
        }
        const char* next = kRemoveUnlisted;
        while (next != nullptr && *next != '\0') {
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v2(db_, next, -1, &raw, &next) != SQLITE_OK) {
                return lastError();
            }
            if (raw == nullptr) {
                break;
            }
            if (creator) {
                sqlite3_bind_int64(raw, 1, *creator);
            }
            const int rc = sqlite3_step(raw);
            sqlite3_finalize(raw);
            if (rc != SQLITE_DONE) {
                return FromSqlite(rc);
            }
        }
    }
    return S_OK;
}

std::int64_t Database::leaseToken() {
    if (readOnly_) {
        return 0; // a reader leaves no lease file behind
    }
    if (!lease_) {
        auto lease = std::make_unique<Lease>(leaseFolder_);
        if (!lease->valid()) {
            return 0;
        }
        lease_ = std::move(lease);
    }
    return lease_->token();
}

bool Database::exists(ObjectId id, ObjectKind kind) {
    ObjectRow row;
    return object(id, row) && row.kind == kind;
}

HRESULT Database::lastError() const {
    return FromSqliteWithCause(sqlite3_extended_errcode(db_), db_);
}

sqlite3_stmt* Database::statement(Sql which) {
    sqlite3_stmt*& slot = statements_[static_cast<std::size_t>(which)];
    if (slot == nullptr) {
        sqlite3_prepare_v3(db_, StatementText(which), -1, SQLITE_PREPARE_PERSISTENT, &slot,
                           nullptr);
    }
    return slot;
}

HRESULT Database::begin() {
    if (depth_ == 0) {
        endSnapshot(nullptr);
        failed_ = false;
        if (const HRESULT hr = Stmt(*this, Sql::Begin).run(); hr != S_OK) {
            return hr;
        }
    }
    ++depth_;
    return S_OK;
}

HRESULT Database::commit() {
    if (--depth_ > 0) {
        return S_OK;
    }
    if (failed_) {
        Stmt(*this, Sql::Rollback).run();
        return MAPI_E_CALL_FAILED;
    }
    const HRESULT hr = Stmt(*this, Sql::Commit).run();
    if (hr != S_OK && sqlite3_get_autocommit(db_) == 0) {
        Stmt(*this, Sql::Rollback).run();
    }
    if (hr == S_OK) {
        NoteWrite();
    }
    return hr;
}

void Database::rollback() {
    if (--depth_ > 0) {
        failed_ = true;
        return;
    }
    Stmt(*this, Sql::Rollback).run();
}

bool Database::object(ObjectId id, ObjectRow& row) {
    if (const BatchEntry* entry = batched(id)) {
        row = entry->row;
        return true;
    }
    Stmt s(*this, Sql::ObjectGet);
    s.bind(1, id);
    if (s.step() != SQLITE_ROW) {
        return false;
    }
    row.id = id;
    row.kind = static_cast<ObjectKind>(s.integer(0));
    row.parent = s.integer(1);
    row.store = s.integer(2);
    row.visible = s.integer(3) != 0;
    row.openError = static_cast<HRESULT>(s.integer(4));
    return true;
}

bool Database::readProps(ObjectId id, std::vector<StoredProp>& props) {
    // A batched message's values are handed out once; a second read asks the snapshot again.
    if (BatchEntry* entry = batched(id); entry != nullptr && entry->props) {
        props = std::move(*entry->props);
        entry->props.reset();
        return true;
    }
    props.clear();
    Stmt s(*this, Sql::PropsGet);
    s.bind(1, id);
    int rc = SQLITE_ROW;
    while ((rc = s.step()) == SQLITE_ROW) {
        props.push_back(StoredProp{static_cast<ULONG>(s.integer(0)), std::string(s.blob(1))});
    }
    return rc == SQLITE_DONE;
}

HRESULT Database::writeProps(ObjectId id, const std::vector<StoredProp>& props, bool makeVisible) {
    std::vector<PropBytes> views;
    views.reserve(props.size());
    for (const StoredProp& prop : props) {
        views.push_back(PropBytes{prop.tag, prop.bytes});
    }
    return writePropViews(id, views, makeVisible);
}

// The values are bound where the caller holds them: a long text is not copied before SQLite
// builds its record.
HRESULT Database::writePropViews(ObjectId id, const std::vector<PropBytes>& props,
                                 bool makeVisible) {
    Transaction tx(*this);
    if (tx.status() != S_OK) {
        return tx.status();
    }
    ObjectRow row;
    if (!object(id, row)) {
        return MAPI_E_NOT_FOUND;
    }
    for (const PropBytes& prop : props) {
        Stmt s(*this, Sql::PropPut);
        s.bind(1, id).bind(2, prop.tag).bindBlob(3, prop.bytes);
        if (const HRESULT hr = s.run(); hr != S_OK) {
            return hr;
        }
    }
    if (makeVisible) {
        Stmt s(*this, Sql::ObjectMakeVisible);
        s.bind(1, id);
        if (const HRESULT hr = s.run(); hr != S_OK) {
            return hr;
        }
    }
    return tx.commit();
}

HRESULT Database::deleteProp(ObjectId id, ULONG tag) {
    endSnapshot(nullptr);
    Stmt s(*this, Sql::PropDelete);
    s.bind(1, id).bind(2, tag);
    const HRESULT hr = s.run();
    NoteWrite();
    return hr;
}

bool Database::children(ObjectId parent, ObjectKind kind, ObjectId after, int limit,
                        std::vector<ObjectId>& ids) {
    ids.clear();
    Stmt s(*this, Sql::ChildrenAfter);
    s.bind(1, parent).bind(2, static_cast<int>(kind)).bind(3, after).bind(4, limit);
    int rc = SQLITE_ROW;
    while ((rc = s.step()) == SQLITE_ROW) {
        ids.push_back(s.integer(0));
    }
    return rc == SQLITE_DONE;
}

ULONG Database::countChildren(ObjectId parent, ObjectKind kind) {
    Stmt s(*this, Sql::ChildrenCount);
    s.bind(1, parent).bind(2, static_cast<int>(kind));
    return s.step() == SQLITE_ROW ? static_cast<ULONG>(s.integer(0)) : 0;
}

bool Database::findChild(ObjectId parent, ObjectKind kind, ObjectId after, ULONG tag,
                         const std::string& value, ObjectId& found) {
    found = 0;
    Stmt s(*this,
           tag == PR_MESSAGE_DELIVERY_TIME ? Sql::ChildWithDeliveryTime : Sql::ChildWithValue);
    s.bind(1, parent).bind(2, static_cast<int>(kind)).bind(3, after).bind(4, tag);
    s.bindBlob(5, value);
    const int rc = s.step();
    if (rc == SQLITE_ROW) {
        found = s.integer(0);
    }
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

ObjectId Database::childAt(ObjectId parent, ObjectKind kind, std::int64_t offset) {
    Stmt s(*this, Sql::ChildAt);
    s.bind(1, parent).bind(2, static_cast<int>(kind)).bind(3, offset);
    return s.step() == SQLITE_ROW ? s.integer(0) : 0;
}

HRESULT Database::insertObject(ObjectKind kind, ObjectId parent, ObjectId store, bool visible,
                               ObjectId& id) {
    std::int64_t creator = 0;
    if (!visible && (creator = leaseToken()) == 0) {
        return MAPI_E_CALL_FAILED;
    }
    Stmt s(*this, Sql::ObjectInsert);
    s.bind(1, static_cast<int>(kind)).bind(2, parent).bind(3, store).bind(4, visible ? 1 : 0);
    if (creator != 0) {
        s.bind(5, creator);
    }
    const HRESULT hr = s.run();
    id = hr == S_OK ? sqlite3_last_insert_rowid(db_) : 0;
    return hr;
}

HRESULT Database::insertStore(ObjectId& id) {
    Transaction tx(*this);
    if (tx.status() != S_OK) {
        return tx.status();
    }
    if (const HRESULT hr = insertObject(ObjectKind::Store, 0, 0, true, id); hr != S_OK) {
        return hr;
    }
    Stmt s(*this, Sql::ObjectSetStore);
    s.bind(1, id).bind(2, id);
    if (const HRESULT hr = s.run(); hr != S_OK) {
        return hr;
    }
    return tx.commit();
}

HRESULT Database::setOpenError(ObjectId id, HRESULT error) {
    endSnapshot(nullptr);
    Stmt s(*this, Sql::ObjectSetOpenError);
    s.bind(1, id).bind(2, error);
    const HRESULT hr = s.run();
    NoteWrite();
    return hr;
}

ObjectId Database::folderByName(ObjectId parent, std::u16string_view name) {
    const std::string bytes = TextBytes(name);
    Stmt s(*this, Sql::FolderByName);
    s.bind(1, parent).bindBlob(2, bytes).bind(3, PR_DISPLAY_NAME_W);
    return s.step() == SQLITE_ROW ? s.integer(0) : 0;
}

HRESULT Database::createFolder(ObjectId parent, ObjectId store, std::u16string_view name,
                               std::u16string_view comment, bool openIfExists, ObjectId& id) {
    // Opening an existing folder needs no write lock.
    if (openIfExists) {
        if (const ObjectId existing = folderByName(parent, name); existing != 0) {
            id = existing;
            return S_OK;
        }
    }
    Transaction tx(*this);
    if (tx.status() != S_OK) {
        return tx.status();
    }
    // The parent is a folder, or the store for its root folder.
    if (ObjectRow row; !object(parent, row) || row.kind == ObjectKind::Message) {
        return MAPI_E_NOT_FOUND;
    }
    if (const ObjectId existing = folderByName(parent, name); existing != 0) {
        if (!openIfExists) {
            return MAPI_E_COLLISION;
        }
        id = existing;
        return tx.commit();
    }
    if (const HRESULT hr = insertObject(ObjectKind::Folder, parent, store, true, id); hr != S_OK) {
        return hr;
    }
    std::vector<StoredProp> props{StoredProp{PR_DISPLAY_NAME_W, TextBytes(name)}};
    if (!comment.empty()) {
        props.push_back(StoredProp{PR_COMMENT_W, TextBytes(comment)});
    }
    if (const HRESULT hr = writeProps(id, props, false); hr != S_OK) {
        return hr;
    }
    return tx.commit();
}

} // namespace mapi_impl
