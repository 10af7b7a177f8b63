#include "platform/mapi/packed_rows.h"

#include <cstdint>
#include <limits>

namespace mapi_impl {
namespace {

bool Skipped(const SPropValue& value) {
    const ULONG type = PROP_TYPE(value.ulPropTag);
    return type == PT_ERROR || type == PT_NULL;
}

void PutU32(std::string& out, std::uint32_t value) {
    char raw[sizeof(value)];
    std::memcpy(raw, &value, sizeof(value));
    out.append(raw, sizeof(value));
}

void PatchU32(std::string& out, std::size_t at, std::uint32_t value) {
    std::memcpy(out.data() + at, &value, sizeof(value));
}

// The encoded size of an entry's row, or false when it cannot be stored.
bool RowSize(const ADRENTRY& entry, std::size_t& size) {
    if (entry.cValues > 0 && entry.rgPropVals == nullptr) {
        return false;
    }
    std::string scratch;
    std::string_view bytes;
    size = sizeof(std::uint32_t);
    for (ULONG i = 0; i < entry.cValues; ++i) {
        const SPropValue& value = entry.rgPropVals[i];
        if (Skipped(value)) {
            continue;
        }
        if (!IsStorableType(PROP_TYPE(value.ulPropTag)) || !ValueBytes(value, scratch, bytes)) {
            return false;
        }
        size += 2 * sizeof(std::uint32_t) + bytes.size();
    }
    return size <= std::numeric_limits<std::uint32_t>::max();
}

// Appends an entry's row, whose values RowSize has accepted.
void AppendRow(const ADRENTRY& entry, std::string& out) {
    const std::size_t sizeAt = out.size();
    PutU32(out, 0);
    PutU32(out, 0);
    std::uint32_t count = 0;
    std::string scratch;
    std::string_view bytes;
    for (ULONG i = 0; i < entry.cValues; ++i) {
        const SPropValue& value = entry.rgPropVals[i];
        if (Skipped(value)) {
            continue;
        }
        ValueBytes(value, scratch, bytes);
        PutU32(out, value.ulPropTag);
        PutU32(out, static_cast<std::uint32_t>(bytes.size()));
        out.append(bytes);
        ++count;
    }
    const std::size_t rowStart = sizeAt + sizeof(std::uint32_t);
    PatchU32(out, sizeAt, static_cast<std::uint32_t>(out.size() - rowStart));
    PatchU32(out, rowStart, count);
}

} // namespace

// Measured first, so that the buffer is allocated once at its final size.
bool PackedRows::assign(const ADRLIST& list) {
    bytes_.clear();
    const ADRENTRY* entries = &list.aEntries[0];
    std::size_t total = 0;
    for (ULONG i = 0; i < list.cEntries; ++i) {
        std::size_t size = 0;
        if (!RowSize(entries[i], size)) {
            return false;
        }
        total += sizeof(std::uint32_t) + size;
    }
    std::string packed;
    packed.reserve(total);
    for (ULONG i = 0; i < list.cEntries; ++i) {
        AppendRow(entries[i], packed);
    }
    bytes_ = std::move(packed);
    return true;
}

void PackedRows::assign(const std::vector<std::vector<StoredProp>>& rows) {
    bytes_.clear();
    for (const auto& row : rows) {
        const std::string blob = EncodeRow(row);
        PutU32(bytes_, static_cast<std::uint32_t>(blob.size()));
        bytes_ += blob;
    }
}

} // namespace mapi_impl
