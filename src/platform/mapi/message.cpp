// Messages and their recipients.
#include "platform/mapi/objects.h"

#include <optional>
#include <vector>

namespace mapi_impl {
namespace {

// A created message stays in memory until SetProps stores it, with the recipients given
// before, in one transaction: the store never holds half of it, and it costs one write.
struct Pending {
    ObjectId folder = 0;
    ObjectId store = 0;
    std::optional<PackedRows> recipients;
};

class MessageObject final : public PropObject<IMessage> {
public:
    MessageObject(DbPtr db, ObjectId id) : PropObject(std::move(db), ObjectKind::Message, id) {}
    MessageObject(DbPtr db, ObjectId folder, ObjectId store)
        : PropObject(std::move(db), ObjectKind::Message, 0), pending_(Pending{folder, store, {}}) {}
    ~MessageObject() override = default;

    HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                     LPSPropValue* lppPropArray) override {
        // The entry identifier is available at once: asking for any value stores the message,
        // unlisted, under this connection's lease.
        if (pending_) {
            const auto lock = db_->lock();
            if (const HRESULT hr = store(); hr != S_OK) {
                return hr;
            }
        }
        return PropObject::GetProps(lpPropTagArray, ulFlags, lpcValues, lppPropArray);
    }

    HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray,
                     LPSPropProblemArray* lppProblems) override {
        if (!pending_) {
            // Only a message's first store may replace another.
            for (ULONG i = 0; lpPropArray != nullptr && i < cValues; ++i) {
                if (lpPropArray[i].ulPropTag == PR_REPLACED_ENTRYID) {
                    return MAPI_E_INVALID_PARAMETER;
                }
            }
            return PropObject::SetProps(cValues, lpPropArray, lppProblems);
        }
        if (lppProblems != nullptr) {
            *lppProblems = nullptr;
        }
        if (const HRESULT hr =
                mapi_faults::Check(Op::SetProps, Kind::Message, 0, static_cast<LONG>(cValues));
            hr != S_OK) {
            return hr;
        }
        mapi_faults::RecordValueTags(lpPropArray, cValues);
        std::vector<SPropValue> values;
        ObjectId replaced = 0;
        if (const HRESULT hr = TakeReplaced(cValues, lpPropArray, values, replaced); hr != S_OK) {
            return hr;
        }
        const auto lock = db_->lock();
        // One transaction: the message, listed, with its recipients and its properties, and
        // the deletion of the message it replaces.
        Transaction tx(*db_);
        if (tx.status() != S_OK) {
            return tx.status();
        }
        const PackedRows* recipients = pending_->recipients ? &*pending_->recipients : nullptr;
        ObjectId id = 0;
        if (const HRESULT hr =
                db_->insertMessage(pending_->folder, pending_->store, true, recipients, id);
            hr != S_OK) {
            return hr;
        }
        if (const HRESULT hr = SetObjectProps(*db_, kind_, id, static_cast<ULONG>(values.size()),
                                              values.data(), lppProblems);
            hr != S_OK) {
            return hr;
        }
        ULONG deleted = 0;
        if (replaced != 0) {
            if (const HRESULT hr = db_->deleteMessages(pending_->folder, {replaced}, deleted);
                hr != S_OK) {
                return hr;
            }
        }
        if (const HRESULT hr = tx.commit(); hr != S_OK) {
            if (lppProblems != nullptr) {
                MAPIFreeBuffer(*lppProblems);
                *lppProblems = nullptr;
            }
            return hr;
        }
        id_ = id;
        pending_.reset();
        return S_OK;
    }

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
        if (pending_) {
            if (const HRESULT hr = store(); hr != S_OK) {
                return hr;
            }
        }
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
        const ADRENTRY* entries = &lpMods->aEntries[0];
        for (ULONG i = 0; i < lpMods->cEntries; ++i) {
            mapi_faults::RecordValueTags(entries[i].rgPropVals, entries[i].cValues);
        }
        // Encoded once, at their final size: the list may be long.
        PackedRows rows;
        if (!rows.assign(*lpMods)) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const auto lock = db_->lock();
        if (pending_) {
            pending_->recipients = std::move(rows);
            return S_OK;
        }
        return db_->replaceRecipients(id_, rows);
    }

protected:
    Kind faultKind() const override { return Kind::Message; }

private:
    // The values to store, without PR_REPLACED_ENTRYID, and the message that one names (0 for
    // none); a value that names no message is refused.
    static HRESULT TakeReplaced(ULONG count, const SPropValue* in, std::vector<SPropValue>& out,
                                ObjectId& replaced) {
        out.reserve(count);
        for (ULONG i = 0; i < count; ++i) {
            if (in[i].ulPropTag != PR_REPLACED_ENTRYID) {
                out.push_back(in[i]);
                continue;
            }
            ObjectKind kind = ObjectKind::Store;
            const SBinary& entry = in[i].Value.bin;
            if (!ParseEntryId(entry.cb, entry.lpb, kind, replaced) || kind != ObjectKind::Message) {
                return MAPI_E_INVALID_PARAMETER;
            }
        }
        return S_OK;
    }

    // Stores the pending message, unlisted, under this connection's lease.
    HRESULT store() {
        ObjectId id = 0;
        const PackedRows* recipients = pending_->recipients ? &*pending_->recipients : nullptr;
        if (const HRESULT hr =
                db_->insertMessage(pending_->folder, pending_->store, false, recipients, id);
            hr != S_OK) {
            return hr;
        }
        id_ = id;
        pending_.reset();
        return S_OK;
    }

    std::optional<Pending> pending_;
};

} // namespace

IMessage* MakeMessage(DbPtr db, ObjectId id) {
    return new MessageObject(std::move(db), id);
}

IMessage* MakeNewMessage(DbPtr db, ObjectId folder, ObjectId store) {
    return new MessageObject(std::move(db), folder, store);
}

} // namespace mapi_impl
