#include "export/unicode_encoder.h"

#include <bit>

bool UnicodeEncoder::WriteHeader(HANDLE file) const {
    static constexpr BYTE kByteOrderMark[] = {0xFF, 0xFE};
    return WriteBytes(file, kByteOrderMark, sizeof kByteOrderMark);
}

std::string UnicodeEncoder::Encode(const std::u16string& text) const {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

bool UnicodeEncoder::WriteText(HANDLE file, const std::u16string& text) const {
    if constexpr (std::endian::native == std::endian::little) {
        // The units are already in file order.
        return WriteBytes(file, text.data(), text.size() * sizeof(char16_t));
    } else {
        return WriteBytes(file, Encode(text));
    }
}
