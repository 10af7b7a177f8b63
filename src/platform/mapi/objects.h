// The mail library's objects over the database: sessions, stores, folders, messages and
// tables, each reference counted, each call checked against the armed faults.
#pragma once

#include "platform/mapi/accounting.h"
#include "platform/mapi/database.h"
#include "platform/mapi/mapi_faults.h"

#include <atomic>
#include <memory>

namespace mapi_impl {

using DbPtr = std::shared_ptr<Database>;
using mapi_faults::Kind;
using mapi_faults::Op;

inline constexpr ULONG PR_ROWID = 0x30000003;
// Rows a table returns per QueryRows call at most, as the handset's library does.
inline constexpr LONG kMaxRowsPerQuery = 10;

// Reference counting and the accounting of references for interface I.
template <class I> class RefCounted : public I {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    ULONG AddRef() override {
        mapi_accounting::ReferenceAdded();
        return refs_.fetch_add(1) + 1;
    }
    ULONG Release() override {
        mapi_faults::Note(Op::Release, faultKind(), objectId());
        mapi_accounting::ReferenceDropped();
        const ULONG left = refs_.fetch_sub(1) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    RefCounted() { mapi_accounting::ReferenceAdded(); }
    ~RefCounted() override = default;
    virtual Kind faultKind() const = 0;
    virtual ObjectId objectId() const { return 0; }

private:
    std::atomic<ULONG> refs_{1};
};

[[nodiscard]] HRESULT GetObjectProps(Database& db, ObjectKind kind, ObjectId id,
                                     LPSPropTagArray tags, ULONG* count, LPSPropValue* values);
[[nodiscard]] HRESULT SetObjectProps(Database& db, ObjectKind kind, ObjectId id, ULONG count,
                                     LPSPropValue values, LPSPropProblemArray* problems);

// Property access for a stored object.
template <class I> class PropObject : public RefCounted<I> {
public:
    [[nodiscard]] HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                                   LPSPropValue* lppPropArray) override {
        if (lpcValues != nullptr) {
            *lpcValues = 0;
        }
        if (lppPropArray != nullptr) {
            *lppPropArray = nullptr;
        }
        const LONG asked =
            lpPropTagArray == nullptr ? 0 : static_cast<LONG>(lpPropTagArray->cValues);
        if (const HRESULT hr =
                mapi_faults::Check(Op::GetProps, this->faultKind(), ulFlags, asked, lpPropTagArray);
            hr != S_OK) {
            return hr;
        }
        const auto lock = db_->lock();
        return GetObjectProps(*db_, kind_, id_, lpPropTagArray, lpcValues, lppPropArray);
    }
    [[nodiscard]] HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray,
                                   LPSPropProblemArray* lppProblems) override {
        if (lppProblems != nullptr) {
            *lppProblems = nullptr;
        }
        if (const HRESULT hr =
                mapi_faults::Check(Op::SetProps, this->faultKind(), 0, static_cast<LONG>(cValues));
            hr != S_OK) {
            return hr;
        }
        const auto lock = db_->lock();
        return SetObjectProps(*db_, kind_, id_, cValues, lpPropArray, lppProblems);
    }

protected:
    PropObject(DbPtr db, ObjectKind kind, ObjectId id) : db_(std::move(db)), kind_(kind), id_(id) {}
    ObjectId objectId() const override { return id_; }

    DbPtr db_;
    ObjectKind kind_;
    ObjectId id_;
};

enum class TableSource { Stores, Hierarchy, Contents, Recipients };

IMAPISession* MakeSession(DbPtr db);
IMsgStore* MakeStore(DbPtr db, ObjectId id);
IMAPIFolder* MakeFolder(DbPtr db, ObjectId id, ObjectId store);
IMessage* MakeMessage(DbPtr db, ObjectId id);
// A message created in folder, stored when its properties are set.
IMessage* MakeNewMessage(DbPtr db, ObjectId folder, ObjectId store);
IMAPITable* MakeTable(DbPtr db, TableSource source, ObjectId owner);

// Opens the object an entry identifier names; with store non-zero only objects of that store.
[[nodiscard]] HRESULT OpenObject(const DbPtr& db, ObjectId store, ULONG cb, LPENTRYID entryId,
                                 ULONG* objectType, LPUNKNOWN* object);

// Filling returned values.
enum class Fill { Found, Missing, NoMemory };
[[nodiscard]] bool IsComputedTag(ULONG tag);
// A value of an object: computed (entry identifier, object type, ...) or stored.
Fill FillObjectValue(Database& db, ObjectKind kind, ObjectId id,
                     const std::vector<StoredProp>& stored, ULONG tag, SPropValue& out, void* root);
Fill FillStoredValue(const std::vector<StoredProp>& stored, ULONG tag, SPropValue& out, void* root);

} // namespace mapi_impl
