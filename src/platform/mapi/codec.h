// How the mail library's values are kept in its database: entry identifiers, property values
// as bytes, and recipient rows as one blob each.
#pragma once

#include "platform/mapi/mapi.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mapi_impl {

using ObjectId = std::int64_t;

enum class ObjectKind : int { Store = 1, Folder = 3, Message = 5 };

// A property as the database holds it: the full tag and the value's bytes.
struct StoredProp {
    ULONG tag;
    std::string bytes;
};

// Entry identifiers: four zero flag bytes, the library's signature, the kind and the row id.
inline constexpr std::size_t kEntryIdSize = 17;
std::string MakeEntryId(ObjectKind kind, ObjectId id);
// False when the bytes are not an entry identifier of this library.
[[nodiscard]] bool ParseEntryId(ULONG cb, LPENTRYID bytes, ObjectKind& kind, ObjectId& id);

[[nodiscard]] bool IsStorableType(ULONG type);
// The stored bytes of a value without copying them: texts and byte strings are viewed where the
// caller holds them, scalars are encoded into scratch. False as for EncodeValue.
bool ValueBytes(const SPropValue& value, std::string& scratch, std::string_view& bytes);
// False for a type the library does not keep (the value is then refused).
bool EncodeValue(const SPropValue& value, std::string& bytes);
// Fills value (tag included); strings and byte strings are copied onto root. False when memory
// runs out or the bytes do not fit the tag's type.
[[nodiscard]] bool DecodeValue(ULONG tag, std::string_view bytes, SPropValue& value, void* root);
// A PT_ERROR value for tag.
SPropValue ErrorValue(ULONG tag, SCODE error);

std::string EncodeRow(const std::vector<StoredProp>& props);
[[nodiscard]] bool DecodeRow(std::string_view blob, std::vector<StoredProp>& props);

std::string TextBytes(std::u16string_view text);
std::u16string BytesText(std::string_view bytes);

} // namespace mapi_impl
