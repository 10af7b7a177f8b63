// Message stores and folders.
#include "platform/mapi/objects.h"

namespace mapi_impl {
namespace {

template <class T> void ClearOut(T** out) {
    if (out != nullptr) {
        *out = nullptr;
    }
}

class StoreObject final : public PropObject<IMsgStore> {
public:
    StoreObject(DbPtr db, ObjectId id) : PropObject(std::move(db), ObjectKind::Store, id) {}
    ~StoreObject() override = default;

    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID, ULONG ulFlags,
                      ULONG* lpulObjType, LPUNKNOWN* lppUnk) override {
        ClearOut(lppUnk);
        if (const HRESULT hr = mapi_faults::Check(Op::StoreOpenEntry, Kind::Store, ulFlags);
            hr != S_OK) {
            return hr;
        }
        return OpenObject(db_, id_, cbEntryID, lpEntryID, lpulObjType, lppUnk);
    }

protected:
    Kind faultKind() const override { return Kind::Store; }
};

class FolderObject final : public PropObject<IMAPIFolder> {
public:
    FolderObject(DbPtr db, ObjectId id, ObjectId store)
        : PropObject(std::move(db), ObjectKind::Folder, id), store_(store) {}
    ~FolderObject() override = default;

    HRESULT GetContentsTable(ULONG ulFlags, IMAPITable** lppTable) override {
        return table(Op::GetContentsTable, TableSource::Contents, ulFlags, lppTable);
    }

    HRESULT GetHierarchyTable(ULONG ulFlags, IMAPITable** lppTable) override {
        return table(Op::GetHierarchyTable, TableSource::Hierarchy, ulFlags, lppTable);
    }

    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID, ULONG ulFlags,
                      ULONG* lpulObjType, LPUNKNOWN* lppUnk) override {
        ClearOut(lppUnk);
        if (const HRESULT hr = mapi_faults::Check(Op::FolderOpenEntry, Kind::Folder, ulFlags);
            hr != S_OK) {
            return hr;
        }
        if (cbEntryID == 0) {
            return MAPI_E_UNKNOWN_ENTRYID;
        }
        return OpenObject(db_, store_, cbEntryID, lpEntryID, lpulObjType, lppUnk);
    }

    HRESULT CreateMessage(LPCIID, ULONG ulFlags, IMessage** lppMessage) override {
        ClearOut(lppMessage);
        if (const HRESULT hr = mapi_faults::Check(Op::CreateMessage, Kind::Folder, ulFlags);
            hr != S_OK) {
            return hr;
        }
        if (lppMessage == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const auto lock = db_->lock();
        if (!exists()) {
            return MAPI_E_NOT_FOUND;
        }
        // Not stored until SetProps gives it its properties.
        *lppMessage = MakeNewMessage(db_, id_, store_);
        return S_OK;
    }

    HRESULT DeleteMessages(LPENTRYLIST lpMsgList, ULONG_PTR, IMAPIProgress*,
                           ULONG ulFlags) override {
        const LONG count = lpMsgList == nullptr ? 0 : static_cast<LONG>(lpMsgList->cValues);
        if (const HRESULT hr = mapi_faults::Check(Op::DeleteMessages, Kind::Folder, ulFlags, count);
            hr != S_OK) {
            return hr;
        }
        if (lpMsgList == nullptr || (lpMsgList->cValues > 0 && lpMsgList->lpbin == nullptr)) {
            return MAPI_E_INVALID_PARAMETER;
        }
        std::vector<ObjectId> ids;
        for (ULONG i = 0; i < lpMsgList->cValues; ++i) {
            const SBinary& entry = lpMsgList->lpbin[i];
            ObjectKind kind = ObjectKind::Store;
            ObjectId id = 0;
            if (!ParseEntryId(entry.cb, entry.lpb, kind, id) || kind != ObjectKind::Message) {
                return MAPI_E_INVALID_PARAMETER;
            }
            ids.push_back(id);
        }
        const auto lock = db_->lock();
        ULONG deleted = 0;
        if (const HRESULT hr = db_->deleteMessages(id_, ids, deleted); hr != S_OK) {
            return hr;
        }
        return deleted == ids.size() ? S_OK : MAPI_W_PARTIAL_COMPLETION;
    }

    HRESULT CreateFolder(ULONG ulFolderType, LPCWSTR lpszFolderName, LPCWSTR lpszFolderComment,
                         LPCIID, ULONG ulFlags, IMAPIFolder** lppFolder) override {
        ClearOut(lppFolder);
        if (const HRESULT hr = mapi_faults::Check(Op::CreateFolder, Kind::Folder, ulFlags);
            hr != S_OK) {
            return hr;
        }
        // The handset takes folder names as wide text only.
        if (lppFolder == nullptr || lpszFolderName == nullptr || *lpszFolderName == u'\0' ||
            (ulFlags & MAPI_UNICODE) == 0 || ulFolderType > FOLDER_GENERIC) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const auto lock = db_->lock();
        ObjectId id = 0;
        const std::u16string_view comment =
            lpszFolderComment == nullptr ? std::u16string_view() : lpszFolderComment;
        if (const HRESULT hr = db_->createFolder(id_, store_, lpszFolderName, comment,
                                                 (ulFlags & OPEN_IF_EXISTS) != 0, id);
            hr != S_OK) {
            return hr;
        }
        *lppFolder = MakeFolder(db_, id, store_);
        return S_OK;
    }

protected:
    Kind faultKind() const override { return Kind::Folder; }

private:
    bool exists() {
        ObjectRow row;
        return db_->object(id_, row);
    }

    HRESULT table(Op op, TableSource source, ULONG flags, IMAPITable** out) {
        ClearOut(out);
        if (const HRESULT hr = mapi_faults::Check(op, Kind::Folder, flags); hr != S_OK) {
            return hr;
        }
        if (out == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *out = MakeTable(db_, source, id_);
        return S_OK;
    }

    ObjectId store_;
};

} // namespace

IMsgStore* MakeStore(DbPtr db, ObjectId id) {
    return new StoreObject(std::move(db), id);
}

IMAPIFolder* MakeFolder(DbPtr db, ObjectId id, ObjectId store) {
    return new FolderObject(std::move(db), id, store);
}

} // namespace mapi_impl
