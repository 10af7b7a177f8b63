// A cursor over a folder's contents table that opens the listed messages a batch at a time, so
// that at most one batch of messages is held in memory.
#pragma once

#include "platform/mapi/mapi.h"
#include "platform/mapi/mapi_ptr.h"
#include "store/store_message.h"

#include <memory>
#include <vector>

class StoreFolder;

class MessageList {
public:
    inline static constexpr ULONG kDefaultBatchSize = 10;

    // Takes over a contents table whose only column is PR_ENTRYID. A batch size of 0 means
    // the default.
    MessageList(StoreFolder& folder, MapiPtr<IMAPITable> table, ULONG batchSize);
    ~MessageList();
    MessageList(const MessageList&) = delete;
    MessageList& operator=(const MessageList&) = delete;

    // The table's row count, asked again while it is 0.
    ULONG rowCount();
    // Back to the first row; false (and nothing changed) when the table cannot seek.
    [[nodiscard]] bool reset();
    // Makes the next message current; false at the end of the table and on any failure (after
    // the messages of the failing batch that did open).
    [[nodiscard]] bool next();
    // Valid until the next fetch, the next reset or the list's destruction.
    StoreMessage* current() const { return current_; }
    ULONG batchSize() const { return batchSize_; }

private:
    [[nodiscard]] bool fetchBatch();

    MapiPtr<IMAPITable> table_;
    StoreFolder& folder_;
    ULONG batchSize_;
    std::vector<std::unique_ptr<StoreMessage>> cache_;
    ULONG rowCount_ = 0;
    std::size_t position_ = 0;
    StoreMessage* current_ = nullptr;
    bool ended_ = false; // a fetch failed: nothing more is listed until the next reset
};
