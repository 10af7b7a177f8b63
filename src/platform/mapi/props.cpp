// Property reads and writes of stored objects, and the values tables and GetProps return.
#include "platform/mapi/memory.h"
#include "platform/mapi/objects.h"

#include <algorithm>

namespace mapi_impl {
namespace {

ULONG ObjectTypeOf(ObjectKind kind) {
    return static_cast<ULONG>(kind);
}

Fill FromBool(bool ok) {
    return ok ? Fill::Found : Fill::NoMemory;
}

Fill FillEntryId(const std::string& bytes, ULONG tag, SPropValue& out, void* root) {
    out = SPropValue{};
    out.ulPropTag = tag;
    out.Value.bin.cb = static_cast<ULONG>(bytes.size());
    out.Value.bin.lpb = CopyBytes(bytes.data(), bytes.size(), root);
    return FromBool(out.Value.bin.lpb != nullptr);
}

Fill FillLong(ULONG tag, ULONG value, SPropValue& out) {
    out = SPropValue{};
    out.ulPropTag = tag;
    out.Value.ul = value;
    return Fill::Found;
}

// The tags GetProps with no tag array returns besides the stored ones.
constexpr ULONG kComputedForAll[] = {PR_ENTRYID, PR_OBJECT_TYPE};

} // namespace

bool IsComputedTag(ULONG tag) {
    return tag == PR_ENTRYID || tag == PR_OBJECT_TYPE || tag == PR_PARENT_ENTRYID ||
           tag == PR_CONTENT_COUNT;
}

Fill FillStoredValue(const std::vector<StoredProp>& stored, ULONG tag, SPropValue& out,
                     void* root) {
    for (const StoredProp& prop : stored) {
        const bool matches = prop.tag == tag || (PROP_TYPE(tag) == PT_UNSPECIFIED &&
                                                 PROP_ID(prop.tag) == PROP_ID(tag));
        if (matches) {
            return FromBool(DecodeValue(prop.tag, prop.bytes, out, root));
        }
    }
    return Fill::Missing;
}

Fill FillObjectValue(Database& db, ObjectKind kind, ObjectId id,
                     const std::vector<StoredProp>& stored, ULONG tag, SPropValue& out,
                     void* root) {
    switch (tag) {
    case PR_ENTRYID:
        return FillEntryId(MakeEntryId(kind, id), tag, out, root);
    case PR_OBJECT_TYPE:
        return FillLong(tag, ObjectTypeOf(kind), out);
    case PR_PARENT_ENTRYID: {
        ObjectRow row;
        if (kind == ObjectKind::Store || !db.object(id, row) || row.parent == row.store) {
            return Fill::Missing;
        }
        return FillEntryId(MakeEntryId(ObjectKind::Folder, row.parent), tag, out, root);
    }
    case PR_CONTENT_COUNT:
        if (kind != ObjectKind::Folder) {
            return Fill::Missing;
        }
        return FillLong(tag, db.countChildren(id, ObjectKind::Message), out);
    default:
        return FillStoredValue(stored, tag, out, root);
    }
}

HRESULT GetObjectProps(Database& db, ObjectKind kind, ObjectId id, LPSPropTagArray tags,
                       ULONG* count, LPSPropValue* values) {
    if (count == nullptr || values == nullptr || (tags != nullptr && tags->cValues == 0)) {
        return MAPI_E_INVALID_PARAMETER;
    }
    std::vector<StoredProp> stored;
    if (!db.readProps(id, stored)) {
        return db.lastError();
    }
    ObjectRow row;
    if (stored.empty() && !db.object(id, row)) {
        return MAPI_E_NOT_FOUND;
    }
    std::vector<ULONG> wanted;
    if (tags != nullptr) {
        const ULONG* first = &tags->aulPropTag[0];
        wanted.assign(first, first + tags->cValues);
    } else {
        wanted.assign(std::begin(kComputedForAll), std::end(kComputedForAll));
        for (const StoredProp& prop : stored) {
            wanted.push_back(prop.tag);
        }
    }
    auto* array = static_cast<LPSPropValue>(AllocateRoot(wanted.size() * sizeof(SPropValue)));
    if (array == nullptr) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    bool missing = false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const Fill fill = FillObjectValue(db, kind, id, stored, wanted[i], array[i], array);
        if (fill == Fill::NoMemory) {
            FreeRoot(array);
            return MAPI_E_NOT_ENOUGH_MEMORY;
        }
        if (fill == Fill::Missing) {
            array[i] = ErrorValue(wanted[i], MAPI_E_NOT_FOUND);
            missing = true;
        }
    }
    *count = static_cast<ULONG>(wanted.size());
    *values = array;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT SetObjectProps(Database& db, ObjectKind kind, ObjectId id, ULONG count, LPSPropValue values,
                       LPSPropProblemArray* problems) {
    if (count == 0 || values == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    std::vector<SPropProblem> refused;
    // Scalars are encoded into their own scratch string; texts are viewed where the caller
    // holds them, so a long body is never copied here.
    std::vector<std::string> scratch(count);
    std::vector<PropBytes> stored;
    for (ULONG i = 0; i < count; ++i) {
        const ULONG tag = values[i].ulPropTag;
        if (IsComputedTag(tag)) {
            refused.push_back(SPropProblem{i, tag, MAPI_E_COMPUTED});
            continue;
        }
        if (PROP_TYPE(tag) == PT_ERROR || PROP_TYPE(tag) == PT_NULL) {
            continue;
        }
        std::string_view bytes;
        if (!IsStorableType(PROP_TYPE(tag)) || !ValueBytes(values[i], scratch[i], bytes)) {
            return MAPI_E_INVALID_PARAMETER;
        }
        stored.push_back(PropBytes{tag, bytes});
    }
    ObjectRow row;
    if (!db.object(id, row)) {
        return MAPI_E_NOT_FOUND;
    }
    // A created message joins its folder's contents in the transaction that stores its
    // properties, so no half-written message is ever listed.
    if (const HRESULT hr = db.writePropViews(id, stored, kind == ObjectKind::Message); hr != S_OK) {
        return hr;
    }
    if (problems != nullptr && !refused.empty()) {
        auto* array = static_cast<LPSPropProblemArray>(
            AllocateRoot(CbNewSPropProblemArray(static_cast<ULONG>(refused.size()))));
        if (array != nullptr) {
            array->cProblem = static_cast<ULONG>(refused.size());
            SPropProblem* first = &array->aProblem[0];
            std::copy(refused.begin(), refused.end(), first);
            *problems = array;
        }
    }
    return S_OK;
}

} // namespace mapi_impl
