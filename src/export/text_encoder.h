// The character encodings of the readable exports: the bytes a file begins with, the
// conversion of a text, and writing a text in the encoding. Encoders hold no state.
#pragma once

#include "platform/wintypes.h"

#include <string>

class TextEncoder {
public:
    virtual ~TextEncoder() = default;
    TextEncoder(const TextEncoder&) = delete;
    TextEncoder& operator=(const TextEncoder&) = delete;

    // Writes the bytes that begin a file in this encoding.
    [[nodiscard]] virtual bool WriteHeader(HANDLE file) const = 0;
    // The text's bytes in this encoding, without terminator.
    virtual std::string Encode(const std::u16string& text) const = 0;
    // Writes the text in this encoding; every byte or failure.
    [[nodiscard]] virtual bool WriteText(HANDLE file, const std::u16string& text) const = 0;

protected:
    TextEncoder() = default;

    // Writes every byte; an empty buffer succeeds without a platform call.
    [[nodiscard]] static bool WriteBytes(HANDLE file, const void* bytes, std::size_t length);
    [[nodiscard]] static bool WriteBytes(HANDLE file, const std::string& bytes) {
        return WriteBytes(file, bytes.data(), bytes.size());
    }
};
