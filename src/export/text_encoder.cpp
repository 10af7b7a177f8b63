#include "export/text_encoder.h"

#include "files/file_access.h"

#include <algorithm>

bool TextEncoder::WriteBytes(HANDLE file, const void* bytes, std::size_t length) {
    // The file layer counts in 32 bits; a longer text goes out in pieces.
    constexpr std::size_t kLargestWrite = std::size_t{1} << 30;
    const auto* next = static_cast<const BYTE*>(bytes);
    while (length > 0) {
        const std::size_t part = std::min(length, kLargestWrite);
        if (!WriteAll(file, next, static_cast<DWORD>(part))) {
            return false;
        }
        next += part;
        length -= part;
    }
    return true;
}
