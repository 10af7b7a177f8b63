#include "files/file_stream.h"

#include "files/file_access.h"
#include "platform/errors.h"
#include "platform/sizes.h"

#include <bit>

static_assert(std::endian::native == std::endian::little,
              "strings are written in the host's UTF-16 layout, which must be little-endian");

bool FileStream::writeU32(DWORD value) {
    return set(WriteU32(handle_, value));
}

bool FileStream::writeString(const std::u16string& text) {
    const std::size_t length = std::char_traits<char16_t>::length(text.c_str());
    std::uint32_t bytes = 0;
    if (!sizes::Length32(0, length + 1, sizeof(char16_t), bytes)) {
        SetLastError(ERROR_ARITHMETIC_OVERFLOW);
        return set(false);
    }
    return set(WriteAll(handle_, text.c_str(), bytes));
}

bool FileStream::writeFileTime(const FILETIME& time) {
    return writeU32(time.dwLowDateTime) && writeU32(time.dwHighDateTime);
}

bool FileStream::writeByte(BYTE value) {
    return set(WriteByte(handle_, value));
}

bool FileStream::readU32(DWORD& value) {
    return set(ReadU32(handle_, value));
}

bool FileStream::readString(std::u16string& text) {
    text.clear();
    for (;;) {
        char16_t unit = 0;
        if (!ReadUnit(handle_, unit)) {
            return set(false);
        }
        if (unit == 0) {
            return set(true);
        }
        text.push_back(unit);
    }
}

bool FileStream::readFileTime(FILETIME& time) {
    DWORD low = 0;
    DWORD high = 0;
    if (!readU32(low) || !readU32(high)) {
        return false;
    }
    time = FILETIME{low, high};
    return true;
}

bool FileStream::readByte(BYTE& value) {
    return set(ReadByte(handle_, value));
}

bool FileStream::flush() {
    return set(FlushFile(handle_));
}

bool FileStream::close() {
    return set(CloseIfValid(handle_));
}
