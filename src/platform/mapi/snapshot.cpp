// Read snapshots of a connection and the batch of objects read into one.
#include "platform/mapi/database.h"
#include "platform/mapi/statement.h"

#include <algorithm>
#include <atomic>

namespace mapi_impl {
namespace {

// Counts the writes committed by the connections of this process, so that a snapshot never
// hides a write that this process has finished.
std::atomic<std::uint64_t> writeGeneration{0};

std::uint64_t WriteGeneration() {
    return writeGeneration.load(std::memory_order_acquire);
}

} // namespace

void NoteWrite() {
    writeGeneration.fetch_add(1, std::memory_order_release);
}

std::unique_lock<std::recursive_mutex> Database::lock() {
    std::unique_lock<std::recursive_mutex> held(mutex_);
    if (snapshotOwner_ != nullptr && snapshotGeneration_ != WriteGeneration()) {
        endSnapshot(nullptr);
    }
    return held;
}

void Database::renewSnapshot(const void* owner) {
    endSnapshot(nullptr);
    // Inside a write transaction the reads see it already.
    if (depth_ > 0) {
        return;
    }
    snapshotGeneration_ = WriteGeneration();
    // Without a snapshot each read is its own transaction, as before.
    if (Stmt(*this, Sql::BeginRead).run() == S_OK) {
        snapshotOwner_ = owner;
    }
}

void Database::endSnapshot(const void* owner) {
    if (snapshotOwner_ == nullptr || (owner != nullptr && owner != snapshotOwner_)) {
        return;
    }
    snapshotOwner_ = nullptr;
    batch_.clear();
    if (Stmt(*this, Sql::Commit).run() != S_OK && sqlite3_get_autocommit(db_) == 0) {
        Stmt(*this, Sql::Rollback).run();
    }
}

void Database::readBatch(const std::vector<ObjectId>& ids) {
    batch_.clear();
    if (snapshotOwner_ == nullptr || ids.size() > kBatchSize || !fillBatch(ids)) {
        batch_.clear();
    }
}

// Every listed id gets an entry, found or not, so that a missing one reads as missing.
bool Database::fillBatch(const std::vector<ObjectId>& ids) {
    std::vector<ObjectId> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    for (const ObjectId id : sorted) {
        batch_.push_back(BatchEntry{ObjectRow{}, std::vector<StoredProp>{}, {}});
        batch_.back().row.id = id;
    }
    const auto bindAll = [&sorted](Stmt& s) {
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            s.bind(static_cast<int>(i + 1), sorted[i]);
        }
    };
    std::vector<ObjectId> found;
    {
        Stmt s(*this, Sql::BatchObjects);
        bindAll(s);
        int rc = SQLITE_ROW;
        while ((rc = s.step()) == SQLITE_ROW) {
            BatchEntry* entry = batched(s.integer(0));
            if (entry == nullptr) {
                return false;
            }
            entry->row = ObjectRow{s.integer(0),      static_cast<ObjectKind>(s.integer(1)),
                                   s.integer(2),      s.integer(3),
                                   s.integer(4) != 0, static_cast<HRESULT>(s.integer(5))};
            found.push_back(entry->row.id);
        }
        if (rc != SQLITE_DONE) {
            return false;
        }
    }
    // An id that is not there leaves the batch: its reads ask the database and fail there.
    if (found.size() != sorted.size()) {
        std::erase_if(batch_, [&found](const BatchEntry& entry) {
            return !std::binary_search(found.begin(), found.end(), entry.row.id);
        });
    }
    {
        Stmt s(*this, Sql::BatchProps);
        bindAll(s);
        int rc = SQLITE_ROW;
        while ((rc = s.step()) == SQLITE_ROW) {
            if (BatchEntry* entry = batched(s.integer(0))) {
                entry->props->push_back(
                    StoredProp{static_cast<ULONG>(s.integer(1)), std::string(s.blob(2))});
            }
        }
        if (rc != SQLITE_DONE) {
            return false;
        }
    }
    Stmt s(*this, Sql::BatchRecipients);
    bindAll(s);
    int rc = SQLITE_ROW;
    while ((rc = s.step()) == SQLITE_ROW) {
        BatchEntry* entry = batched(s.integer(0));
        if (entry == nullptr) {
            continue;
        }
        RecipientRow row;
        row.seq = s.integer(1);
        if (!DecodeRow(s.blob(2), row.props)) {
            return false;
        }
        entry->recipients.push_back(std::move(row));
    }
    return rc == SQLITE_DONE;
}

BatchEntry* Database::batched(ObjectId id) {
    const auto at = std::lower_bound(
        batch_.begin(), batch_.end(), id,
        [](const BatchEntry& entry, ObjectId wanted) { return entry.row.id < wanted; });
    return at != batch_.end() && at->row.id == id ? &*at : nullptr;
}

} // namespace mapi_impl
