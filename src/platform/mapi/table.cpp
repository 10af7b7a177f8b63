// Tables: live views over the stores, a folder's subfolders or messages, or a message's
// recipients. Rows come in creation order; the cursor is the key of the last row returned, so
// rows added while the table is open are seen, each query costs the rows it returns, and a
// table holds no copy of its rows. A contents table's query starts a read snapshot of the
// connection that lasts until its next query (Database::renewSnapshot).
#include "platform/mapi/memory.h"
#include "platform/mapi/objects.h"

#include <algorithm>

namespace mapi_impl {
namespace {

static_assert(kMaxRowsPerQuery <= static_cast<LONG>(kBatchSize), "a query's rows fit one batch");

std::vector<ULONG> DefaultColumns(TableSource source) {
    switch (source) {
    case TableSource::Stores:
    case TableSource::Hierarchy:
        return {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_OBJECT_TYPE};
    case TableSource::Contents:
        return {PR_ENTRYID, PR_MESSAGE_CLASS_W, PR_SUBJECT_W, PR_MESSAGE_DELIVERY_TIME,
                PR_MESSAGE_FLAGS};
    case TableSource::Recipients:
        return {PR_RECIPIENT_TYPE, PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W};
    }
    return {};
}

ObjectKind RowKind(TableSource source) {
    switch (source) {
    case TableSource::Stores:
        return ObjectKind::Store;
    case TableSource::Hierarchy:
        return ObjectKind::Folder;
    default:
        return ObjectKind::Message;
    }
}

class TableObject final : public RefCounted<IMAPITable> {
public:
    TableObject(DbPtr db, TableSource source, ObjectId owner)
        : db_(std::move(db)), source_(source), owner_(owner), columns_(DefaultColumns(source)) {}
    ~TableObject() override {
        const auto lock = db_->lock();
        db_->endSnapshot(this);
    }

    HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) override {
        if (lpulCount != nullptr) {
            *lpulCount = 0;
        }
        if (const HRESULT hr = mapi_faults::Check(Op::GetRowCount, Kind::Table, ulFlags);
            hr != S_OK) {
            return hr;
        }
        if (lpulCount == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const auto lock = db_->lock();
        *lpulCount = source_ == TableSource::Recipients ? db_->countRecipients(owner_)
                                                        : db_->countChildren(owner_, kind());
        return S_OK;
    }

    HRESULT SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) override {
        if (const HRESULT hr = mapi_faults::Check(
                Op::SetColumns, Kind::Table, ulFlags,
                lpPropTagArray == nullptr ? 0 : static_cast<LONG>(lpPropTagArray->cValues),
                lpPropTagArray);
            hr != S_OK) {
            return hr;
        }
        if (lpPropTagArray == nullptr || lpPropTagArray->cValues == 0) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const ULONG* first = &lpPropTagArray->aulPropTag[0];
        columns_.assign(first, first + lpPropTagArray->cValues);
        return S_OK;
    }

    HRESULT SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) override {
        if (lplRowsSought != nullptr) {
            *lplRowsSought = 0;
        }
        if (const HRESULT hr = mapi_faults::Check(Op::SeekRow, Kind::Table, bkOrigin, lRowCount);
            hr != S_OK) {
            return hr;
        }
        // The handset's library seeks from the beginning only.
        if (bkOrigin != BOOKMARK_BEGINNING) {
            return MAPI_E_NO_SUPPORT;
        }
        const auto lock = db_->lock();
        cursor_ = 0;
        LONG sought = 0;
        if (lRowCount > 0) {
            const std::int64_t key = keyAt(lRowCount - 1);
            if (key != 0) {
                cursor_ = key;
                sought = lRowCount;
            } else {
                // Past the end: after the last row.
                const LONG count = static_cast<LONG>(rowCount());
                cursor_ = count > 0 ? keyAt(count - 1) : 0;
                sought = count;
            }
        }
        if (lplRowsSought != nullptr) {
            *lplRowsSought = sought;
        }
        return S_OK;
    }

    HRESULT FindRow(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags) override {
        if (const HRESULT hr = mapi_faults::Check(Op::FindRow, Kind::Table, ulFlags); hr != S_OK) {
            return hr;
        }
        if (lpRestriction == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const SPropertyRestriction& property = lpRestriction->res.resProperty;
        if (lpRestriction->rt != RES_PROPERTY || property.relop != RELOP_EQ ||
            property.lpProp == nullptr || (ulFlags & DIR_BACKWARD) != 0 ||
            source_ == TableSource::Recipients ||
            (bkOrigin != BOOKMARK_BEGINNING && bkOrigin != BOOKMARK_CURRENT)) {
            return MAPI_E_NO_SUPPORT;
        }
        std::string value;
        if (!EncodeValue(*property.lpProp, value)) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const auto lock = db_->lock();
        const ObjectId after = bkOrigin == BOOKMARK_BEGINNING ? 0 : cursor_;
        ObjectId found = 0;
        if (!db_->findChild(owner_, kind(), after, property.ulPropTag, value, found)) {
            return db_->lastError();
        }
        if (found == 0) {
            return MAPI_E_NOT_FOUND;
        }
        // Ids are integers in table order: the next query starts at the found row.
        cursor_ = found - 1;
        return S_OK;
    }

    HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) override {
        if (lppRows != nullptr) {
            *lppRows = nullptr;
        }
        if (const HRESULT hr = mapi_faults::Check(Op::QueryRows, Kind::Table, ulFlags, lRowCount);
            hr != S_OK) {
            return hr;
        }
        if (lppRows == nullptr || lRowCount <= 0) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const auto lock = db_->lock();
        const int limit = static_cast<int>(std::min(lRowCount, kMaxRowsPerQuery));
        if (source_ == TableSource::Recipients) {
            return recipientRows(limit, lppRows);
        }
        // The messages of one batch are usually opened and read next: one snapshot serves the
        // batch and everything read from it until the next batch, instead of a read
        // transaction per statement.
        if (source_ == TableSource::Contents) {
            db_->renewSnapshot(this);
        }
        const HRESULT hr = objectRows(limit, lppRows);
        if (hr != S_OK || (*lppRows)->cRows == 0) {
            db_->endSnapshot(this);
        }
        return hr;
    }

protected:
    Kind faultKind() const override { return Kind::Table; }

private:
    ObjectKind kind() const { return RowKind(source_); }

    ULONG rowCount() {
        return source_ == TableSource::Recipients ? db_->countRecipients(owner_)
                                                  : db_->countChildren(owner_, kind());
    }

    std::int64_t keyAt(std::int64_t offset) {
        return source_ == TableSource::Recipients ? db_->recipientAt(owner_, offset)
                                                  : db_->childAt(owner_, kind(), offset);
    }

    bool needsStoredProps() const {
        for (const ULONG tag : columns_) {
            if (!IsComputedTag(tag)) {
                return true;
            }
        }
        return false;
    }

    // A row set of n rows, each row's values a block of their own.
    LPSRowSet newRowSet(std::size_t n) {
        auto* rows = static_cast<LPSRowSet>(AllocateRoot(CbNewSRowSet(static_cast<ULONG>(n))));
        if (rows != nullptr) {
            rows->cRows = 0;
        }
        return rows;
    }

    // Fills the next row of rows; fill gives each column's value. False when memory runs out.
    template <class FillColumn> bool appendRow(LPSRowSet rows, FillColumn fill) {
        auto* values =
            static_cast<LPSPropValue>(AllocateRoot(columns_.size() * sizeof(SPropValue)));
        if (values == nullptr) {
            return false;
        }
        SRow& row = (&rows->aRow[0])[rows->cRows];
        row = SRow{0, static_cast<ULONG>(columns_.size()), values};
        ++rows->cRows;
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            const Fill result = fill(columns_[i], values[i], values);
            if (result == Fill::NoMemory) {
                return false;
            }
            if (result == Fill::Missing) {
                values[i] = ErrorValue(columns_[i], MAPI_E_NOT_FOUND);
            }
        }
        return true;
    }

    HRESULT objectRows(int limit, LPSRowSet* out) {
        std::vector<ObjectId> ids;
        if (!db_->children(owner_, kind(), cursor_, limit, ids)) {
            return db_->lastError();
        }
        if (source_ == TableSource::Contents) {
            db_->readBatch(ids);
        }
        LPSRowSet rows = newRowSet(ids.size());
        if (rows == nullptr) {
            return MAPI_E_NOT_ENOUGH_MEMORY;
        }
        const bool needsStored = needsStoredProps();
        std::vector<StoredProp> stored;
        for (const ObjectId id : ids) {
            if (needsStored && !db_->readProps(id, stored)) {
                FreeRowSet(rows);
                return db_->lastError();
            }
            const bool ok = appendRow(rows, [&](ULONG tag, SPropValue& value, void* root) {
                return FillObjectValue(*db_, kind(), id, stored, tag, value, root);
            });
            if (!ok) {
                FreeRowSet(rows);
                return MAPI_E_NOT_ENOUGH_MEMORY;
            }
        }
        if (!ids.empty()) {
            cursor_ = ids.back();
        }
        *out = rows;
        return S_OK;
    }

    HRESULT recipientRows(int limit, LPSRowSet* out) {
        std::vector<RecipientRow> found;
        if (!db_->recipients(owner_, cursor_, limit, found)) {
            return MAPI_E_CALL_FAILED;
        }
        LPSRowSet rows = newRowSet(found.size());
        if (rows == nullptr) {
            return MAPI_E_NOT_ENOUGH_MEMORY;
        }
        for (const RecipientRow& recipient : found) {
            const bool ok = appendRow(rows, [&](ULONG tag, SPropValue& value, void* root) {
                if (tag == PR_ROWID) {
                    value = SPropValue{};
                    value.ulPropTag = tag;
                    value.Value.l = static_cast<LONG>(recipient.seq);
                    return Fill::Found;
                }
                return FillStoredValue(recipient.props, tag, value, root);
            });
            if (!ok) {
                FreeRowSet(rows);
                return MAPI_E_NOT_ENOUGH_MEMORY;
            }
        }
        if (!found.empty()) {
            cursor_ = found.back().seq;
        }
        *out = rows;
        return S_OK;
    }

    DbPtr db_;
    TableSource source_;
    ObjectId owner_;
    std::vector<ULONG> columns_;
    std::int64_t cursor_ = 0;
};

} // namespace

IMAPITable* MakeTable(DbPtr db, TableSource source, ObjectId owner) {
    return new TableObject(std::move(db), source, owner);
}

} // namespace mapi_impl
