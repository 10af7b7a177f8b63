// The mail library's database: one SQLite connection with its cached statements, and the
// object, property and recipient operations the library objects are built on. Every write is
// its own transaction, so a crash never leaves half a change behind.
#pragma once

#include "platform/host_locks.h"
#include "platform/mapi/codec.h"
#include "platform/mapi/lease.h"
#include "platform/mapi/packed_rows.h"

#include <array>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace mapi_impl {

struct ObjectRow {
    ObjectId id = 0;
    ObjectKind kind = ObjectKind::Store;
    ObjectId parent = 0; // 0 for a store
    ObjectId store = 0;
    bool visible = false;
    HRESULT openError = S_OK;
};

// A property to write: its full tag and a view of the value's bytes, held by the caller.
struct PropBytes {
    ULONG tag;
    std::string_view bytes;
};

struct RecipientRow {
    std::int64_t seq = 0;
    std::vector<StoredProp> props;
};

// One object of a batch read inside a snapshot: what the single-object reads would return.
struct BatchEntry {
    ObjectRow row;
    std::optional<std::vector<StoredProp>> props; // handed out once
    std::vector<RecipientRow> recipients;
};

// Objects one batch read fetches at most.
inline constexpr std::size_t kBatchSize = 10;

enum class Sql : int {
    Begin,
    BeginRead,
    Commit,
    Rollback,
    ObjectGet,
    ObjectInsert,
    ObjectSetStore,
    ObjectSetOpenError,
    ObjectMakeVisible,
    ObjectDelete,
    PropsGet,
    PropPut,
    PropDelete,
    PropsDeleteAll,
    ChildrenAfter,
    ChildrenCount,
    ChildAt,
    FolderByName,
    ChildWithValue,
    ChildWithDeliveryTime,
    RecipientsAfter,
    RecipientsCount,
    RecipientAt,
    RecipientInsert,
    RecipientsDeleteAll,
    BatchObjects,
    BatchProps,
    BatchRecipients,
    Count_
};

// The store database of the device in use: mail.db in the device folder.
std::filesystem::path StorePath();

// ReadOnly: the database is read as it stands; nothing is created, cleaned up or leased, and
// every write fails with MAPI_E_NO_ACCESS.
enum class Access { ReadWrite, ReadOnly };

class Database {
public:
    // Opens the database at path; a missing file is a new device and gets the "SMS" store with
    // its special folders (read-write only). Returns nullptr and sets hr on failure.
    static std::shared_ptr<Database> Open(const std::filesystem::path& path, HRESULT& hr,
                                          Access access = Access::ReadWrite);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // One thread at a time: a session may move between threads, but is never shared at once.
    // Taken at the start of every library call, so it also ends a snapshot that a write of
    // another connection of this process has made stale.
    std::unique_lock<std::recursive_mutex> lock();

    bool object(ObjectId id, ObjectRow& row);
    // All properties of an object; false on a database failure.
    bool readProps(ObjectId id, std::vector<StoredProp>& props);
    // Writes props (replacing equal tags) of an existing object, MAPI_E_NOT_FOUND when it is
    // gone; makeVisible lists a created message in its folder.
    HRESULT writeProps(ObjectId id, const std::vector<StoredProp>& props, bool makeVisible);
    // As writeProps, with the bytes viewed where the caller holds them.
    HRESULT writePropViews(ObjectId id, const std::vector<PropBytes>& props, bool makeVisible);
    HRESULT deleteProp(ObjectId id, ULONG tag);

    // Visible children of a kind, in creation order, after a given id.
    bool children(ObjectId parent, ObjectKind kind, ObjectId after, int limit,
                  std::vector<ObjectId>& ids);
    ULONG countChildren(ObjectId parent, ObjectKind kind);
    // The first visible child after the id after whose property tag holds exactly the encoded
    // value; found is 0 when there is none. The delivery time is served by an index.
    bool findChild(ObjectId parent, ObjectKind kind, ObjectId after, ULONG tag,
                   const std::string& value, ObjectId& found);
    // The id of the child at a 0-based offset, 0 when there is none.
    ObjectId childAt(ObjectId parent, ObjectKind kind, std::int64_t offset);

    // A hidden object is named by this connection's lease, so that no other process removes
    // it while this one lives.
    HRESULT insertObject(ObjectKind kind, ObjectId parent, ObjectId store, bool visible,
                         ObjectId& id);
    // A message of folder with its recipients when given, in one transaction: listed, or
    // unlisted under this connection's lease. MAPI_E_NOT_FOUND when the folder is gone.
    HRESULT insertMessage(ObjectId folder, ObjectId store, bool listed,
                          const PackedRows* recipients, ObjectId& id);
    // A store row: its own store.
    HRESULT insertStore(ObjectId& id);
    HRESULT setOpenError(ObjectId id, HRESULT error);
    // The first subfolder of parent named exactly name, 0 when there is none.
    ObjectId folderByName(ObjectId parent, std::u16string_view name);
    HRESULT createFolder(ObjectId parent, ObjectId store, std::u16string_view name,
                         std::u16string_view comment, bool openIfExists, ObjectId& id);
    // Deletes the listed messages of folder; deleted counts those that were there.
    HRESULT deleteMessages(ObjectId folder, const std::vector<ObjectId>& ids, ULONG& deleted);
    // Deletes an object and everything below it (admin use).
    HRESULT deleteTree(ObjectId id);

    bool recipients(ObjectId message, std::int64_t afterSeq, int limit,
                    std::vector<RecipientRow>& rows);
    ULONG countRecipients(ObjectId message);
    std::int64_t recipientAt(ObjectId message, std::int64_t offset);
    // Replaces the recipients of an existing message; MAPI_E_NOT_FOUND when it is gone.
    HRESULT replaceRecipients(ObjectId message, const PackedRows& rows);
    HRESULT replaceRecipients(ObjectId message, const std::vector<std::vector<StoredProp>>& rows);

    // One integer from a query with one bound id (admin and test use); -1 on failure.
    std::int64_t scalar(const char* sql, ObjectId arg);

    // A read snapshot: the reads of this connection share one read transaction until the
    // snapshot is ended or renewed, a write begins on this connection, or another connection
    // of this process writes. It saves a read lock per statement; other processes' writers
    // are not blocked (write-ahead log), they are only seen from the next snapshot on.
    void renewSnapshot(const void* owner);
    // Ends the snapshot when owner (or nullptr: anyone) holds it.
    void endSnapshot(const void* owner);
    // Reads the objects listed (at most kBatchSize), their properties and recipients into the
    // snapshot with a range statement per kind (more when the ids lie far apart); reads of
    // them then cost no statement. Nothing without a snapshot; the batch goes with it.
    void readBatch(const std::vector<ObjectId>& ids);

    // Transactions nest: only the outermost one begins and commits.
    HRESULT begin();
    HRESULT commit();
    void rollback();

    sqlite3_stmt* statement(Sql which);
    HRESULT lastError() const;

private:
    Database(sqlite3* db, std::filesystem::path leases, bool readOnly)
        : db_(db), leaseFolder_(std::move(leases)), readOnly_(readOnly) {}
    HRESULT initialise();
    HRESULT initialiseReadOnly();
    HRESULT schemaVersion(int& version);
    // Removes the unlisted messages whose creator's lease has ended (a crash, or a message
    // never given its properties). Runs inside the opening write transaction.
    HRESULT removeAbandoned();
    // This connection's lease token, taken on first use; 0 when no lease can be taken.
    std::int64_t leaseToken();
    bool exists(ObjectId id, ObjectKind kind);
    BatchEntry* batched(ObjectId id);
    bool fillBatch(const std::vector<ObjectId>& ids);

    // Keeps the database's files from other processes' writers; released after the close.
    host_locks::DatabaseHold hold_;
    sqlite3* db_;
    std::filesystem::path leaseFolder_;
    bool readOnly_;
    std::unique_ptr<Lease> lease_;
    std::recursive_mutex mutex_;
    std::array<sqlite3_stmt*, static_cast<std::size_t>(Sql::Count_)> statements_{};
    const void* snapshotOwner_ = nullptr;
    std::uint64_t snapshotGeneration_ = 0;
    std::vector<BatchEntry> batch_; // in id order
    int depth_ = 0;
    bool failed_ = false; // an inner step failed: the outermost transaction rolls back
};

// Begins on construction; rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Database& db) : db_(db), hr_(db.begin()) {}
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction() {
        if (hr_ == S_OK && !done_) {
            db_.rollback();
        }
    }
    HRESULT status() const { return hr_; }
    HRESULT commit() {
        done_ = true;
        return hr_ == S_OK ? db_.commit() : hr_;
    }

private:
    Database& db_;
    HRESULT hr_;
    bool done_ = false;
};

// Tells the connections of this process that a write was committed: their snapshots end.
void NoteWrite();

// Creates a store named name with its root folder, the five special folders and the store
// properties that lead to them; used for a new device and by the admin interface.
HRESULT CreateSmsStyleStore(Database& db, std::u16string_view name, ObjectId& store);

} // namespace mapi_impl
