#include "export/utf8_encoder.h"

#include "platform/utf.h"

bool Utf8Encoder::WriteHeader(HANDLE file) const {
    static constexpr BYTE kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
    return WriteBytes(file, kByteOrderMark, sizeof kByteOrderMark);
}

// The same bytes as the platform's CP_UTF8 conversion, without its int-sized pieces and copies.
std::string Utf8Encoder::Encode(const std::u16string& text) const {
    std::string out;
    utf::ToUtf8(text, out);
    return out;
}

bool Utf8Encoder::WriteText(HANDLE file, const std::u16string& text) const {
    return WriteBytes(file, Encode(text));
}
