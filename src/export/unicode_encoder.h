// Text as UTF-16 code units, low byte first, behind the byte-order mark FF FE.
#pragma once

#include "export/text_encoder.h"

class UnicodeEncoder final : public TextEncoder {
public:
    UnicodeEncoder() = default;

    [[nodiscard]] bool WriteHeader(HANDLE file) const override;
    // The code units, two bytes each, low byte first.
    std::string Encode(const std::u16string& text) const override;
    [[nodiscard]] bool WriteText(HANDLE file, const std::u16string& text) const override;
};
