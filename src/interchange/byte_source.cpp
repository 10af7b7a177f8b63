#include "interchange/byte_source.h"

#include "files/file_access.h"
#include "platform/files.h"

#include <algorithm>
#include <cstring>
#include <limits>

long FileByteSource::Read(char* buffer, std::size_t size) {
    const auto wanted =
        static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max() / 2));
    DWORD read = 0;
    if (ReadFile(file_, buffer, wanted, &read, nullptr) == FALSE) {
        failure_ = ErrorText();
        return -1;
    }
    return static_cast<long>(read);
}

bool FileByteSource::Rewind() {
    return SeekFile(file_, 0, FILE_BEGIN);
}

long MemoryByteSource::Read(char* buffer, std::size_t size) {
    const std::size_t count = std::min(size, bytes_.size() - position_);
    if (count != 0) {
        std::memcpy(buffer, bytes_.data() + position_, count);
    }
    position_ += count;
    return static_cast<long>(count);
}
