// Messages and their recipients.
#include "platform/mapi/objects.h"

namespace mapi_impl {
namespace {

class MessageObject final : public PropObject<IMessage> {
public:
    MessageObject(DbPtr db, ObjectId id) : PropObject(std::move(db), ObjectKind::Message, id) {}
    ~MessageObject() override = default;

    HRESULT GetRecipientTable(ULONG ulFlags, IMAPITable** lppTable) override {
        if (lppTable != nullptr) {
            *lppTable = nullptr;
        }
        if (const HRESULT hr = mapi_faults::Check(Op::GetRecipientTable, Kind::Message, ulFlags);
            hr != S_OK) {
            return hr;
        }
        if (lppTable == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const auto lock = db_->lock();
        if (db_->countRecipients(id_) == 0) {
            return MAPI_E_NO_RECIPIENTS;
        }
        *lppTable = MakeTable(db_, TableSource::Recipients, id_);
        return S_OK;
    }

    // MODRECIP_ADD (and 0) replace the recipient list with the given rows, as the handset's
    // library does.
    HRESULT ModifyRecipients(ULONG ulFlags, LPADRLIST lpMods) override {
        const LONG count = lpMods == nullptr ? 0 : static_cast<LONG>(lpMods->cEntries);
        if (const HRESULT hr =
                mapi_faults::Check(Op::ModifyRecipients, Kind::Message, ulFlags, count);
            hr != S_OK) {
            return hr;
        }
        if ((ulFlags & (MODRECIP_MODIFY | MODRECIP_REMOVE)) != 0) {
            return MAPI_E_NO_SUPPORT;
        }
        if (lpMods == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        std::vector<std::vector<StoredProp>> rows;
        const ADRENTRY* entries = &lpMods->aEntries[0];
        for (ULONG i = 0; i < lpMods->cEntries; ++i) {
            const ADRENTRY& entry = entries[i];
            if (entry.cValues > 0 && entry.rgPropVals == nullptr) {
                return MAPI_E_INVALID_PARAMETER;
            }
            std::vector<StoredProp> row;
            if (!ToStored(entry.rgPropVals, entry.cValues, row)) {
                return MAPI_E_INVALID_PARAMETER;
            }
            rows.push_back(std::move(row));
        }
        const auto lock = db_->lock();
        ObjectRow self;
        if (!db_->object(id_, self)) {
            return MAPI_E_NOT_FOUND;
        }
        return db_->replaceRecipients(id_, rows);
    }

protected:
    Kind faultKind() const override { return Kind::Message; }
};

} // namespace

IMessage* MakeMessage(DbPtr db, ObjectId id) {
    return new MessageObject(std::move(db), id);
}

} // namespace mapi_impl
