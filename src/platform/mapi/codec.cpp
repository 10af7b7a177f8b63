#include "platform/mapi/codec.h"

#include "platform/mapi/memory.h"

#include <cstring>

namespace mapi_impl {
namespace {

constexpr char kSignature[4] = {'m', 'k', 'd', 'b'};

template <class T> void PutScalar(std::string& out, T value) {
    char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    out.append(raw, sizeof(T));
}

template <class T> bool GetScalar(std::string_view& in, T& value) {
    if (in.size() < sizeof(T)) {
        return false;
    }
    std::memcpy(&value, in.data(), sizeof(T));
    in.remove_prefix(sizeof(T));
    return true;
}

template <class T> bool ExactScalar(std::string_view bytes, T& value) {
    return bytes.size() == sizeof(T) && GetScalar(bytes, value);
}

} // namespace

std::string MakeEntryId(ObjectKind kind, ObjectId id) {
    std::string bytes(4, '\0');
    bytes.append(kSignature, sizeof(kSignature));
    bytes.push_back(static_cast<char>(kind));
    PutScalar(bytes, static_cast<std::uint64_t>(id));
    return bytes;
}

bool ParseEntryId(ULONG cb, LPENTRYID bytes, ObjectKind& kind, ObjectId& id) {
    if (cb != kEntryIdSize || bytes == nullptr) {
        return false;
    }
    const std::string_view view(reinterpret_cast<const char*>(bytes), cb);
    if (view.substr(0, 4) != std::string_view("\0\0\0\0", 4) ||
        view.substr(4, 4) != std::string_view(kSignature, 4)) {
        return false;
    }
    const int rawKind = static_cast<unsigned char>(view[8]);
    if (rawKind != static_cast<int>(ObjectKind::Store) &&
        rawKind != static_cast<int>(ObjectKind::Folder) &&
        rawKind != static_cast<int>(ObjectKind::Message)) {
        return false;
    }
    std::uint64_t raw = 0;
    std::memcpy(&raw, view.data() + 9, sizeof(raw));
    kind = static_cast<ObjectKind>(rawKind);
    id = static_cast<ObjectId>(raw);
    return id > 0;
}

bool IsStorableType(ULONG type) {
    switch (type) {
    case PT_I2:
    case PT_LONG:
    case PT_BOOLEAN:
    case PT_I8:
    case PT_SYSTIME:
    case PT_STRING8:
    case PT_UNICODE:
    case PT_BINARY:
        return true;
    default:
        return false;
    }
}

std::string TextBytes(std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

std::u16string BytesText(std::string_view bytes) {
    std::u16string text(bytes.size() / sizeof(char16_t), u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(char16_t));
    return text;
}

bool ValueBytes(const SPropValue& value, std::string& scratch, std::string_view& bytes) {
    scratch.clear();
    const PV& v = value.Value;
    switch (PROP_TYPE(value.ulPropTag)) {
    case PT_I2:
    case PT_BOOLEAN:
        PutScalar(scratch, v.i);
        break;
    case PT_LONG:
        PutScalar(scratch, v.l);
        break;
    case PT_I8:
        PutScalar(scratch, v.li);
        break;
    case PT_SYSTIME:
        PutScalar(scratch, v.ft.dwLowDateTime);
        PutScalar(scratch, v.ft.dwHighDateTime);
        break;
    case PT_UNICODE:
        if (v.lpszW == nullptr) {
            return false;
        }
        bytes = std::string_view(reinterpret_cast<const char*>(v.lpszW),
                                 std::char_traits<char16_t>::length(v.lpszW) * sizeof(char16_t));
        return true;
    case PT_STRING8:
        if (v.lpszA == nullptr) {
            return false;
        }
        bytes = std::string_view(v.lpszA);
        return true;
    case PT_BINARY:
        if (v.bin.cb > 0 && v.bin.lpb == nullptr) {
            return false;
        }
        bytes = std::string_view(reinterpret_cast<const char*>(v.bin.lpb), v.bin.cb);
        return true;
    default:
        return false;
    }
    bytes = scratch;
    return true;
}

bool EncodeValue(const SPropValue& value, std::string& bytes) {
    std::string scratch;
    std::string_view view;
    if (!ValueBytes(value, scratch, view)) {
        bytes.clear();
        return false;
    }
    bytes.assign(view);
    return true;
}

bool DecodeValue(ULONG tag, std::string_view bytes, SPropValue& value, void* root) {
    value = SPropValue{};
    value.ulPropTag = tag;
    PV& v = value.Value;
    switch (PROP_TYPE(tag)) {
    case PT_I2:
    case PT_BOOLEAN:
        return ExactScalar(bytes, v.i);
    case PT_LONG:
        return ExactScalar(bytes, v.l);
    case PT_I8:
        return ExactScalar(bytes, v.li);
    case PT_SYSTIME: {
        FILETIME ft;
        if (bytes.size() != 8 || !GetScalar(bytes, ft.dwLowDateTime) ||
            !GetScalar(bytes, ft.dwHighDateTime)) {
            return false;
        }
        v.ft = ft;
        return true;
    }
    case PT_UNICODE:
        if (bytes.size() % sizeof(char16_t) != 0) {
            return false;
        }
        v.lpszW = CopyText(BytesText(bytes), root);
        return v.lpszW != nullptr;
    case PT_STRING8: {
        auto* text = static_cast<char*>(AllocateChild(bytes.size() + 1, root));
        if (text == nullptr) {
            return false;
        }
        std::memcpy(text, bytes.data(), bytes.size());
        text[bytes.size()] = '\0';
        v.lpszA = text;
        return true;
    }
    case PT_BINARY:
        v.bin.cb = static_cast<ULONG>(bytes.size());
        v.bin.lpb = CopyBytes(bytes.data(), bytes.size(), root);
        return v.bin.lpb != nullptr;
    default:
        return false;
    }
}

SPropValue ErrorValue(ULONG tag, SCODE error) {
    SPropValue value{};
    value.ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
    value.Value.err = error;
    return value;
}

std::string EncodeRow(const std::vector<StoredProp>& props) {
    std::string blob;
    PutScalar(blob, static_cast<std::uint32_t>(props.size()));
    for (const StoredProp& prop : props) {
        PutScalar(blob, static_cast<std::uint32_t>(prop.tag));
        PutScalar(blob, static_cast<std::uint32_t>(prop.bytes.size()));
        blob += prop.bytes;
    }
    return blob;
}

bool DecodeRow(std::string_view blob, std::vector<StoredProp>& props) {
    props.clear();
    std::uint32_t count = 0;
    if (!GetScalar(blob, count)) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t tag = 0;
        std::uint32_t size = 0;
        if (!GetScalar(blob, tag) || !GetScalar(blob, size) || blob.size() < size) {
            return false;
        }
        props.push_back(StoredProp{tag, std::string(blob.substr(0, size))});
        blob.remove_prefix(size);
    }
    return blob.empty();
}

} // namespace mapi_impl
