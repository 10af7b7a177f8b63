// The reading operations of a folder: its message list, its subfolders and its path.
#include "store/message_list.h"
#include "store/message_store.h"
#include "store/store_folder.h"

namespace {

// The folder of one hierarchy row, or nullptr when the row lacks what is needed or the folder
// cannot be opened.
std::unique_ptr<StoreFolder> OpenListedFolder(StoreFolder& parent, const SRow& row) {
    const SPropValue* entryId = FindProp(row.lpProps, row.cValues, PR_ENTRYID);
    if (entryId == nullptr) {
        return nullptr;
    }
    MapiPtr<IMAPIFolder> handle =
        parent.store().openFolderByEntryId(entryId->Value.bin.cb, entryId->Value.bin.lpb);
    if (!handle) {
        return nullptr;
    }
    const SPropValue* name = FindProp(row.lpProps, row.cValues, PR_DISPLAY_NAME_W);
    std::u16string folderName;
    if (name != nullptr && name->Value.lpszW != nullptr) {
        folderName = name->Value.lpszW;
    }
    return std::make_unique<StoreFolder>(parent.store(), std::move(folderName), std::move(handle),
                                         &entryId->Value.bin, &parent);
}

// Reads the hierarchy rows one at a time. A row that cannot be read, or a listed folder that
// cannot be opened, fails the whole listing: leaving the rest out would drop their messages
// from a backup without a word.
bool ListSubfolders(StoreFolder& parent, IMAPITable& table, StoreFolder::SubfolderList& list) {
    RowSetPtr rows;
    for (;;) {
        const HRESULT hr = table.QueryRows(1, 0, rows.put());
        if (FAILED(hr) || !rows) {
            return false;
        }
        if (rows->cRows == 0) {
            return true;
        }
        std::unique_ptr<StoreFolder> child = OpenListedFolder(parent, rows->aRow[0]);
        if (!child) {
            return false;
        }
        list.push_back(std::move(child));
    }
}

} // namespace

MessageList* StoreFolder::messages(ULONG batchSize) {
    if (messages_) {
        return messages_.get();
    }
    MapiPtr<IMAPITable> table;
    if (handle_->GetContentsTable(0, table.put()) != S_OK || !table) {
        return nullptr;
    }
    SizedSPropTagArray<1> columns{1, {PR_ENTRYID}};
    if (table->SetColumns(columns.ptr(), 0) != S_OK) {
        return nullptr;
    }
    messages_ = std::make_unique<MessageList>(*this, std::move(table), batchSize);
    return messages_.get();
}

StoreFolder::SubfolderList* StoreFolder::subfolders() {
    if (subfolders_) {
        return &*subfolders_;
    }
    MapiPtr<IMAPITable> table;
    if (handle_->GetHierarchyTable(0, table.put()) != S_OK || !table) {
        return nullptr;
    }
    SizedSPropTagArray<2> columns{2, {PR_ENTRYID, PR_DISPLAY_NAME_W}};
    if (table->SetColumns(columns.ptr(), 0) != S_OK) {
        return nullptr;
    }
    SubfolderList list;
    if (!ListSubfolders(*this, *table, list)) {
        return nullptr;
    }
    table.reset();
    subfolders_ = std::move(list);
    return &*subfolders_;
}

std::u16string StoreFolder::folderPath() const {
    return FolderPathOf(*this);
}
