// Logon sessions and opening objects by entry identifier.
#include "platform/device.h"
#include "platform/mapi/objects.h"

namespace mapi_impl {
namespace {

class SessionObject final : public RefCounted<IMAPISession> {
public:
    explicit SessionObject(DbPtr db) : db_(std::move(db)) { mapi_accounting::LoggedOn(); }
    ~SessionObject() override = default;

    HRESULT GetMsgStoresTable(ULONG ulFlags, IMAPITable** lppTable) override {
        if (lppTable != nullptr) {
            *lppTable = nullptr;
        }
        if (const HRESULT hr = mapi_faults::Check(Op::GetMsgStoresTable, Kind::Session, ulFlags);
            hr != S_OK) {
            return hr;
        }
        if (lppTable == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        if (loggedOff_) {
            return MAPI_E_CALL_FAILED;
        }
        *lppTable = MakeTable(db_, TableSource::Stores, 0);
        return S_OK;
    }

    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID, ULONG ulFlags,
                      ULONG* lpulObjType, LPUNKNOWN* lppUnk) override {
        if (lppUnk != nullptr) {
            *lppUnk = nullptr;
        }
        if (const HRESULT hr = mapi_faults::Check(Op::SessionOpenEntry, Kind::Session, ulFlags);
            hr != S_OK) {
            return hr;
        }
        if (loggedOff_) {
            return MAPI_E_CALL_FAILED;
        }
        return OpenObject(db_, 0, cbEntryID, lpEntryID, lpulObjType, lppUnk);
    }

    HRESULT Logoff(ULONG_PTR, ULONG, ULONG) override {
        mapi_faults::Note(Op::Logoff, Kind::Session);
        if (!loggedOff_) {
            loggedOff_ = true;
            mapi_accounting::LoggedOff();
        }
        return S_OK;
    }

protected:
    Kind faultKind() const override { return Kind::Session; }

private:
    DbPtr db_;
    bool loggedOff_ = false;
};

IUnknown* MakeObject(const DbPtr& db, const ObjectRow& row) {
    switch (row.kind) {
    case ObjectKind::Store:
        return MakeStore(db, row.id);
    case ObjectKind::Folder:
        return MakeFolder(db, row.id, row.store);
    case ObjectKind::Message:
        return MakeMessage(db, row.id);
    }
    return nullptr;
}

} // namespace

IMAPISession* MakeSession(DbPtr db) {
    return new SessionObject(std::move(db));
}

HRESULT OpenObject(const DbPtr& db, ObjectId store, ULONG cb, LPENTRYID entryId, ULONG* objectType,
                   LPUNKNOWN* object) {
    if (object == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    const auto lock = db->lock();
    ObjectRow row;
    if (cb == 0 && store != 0) {
        // No entry identifier opens the store's root folder.
        row.id = db->childAt(store, ObjectKind::Folder, 0);
        if (row.id == 0 || !db->object(row.id, row)) {
            return MAPI_E_NOT_FOUND;
        }
    } else {
        ObjectKind kind = ObjectKind::Store;
        ObjectId id = 0;
        if (!ParseEntryId(cb, entryId, kind, id)) {
            return MAPI_E_UNKNOWN_ENTRYID;
        }
        if (!db->object(id, row) || row.kind != kind || (store != 0 && row.store != store)) {
            return MAPI_E_NOT_FOUND;
        }
    }
    if (row.openError != S_OK) {
        return row.openError;
    }
    *object = MakeObject(db, row);
    if (objectType != nullptr) {
        *objectType = static_cast<ULONG>(row.kind);
    }
    return S_OK;
}

} // namespace mapi_impl

HRESULT MAPILogonEx(ULONG_PTR, LPCWSTR, LPCWSTR, ULONG ulFlags, IMAPISession** lppSession) {
    if (lppSession != nullptr) {
        *lppSession = nullptr;
    }
    if (const HRESULT hr =
            mapi_faults::Check(mapi_faults::Op::Logon, mapi_faults::Kind::Library, ulFlags);
        hr != S_OK) {
        return hr;
    }
    if (lppSession == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    HRESULT hr = S_OK;
    const auto access = (ulFlags & MAPI_LOGON_READ_ONLY) != 0 ? mapi_impl::Access::ReadOnly
                                                              : mapi_impl::Access::ReadWrite;
    auto db = mapi_impl::Database::Open(mapi_impl::StorePath(), hr, access);
    if (db == nullptr) {
        return hr;
    }
    *lppSession = mapi_impl::MakeSession(std::move(db));
    return S_OK;
}
