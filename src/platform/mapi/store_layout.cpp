// The layout of a handset message store: a root folder holding the five special folders,
// each reachable through a store property.
#include "platform/mapi/database.h"

namespace mapi_impl {
namespace {

struct SpecialFolderLayout {
    const char16_t* displayName;
    ULONG storeProperty;
};

constexpr SpecialFolderLayout kSpecialFolders[] = {
    {u"Drafts", PR_CE_IPM_DRAFTS_ENTRYID},
    {u"Inbox", PR_CE_IPM_INBOX_ENTRYID},
    {u"Outbox", PR_IPM_OUTBOX_ENTRYID},
    {u"Sent Items", PR_IPM_SENTMAIL_ENTRYID},
    {u"Deleted Items", PR_IPM_WASTEBASKET_ENTRYID},
};

} // namespace

HRESULT CreateSmsStyleStore(Database& db, std::u16string_view name, ObjectId& store) {
    Transaction tx(db);
    if (tx.status() != S_OK) {
        return tx.status();
    }
    if (const HRESULT hr = db.insertStore(store); hr != S_OK) {
        return hr;
    }
    ObjectId root = 0;
    if (const HRESULT hr = db.createFolder(store, store, u"Root", u"", false, root); hr != S_OK) {
        return hr;
    }
    std::vector<StoredProp> storeProps{
        StoredProp{PR_DISPLAY_NAME_W, TextBytes(name)},
        StoredProp{PR_IPM_SUBTREE_ENTRYID, MakeEntryId(ObjectKind::Folder, root)},
    };
    for (const SpecialFolderLayout& layout : kSpecialFolders) {
        ObjectId folder = 0;
        if (const HRESULT hr = db.createFolder(root, store, layout.displayName, u"", false, folder);
            hr != S_OK) {
            return hr;
        }
        storeProps.push_back(
            StoredProp{layout.storeProperty, MakeEntryId(ObjectKind::Folder, folder)});
    }
    if (const HRESULT hr = db.writeProps(store, storeProps, false); hr != S_OK) {
        return hr;
    }
    return tx.commit();
}

} // namespace mapi_impl
