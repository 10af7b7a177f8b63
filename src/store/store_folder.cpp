#include "store/store_folder.h"

#include "store/message_list.h"

namespace {

std::vector<BYTE> ReadEntryId(IMAPIFolder* folder) {
    if (folder == nullptr) {
        return {};
    }
    SizedSPropTagArray<1> tags{1, {PR_ENTRYID}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    if (folder->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put()) != S_OK || count != 1 ||
        values[0].ulPropTag != PR_ENTRYID) {
        return {};
    }
    const SBinary& bin = values[0].Value.bin;
    return std::vector<BYTE>(bin.lpb, bin.lpb + bin.cb);
}

} // namespace

StoreFolder::StoreFolder(MessageStore& store, std::u16string name, MapiPtr<IMAPIFolder> handle,
                         const SBinary* entryId, const StoreFolder* parent)
    : store_(store), handle_(std::move(handle)), parent_(parent), name_(std::move(name)) {
    if (entryId != nullptr) {
        entryId_.assign(entryId->lpb, entryId->lpb + entryId->cb);
    } else {
        entryId_ = ReadEntryId(handle_.get());
    }
}

StoreFolder::~StoreFolder() {
    lookupTable_.reset();
    handle_.reset();
    messages_.reset();
    entryId_.clear();
    entryId_.shrink_to_fit();
    name_.clear();
    // The subfolders go with their parent, taken apart level by level so that a deep tree
    // needs no stack space per level.
    if (!subfolders_) {
        return;
    }
    SubfolderList pending = std::move(*subfolders_);
    while (!pending.empty()) {
        std::unique_ptr<StoreFolder> next = std::move(pending.back());
        pending.pop_back();
        if (next->subfolders_) {
            for (auto& child : *next->subfolders_) {
                pending.push_back(std::move(child));
            }
            next->subfolders_->clear();
        }
    }
}
