#include "store/message_list.h"

#include "store/store_folder.h"

MessageList::MessageList(StoreFolder& folder, MapiPtr<IMAPITable> table, ULONG batchSize)
    : table_(std::move(table)), folder_(folder),
      batchSize_(batchSize == 0 ? kDefaultBatchSize : batchSize) {}

MessageList::~MessageList() {
    current_ = nullptr;
    cache_.clear();
    table_.reset();
}

ULONG MessageList::rowCount() {
    if (rowCount_ == 0) {
        ULONG count = 0;
        // The result code says nothing the count does not: a failed call leaves it 0.
        static_cast<void>(table_->GetRowCount(0, &count));
        rowCount_ = count;
    }
    return rowCount_;
}

bool MessageList::reset() {
    if (table_->SeekRow(BOOKMARK_BEGINNING, 0, nullptr) != S_OK) {
        return false;
    }
    current_ = nullptr;
    cache_.clear();
    position_ = 0;
    ended_ = false;
    return true;
}

bool MessageList::next() {
    if (position_ >= cache_.size()) {
        // A failed fetch ends the listing, but the messages opened before the failure are
        // handed over first: they were counted and must not be lost from the backup.
        if (ended_) {
            return false;
        }
        ended_ = !fetchBatch();
        position_ = 0;
        if (cache_.empty()) {
            return false;
        }
    }
    current_ = cache_[position_].get();
    ++position_;
    return true;
}

// Opens the messages of the next rows. A message that cannot be opened fails the fetch, which
// ends the listing as the end of the table would.
bool MessageList::fetchBatch() {
    current_ = nullptr;
    cache_.clear();
    RowSetPtr rows;
    if (table_->QueryRows(static_cast<LONG>(batchSize_), 0, rows.put()) != S_OK || !rows) {
        return false;
    }
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SRow& row = (&rows->aRow[0])[i];
        const SPropValue* entryId = FindProp(row.lpProps, row.cValues, PR_ENTRYID);
        if (entryId == nullptr) {
            return false;
        }
        ULONG type = 0;
        MapiPtr<IUnknown> opened;
        if (folder_.handle()->OpenEntry(entryId->Value.bin.cb, entryId->Value.bin.lpb, nullptr, 0,
                                        &type, opened.put()) != S_OK) {
            return false;
        }
        MapiPtr<IMessage> message = InterfaceCast<IMessage>(std::move(opened));
        if (!message) {
            return false;
        }
        cache_.push_back(std::make_unique<StoreMessage>(folder_, std::move(message)));
    }
    return true;
}
