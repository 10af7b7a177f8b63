#include "store/message_store.h"

#include "store/name_compare.h"

namespace {

// The row's value for tag, or nullptr when the row lacks it (a PT_ERROR cell).
const SPropValue* Cell(const SRow& row, ULONG tag) {
    return FindProp(row.lpProps, row.cValues, tag);
}

bool NameMatches(const SRow& row, const std::u16string& wanted) {
    const SPropValue* name = Cell(row, PR_DISPLAY_NAME_W);
    return name != nullptr && name->Value.lpszW != nullptr &&
           compareNoCase(name->Value.lpszW, wanted) == 0;
}

} // namespace

MessageStore::MessageStore(const std::u16string& storeName, StoreAccess access)
    : open_(open(storeName, access)) {}

MessageStore::~MessageStore() {
    for (auto& folder : folders_) {
        folder.reset();
    }
    store_.reset();
    if (session_) {
        session_->Logoff(0, 0, 0);
        session_.reset();
    }
}

bool MessageStore::open(const std::u16string& storeName, StoreAccess access) {
    const ULONG flags = access == StoreAccess::ReadOnly ? MAPI_LOGON_READ_ONLY : 0;
    if (MAPILogonEx(0, nullptr, nullptr, flags, session_.put()) != S_OK || !session_) {
        return false;
    }
    MapiPtr<IMAPITable> stores;
    if (session_->GetMsgStoresTable(0, stores.put()) != S_OK || !stores) {
        return false;
    }
    SizedSPropTagArray<2> columns{2, {PR_ENTRYID, PR_DISPLAY_NAME_W}};
    if (stores->SetColumns(columns.ptr(), 0) != S_OK) {
        stores.reset();
        return false;
    }
    const bool found = openMatchingStore(*stores, storeName);
    stores.reset();
    return found;
}

// Reads the stores one row at a time and opens the first whose name matches. Every row set
// is freed before the table is released by the caller.
bool MessageStore::openMatchingStore(IMAPITable& stores, const std::u16string& storeName) {
    RowSetPtr rows;
    for (;;) {
        const HRESULT hr = stores.QueryRows(1, 0, rows.put());
        if (FAILED(hr) || !rows || rows->cRows != 1) {
            break;
        }
        const SRow& row = rows->aRow[0];
        if (!NameMatches(row, storeName)) {
            rows.reset();
            continue;
        }
        // A store row without an entry identifier cannot be opened: a failed open.
        const SPropValue* entryId = Cell(row, PR_ENTRYID);
        ULONG type = 0;
        MapiPtr<IUnknown> opened;
        if (entryId == nullptr ||
            session_->OpenEntry(entryId->Value.bin.cb, entryId->Value.bin.lpb, nullptr,
                                MAPI_BEST_ACCESS, &type, opened.put()) != S_OK) {
            rows.reset();
            return false;
        }
        store_ = InterfaceCast<IMsgStore>(std::move(opened));
        break;
    }
    rows.reset();
    return static_cast<bool>(store_);
}

StoreFolder* MessageStore::specialFolder(SpecialFolder which) {
    const std::size_t index = static_cast<std::size_t>(which);
    const SpecialFolderInfo& info = kSpecialFolders[index];
    std::unique_ptr<StoreFolder>& slot = folders_[index];
    if (slot) {
        return slot.get();
    }
    if (!store_) {
        return nullptr;
    }
    SizedSPropTagArray<1> tags{1, {info.storeProperty}};
    ULONG count = 0;
    // Freed on every path, the warning for a missing property included.
    MapiBuffer<SPropValue> value;
    if (store_->GetProps(tags.ptr(), 0, &count, value.put()) != S_OK || count != 1 ||
        value[0].ulPropTag != info.storeProperty) {
        return nullptr;
    }
    const SBinary& entryId = value[0].Value.bin;
    ULONG type = 0;
    MapiPtr<IUnknown> opened;
    if (store_->OpenEntry(entryId.cb, entryId.lpb, nullptr, 0, &type, opened.put()) != S_OK) {
        value.reset();
        return nullptr;
    }
    MapiPtr<IMAPIFolder> folder = InterfaceCast<IMAPIFolder>(std::move(opened));
    if (!folder) {
        return nullptr;
    }
    auto made =
        std::make_unique<StoreFolder>(*this, info.token, std::move(folder), &entryId, nullptr);
    value.reset();
    slot = std::move(made);
    return slot.get();
}

MapiPtr<IMAPIFolder> MessageStore::openFolderByEntryId(ULONG cb, const BYTE* entryId) {
    if (!store_) {
        return {};
    }
    ULONG type = 0;
    MapiPtr<IUnknown> opened;
    if (store_->OpenEntry(cb, entryId, nullptr, 0, &type, opened.put()) != S_OK) {
        return {};
    }
    return InterfaceCast<IMAPIFolder>(std::move(opened));
}
