// Where a reader's bytes come from: an open file of the file layer, or a buffer in memory (for
// the fuzz targets and tests). Both can start again from the beginning for a second pass.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <string>
#include <string_view>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to size bytes into buffer: the count read, 0 at the end, -1 on a failure (the last
    // error says which).
    virtual long Read(char* buffer, std::size_t size) = 0;
    // Back to the first byte; false when the source cannot go back.
    [[nodiscard]] virtual bool Rewind() = 0;
};

// Reads a handle that the caller keeps open and closes.
class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(HANDLE file) : file_(file) {}
    long Read(char* buffer, std::size_t size) override;
    [[nodiscard]] bool Rewind() override;
    // The system's reason for the last read that failed; empty while none has. A reader may
    // take such a failure for the end of what it can read, where the file itself is whole.
    const std::u16string& failure() const { return failure_; }

private:
    HANDLE file_;
    std::u16string failure_;
};

// Reads bytes that the caller keeps alive.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::string_view bytes) : bytes_(bytes) {}
    long Read(char* buffer, std::size_t size) override;
    [[nodiscard]] bool Rewind() override {
        position_ = 0;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};
