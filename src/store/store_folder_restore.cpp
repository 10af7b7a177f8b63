// The operations of a folder that restore uses: opening or creating a subfolder by name,
// finding a message by its delivery time, and creating a message.
#include "store/store_folder.h"
#include "store/store_message.h"

namespace {

constexpr char16_t kNewFolderName[] = u"NewFolder";

// Only U+0020 counts as a blank here.
bool IsBlank(const std::u16string& name) {
    return name.find_first_not_of(u' ') == std::u16string::npos;
}

bool SameTime(const SRow& row, DWORD low, DWORD high) {
    const SPropValue* time = FindProp(row.lpProps, row.cValues, PR_MESSAGE_DELIVERY_TIME);
    return time != nullptr && time->Value.ft.dwLowDateTime == low &&
           time->Value.ft.dwHighDateTime == high;
}

} // namespace

std::u16string StoreFolder::subfolderName(const std::u16string& name) {
    return IsBlank(name) ? std::u16string(kNewFolderName) : name;
}

StoreFolder* StoreFolder::findSubfolder(const std::u16string& name) {
    const std::u16string used = subfolderName(name);
    SubfolderList* children = subfolders();
    if (children == nullptr) {
        return nullptr;
    }
    for (const auto& child : *children) {
        if (child->name() == used) {
            return child.get();
        }
    }
    return nullptr;
}

std::unique_ptr<StoreFolder> StoreFolder::createSubfolder(const std::u16string& name) {
    const std::u16string used = subfolderName(name);
    MapiPtr<IMAPIFolder> folder;
    if (handle_->CreateFolder(0, used.c_str(), nullptr, nullptr, MAPI_UNICODE | OPEN_IF_EXISTS,
                              folder.put()) != S_OK ||
        !folder) {
        return nullptr;
    }
    return std::make_unique<StoreFolder>(store_, used, std::move(folder), nullptr, nullptr);
}

// Rewinds the folder's lookup table and lets the library find the first row with that
// delivery time, so a search costs the same whatever the folder holds. The table is kept
// between searches, so restoring many messages into one folder does not rebuild it.
std::unique_ptr<StoreMessage> StoreFolder::findMessageByDeliveryTime(DWORD low, DWORD high) {
    if (low == 0 && high == 0) {
        return nullptr;
    }
    if (lookupTable_) {
        if (lookupTable_->SeekRow(BOOKMARK_BEGINNING, 0, nullptr) != S_OK) {
            return nullptr;
        }
    } else {
        MapiPtr<IMAPITable> table;
        if (handle_->GetContentsTable(0, table.put()) != S_OK || !table) {
            return nullptr;
        }
        SizedSPropTagArray<2> columns{2, {PR_MESSAGE_DELIVERY_TIME, PR_ENTRYID}};
        if (table->SetColumns(columns.ptr(), 0) != S_OK) {
            return nullptr;
        }
        lookupTable_ = std::move(table);
    }
    SPropValue wanted{};
    wanted.ulPropTag = PR_MESSAGE_DELIVERY_TIME;
    wanted.Value.ft = FILETIME{low, high};
    SRestriction restriction{};
    restriction.rt = RES_PROPERTY;
    restriction.res.resProperty = SPropertyRestriction{RELOP_EQ, PR_MESSAGE_DELIVERY_TIME, &wanted};
    if (lookupTable_->FindRow(&restriction, BOOKMARK_BEGINNING, 0) != S_OK) {
        return nullptr;
    }
    RowSetPtr rows;
    const HRESULT queried = lookupTable_->QueryRows(1, 0, rows.put());
    if (FAILED(queried) || !rows || rows->cRows == 0 || !SameTime(rows->aRow[0], low, high)) {
        return nullptr;
    }
    const SRow& row = rows->aRow[0];
    const SPropValue* entryId = FindProp(row.lpProps, row.cValues, PR_ENTRYID);
    if (entryId == nullptr) {
        return nullptr;
    }
    ULONG type = 0;
    MapiPtr<IUnknown> opened;
    const HRESULT hr = handle_->OpenEntry(entryId->Value.bin.cb, entryId->Value.bin.lpb, nullptr, 0,
                                          &type, opened.put());
    rows.reset();
    MapiPtr<IMessage> message = InterfaceCast<IMessage>(std::move(opened));
    if (hr != S_OK || !message) {
        return nullptr;
    }
    return std::make_unique<StoreMessage>(*this, std::move(message));
}

std::unique_ptr<StoreMessage> StoreFolder::createMessage() {
    MapiPtr<IMessage> message;
    if (handle_->CreateMessage(nullptr, 0, message.put()) != S_OK || !message) {
        return nullptr;
    }
    return std::make_unique<StoreMessage>(*this, std::move(message), StoreMessage::Origin::Created);
}
