#include "platform/mapi/row_snapshot.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace mapi_impl {
namespace {

// The objects this connection's statements touched, in order. A rollback may have undone any
// of them, so it starts a new epoch in which every copy is read again.
struct Journal {
    sqlite3* connection = nullptr;
    std::uint64_t epoch = 1;
    std::uint64_t base = 0; // sequence number of touched.front()
    std::vector<ObjectId> touched;
    bool ready = false; // the triggers are in place

    std::uint64_t end() const { return base + touched.size(); }
};

constexpr std::size_t kJournalLimit = 1 << 16;

// Recursive: SQLite calls Forget from inside a failed registration.
std::recursive_mutex registryMutex;
std::unordered_map<sqlite3*, Journal*> registry;

void Note(sqlite3_context* context, int, sqlite3_value** values) {
    auto* journal = static_cast<Journal*>(sqlite3_user_data(context));
    journal->touched.push_back(sqlite3_value_int64(values[0]));
    if (journal->touched.size() > kJournalLimit) {
        // Copies further behind than this are read again whole.
        const std::size_t dropped = kJournalLimit / 2;
        journal->touched.erase(journal->touched.begin(),
                               journal->touched.begin() + static_cast<std::ptrdiff_t>(dropped));
        journal->base += dropped;
    }
    sqlite3_result_null(context);
}

// Called by SQLite when the connection closes.
void Forget(void* data) {
    std::unique_ptr<Journal> journal(static_cast<Journal*>(data));
    const std::lock_guard lock(registryMutex);
    registry.erase(journal->connection);
}

void RolledBack(void* data) {
    ++static_cast<Journal*>(data)->epoch;
}

constexpr const char* kTriggers = R"sql(
CREATE TEMP TRIGGER IF NOT EXISTS note_object_insert AFTER INSERT ON main.objects
    BEGIN SELECT mapi_note_change(NEW.id); END;
CREATE TEMP TRIGGER IF NOT EXISTS note_object_update AFTER UPDATE ON main.objects
    BEGIN SELECT mapi_note_change(NEW.id); END;
CREATE TEMP TRIGGER IF NOT EXISTS note_object_delete AFTER DELETE ON main.objects
    BEGIN SELECT mapi_note_change(OLD.id); END;
CREATE TEMP TRIGGER IF NOT EXISTS note_prop_insert AFTER INSERT ON main.props
    BEGIN SELECT mapi_note_change(NEW.obj); END;
CREATE TEMP TRIGGER IF NOT EXISTS note_prop_update AFTER UPDATE ON main.props
    BEGIN SELECT mapi_note_change(NEW.obj); END;
CREATE TEMP TRIGGER IF NOT EXISTS note_prop_delete AFTER DELETE ON main.props
    BEGIN SELECT mapi_note_change(OLD.obj); END;
)sql";

// The connection's journal, set up on first use; nullptr when that fails.
Journal* JournalOf(sqlite3* connection) {
    const std::lock_guard lock(registryMutex);
    if (const auto found = registry.find(connection); found != registry.end()) {
        return found->second->ready ? found->second : nullptr;
    }
    auto made = std::make_unique<Journal>();
    made->connection = connection;
    Journal* journal = made.release(); // from here on SQLite owns it and calls Forget
    if (sqlite3_create_function_v2(connection, "mapi_note_change", 1, SQLITE_UTF8, journal, Note,
                                   nullptr, nullptr, Forget) != SQLITE_OK) {
        return nullptr;
    }
    registry.emplace(connection, journal);
    if (sqlite3_exec(connection, kTriggers, nullptr, nullptr, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    sqlite3_rollback_hook(connection, RolledBack, journal);
    journal->ready = true;
    return journal;
}

// Changes whenever another connection has committed.
std::int64_t DataVersion(sqlite3* connection) {
    sqlite3_stmt* statement = nullptr;
    std::int64_t version = -1;
    if (sqlite3_prepare_v2(connection, "PRAGMA data_version", -1, &statement, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        version = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    return version;
}

// One read transaction around a load, so that the database is locked once, not per statement.
class ReadTransaction {
public:
    explicit ReadTransaction(sqlite3* connection)
        : connection_(connection),
          began_(sqlite3_get_autocommit(connection) != 0 &&
                 sqlite3_exec(connection, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK) {}
    ~ReadTransaction() {
        if (began_) {
            sqlite3_exec(connection_, "COMMIT", nullptr, nullptr, nullptr);
        }
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    sqlite3* connection_;
    bool began_;
};

// The database's connection, through one of its statements.
sqlite3* ConnectionOf(Database& db) {
    return sqlite3_db_handle(db.statement(Sql::ObjectGet));
}

bool ById(const SnapshotRow& row, ObjectId id) {
    return row.id < id;
}

} // namespace

bool RowSnapshot::rowsAfter(Database& db, ObjectId after, int limit, bool withProps,
                            std::vector<const SnapshotRow*>& rows) {
    rows.clear();
    if (!current(db, withProps)) {
        return false;
    }
    auto collect = [&] {
        rows.clear();
        // A reader that goes on where it stopped needs no search.
        std::size_t at = 0;
        if (after != 0) {
            at = next_ > 0 && next_ <= rows_.size() && rows_[next_ - 1].id == after
                     ? next_
                     : static_cast<std::size_t>(
                           std::upper_bound(
                               rows_.begin(), rows_.end(), after,
                               [](ObjectId id, const SnapshotRow& row) { return id < row.id; }) -
                           rows_.begin());
        }
        for (; at < rows_.size() && static_cast<int>(rows.size()) < limit; ++at) {
            rows.push_back(&rows_[at]);
        }
        next_ = at;
    };
    collect();
    // Out of rows: rows that another connection added are read with a new copy.
    if (static_cast<int>(rows.size()) < limit && DataVersion(ConnectionOf(db)) != dataVersion_) {
        if (!load(db, withProps)) {
            return false;
        }
        collect();
    }
    return true;
}

bool RowSnapshot::current(Database& db, bool withProps) {
    Journal* journal = JournalOf(ConnectionOf(db));
    if (journal == nullptr) {
        return false;
    }
    if (!loaded_ || (withProps && !withProps_) || journal->epoch != journalEpoch_ ||
        journalSeen_ < journal->base) {
        return load(db, withProps);
    }
    if (checkOthers_) {
        checkOthers_ = false;
        if (DataVersion(ConnectionOf(db)) != dataVersion_) {
            return load(db, withProps);
        }
    }
    return applyOwnChanges(db);
}

bool RowSnapshot::load(Database& db, bool withProps) {
    sqlite3* connection = ConnectionOf(db);
    Journal* journal = JournalOf(connection);
    if (journal == nullptr) {
        return false;
    }
    loaded_ = false;
    checkOthers_ = false;
    rows_.clear();
    const ReadTransaction transaction(connection);
    dataVersion_ = DataVersion(connection);
    journalEpoch_ = journal->epoch;
    journalSeen_ = journal->end();
    std::vector<ObjectId> ids;
    if (!db.children(parent_, kind_, 0, INT_MAX, ids)) {
        return false;
    }
    rows_.reserve(ids.size());
    for (const ObjectId id : ids) {
        SnapshotRow row{id, {}};
        if (withProps && !db.readProps(id, row.props)) {
            rows_.clear();
            return false;
        }
        rows_.push_back(std::move(row));
    }
    withProps_ = withProps;
    loaded_ = true;
    return true;
}

bool RowSnapshot::applyOwnChanges(Database& db) {
    Journal* journal = JournalOf(ConnectionOf(db));
    if (journal->end() == journalSeen_) {
        return true;
    }
    const auto first =
        journal->touched.begin() + static_cast<std::ptrdiff_t>(journalSeen_ - journal->base);
    std::vector<ObjectId> ids(first, journal->touched.end());
    journalSeen_ = journal->end();
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (const ObjectId id : ids) {
        if (!refresh(db, id)) {
            loaded_ = false;
            return load(db, withProps_);
        }
    }
    return true;
}

// Brings one object's row up to date: added, replaced or removed.
bool RowSnapshot::refresh(Database& db, ObjectId id) {
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), id, ById);
    const bool present = at != rows_.end() && at->id == id;
    ObjectRow object;
    const bool listed =
        db.object(id, object) && object.parent == parent_ && object.kind == kind_ && object.visible;
    if (!listed) {
        if (present) {
            rows_.erase(at);
        }
        return true;
    }
    SnapshotRow row{id, {}};
    if (withProps_ && !db.readProps(id, row.props)) {
        return false;
    }
    if (present) {
        *at = std::move(row);
    } else {
        rows_.insert(at, std::move(row));
    }
    return true;
}

} // namespace mapi_impl
