// Typed access to one file: a handle and the success flag of the most recent read or write.
// The flag is not sticky: each operation sets it to its own success.
#pragma once

#include "platform/wintypes.h"

#include <string>

class FileStream {
public:
    FileStream() = default;
    explicit FileStream(HANDLE handle) : handle_(handle) {}

    // Stores a handle without checking or closing a previous one.
    void attach(HANDLE handle) { handle_ = handle; }
    HANDLE handle() const { return handle_; }
    [[nodiscard]] bool ok() const { return ok_; }

    [[nodiscard]] bool writeU32(DWORD value);
    // The text up to its first U+0000, then one 0 unit.
    [[nodiscard]] bool writeString(const std::u16string& text);
    [[nodiscard]] bool writeFileTime(const FILETIME& time);
    [[nodiscard]] bool writeByte(BYTE value);

    [[nodiscard]] bool readU32(DWORD& value);
    // Reads units until a 0 unit or a failed read; a failed read leaves ok() false.
    [[nodiscard]] bool readString(std::u16string& text);
    [[nodiscard]] bool readFileTime(FILETIME& time);
    [[nodiscard]] bool readByte(BYTE& value);

    [[nodiscard]] bool flush();
    // Closes a valid handle and sets it to 0.
    bool close();

private:
    [[nodiscard]] bool set(bool result) { return ok_ = result; }

    HANDLE handle_ = 0;
    bool ok_ = false;
};
