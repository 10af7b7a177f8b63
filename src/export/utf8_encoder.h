// Text in UTF-8 behind the byte-order mark EF BB BF. A surrogate pair becomes the four-byte
// sequence of its character, an unpaired surrogate U+FFFD; NUL units are written as zero bytes.
#pragma once

#include "export/text_encoder.h"

class Utf8Encoder final : public TextEncoder {
public:
    Utf8Encoder() = default;

    [[nodiscard]] bool WriteHeader(HANDLE file) const override;
    std::string Encode(const std::u16string& text) const override;
    [[nodiscard]] bool WriteText(HANDLE file, const std::u16string& text) const override;
};
