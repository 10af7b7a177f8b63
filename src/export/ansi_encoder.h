// Text in the platform's active ANSI code page, up to the first NUL. A character that the code
// page lacks becomes the code page's default character. Files begin with no marker.
#pragma once

#include "export/text_encoder.h"

class AnsiEncoder final : public TextEncoder {
public:
    AnsiEncoder() = default;

    [[nodiscard]] bool WriteHeader(HANDLE file) const override;
    std::string Encode(const std::u16string& text) const override;
    [[nodiscard]] bool WriteText(HANDLE file, const std::u16string& text) const override;
};
