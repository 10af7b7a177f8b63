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

namespace {

// Ids closer than this share one range read; the rows of the ids between them that are not
// listed are read and passed over.
constexpr ObjectId kRangeGap = 32;

// The sorted ids as ranges of ids close together.
std::vector<std::pair<ObjectId, ObjectId>> Ranges(const std::vector<ObjectId>& sorted) {
    std::vector<std::pair<ObjectId, ObjectId>> ranges;
    for (const ObjectId id : sorted) {
        if (ranges.empty() || id - ranges.back().second > kRangeGap) {
            ranges.emplace_back(id, id);
        } else {
            ranges.back().second = id;
        }
    }
    return ranges;
}

} // namespace

// Rows of ids outside the batch are passed over; a listed id whose object is not there leaves
// the batch, so that its reads ask the database and fail there.
bool Database::fillBatch(const std::vector<ObjectId>& ids) {
    std::vector<ObjectId> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    const auto ranges = Ranges(sorted);
    // Runs one range statement over every range; false on a failed step or row.
    const auto each = [&](Sql which, const auto& take) {
        for (const auto& [first, last] : ranges) {
            Stmt s(*this, which);
            s.bind(1, first).bind(2, last);
            int rc = SQLITE_ROW;
            while ((rc = s.step()) == SQLITE_ROW) {
                BatchEntry* entry = batched(s.integer(0));
                if (entry != nullptr && !take(s, *entry)) {
                    return false;
                }
            }
            if (rc != SQLITE_DONE) {
                return false;
            }
        }
        return true;
    };
    for (const ObjectId id : sorted) {
        batch_.push_back(BatchEntry{ObjectRow{id}, std::nullopt, {}});
    }
    const bool objects = each(Sql::BatchObjects, [](const Stmt& s, BatchEntry& entry) {
        entry.row = ObjectRow{entry.row.id,      static_cast<ObjectKind>(s.integer(1)),
                              s.integer(2),      s.integer(3),
                              s.integer(4) != 0, static_cast<HRESULT>(s.integer(5))};
        entry.props.emplace();
        return true;
    });
    if (!objects) {
        return false;
    }
    std::erase_if(batch_, [](const BatchEntry& entry) { return !entry.props; });
    return each(Sql::BatchProps,
                [](const Stmt& s, BatchEntry& entry) {
                    entry.props->push_back(
                        StoredProp{static_cast<ULONG>(s.integer(1)), std::string(s.blob(2))});
                    return true;
                }) &&
           each(Sql::BatchRecipients, [](const Stmt& s, BatchEntry& entry) {
               RecipientRow row;
               row.seq = s.integer(1);
               if (!DecodeRow(s.blob(2), row.props)) {
                   return false;
               }
               entry.recipients.push_back(std::move(row));
               return true;
           });
}

BatchEntry* Database::batched(ObjectId id) {
    const auto at = std::lower_bound(
        batch_.begin(), batch_.end(), id,
        [](const BatchEntry& entry, ObjectId wanted) { return entry.row.id < wanted; });
    return at != batch_.end() && at->row.id == id ? &*at : nullptr;
}

} // namespace mapi_impl
