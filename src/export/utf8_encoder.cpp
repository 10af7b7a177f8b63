#include "export/utf8_encoder.h"

#include "platform/codepage.h"
#include "platform/utf.h"

#include <algorithm>
#include <string_view>

namespace {

// At most three bytes per UTF-16 unit; a pair of two units takes four.
constexpr std::size_t kMaxBytesPerUnit = 3;
// Keeps each platform call's lengths well inside an int.
constexpr std::size_t kLargestPiece = std::size_t{1} << 24;

void AppendUtf8(std::u16string_view piece, std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + piece.size() * kMaxBytesPerUnit);
    const int written = WideCharToMultiByte(
        CP_UTF8, 0, piece.data(), static_cast<int>(piece.size()), out.data() + start,
        static_cast<int>(piece.size() * kMaxBytesPerUnit), nullptr, nullptr);
    out.resize(start + static_cast<std::size_t>(std::max(written, 0)));
}

} // namespace

bool Utf8Encoder::WriteHeader(HANDLE file) const {
    static constexpr BYTE kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
    return WriteBytes(file, kByteOrderMark, sizeof kByteOrderMark);
}

std::string Utf8Encoder::Encode(const std::u16string& text) const {
    std::string out;
    std::u16string_view rest(text);
    while (!rest.empty()) {
        std::size_t length = std::min(rest.size(), kLargestPiece);
        // A pair must not be split between two calls.
        if (length < rest.size() && utf::IsHighSurrogate(rest[length - 1])) {
            --length;
        }
        AppendUtf8(rest.substr(0, length), out);
        rest.remove_prefix(length);
    }
    return out;
}

bool Utf8Encoder::WriteText(HANDLE file, const std::u16string& text) const {
    return WriteBytes(file, Encode(text));
}
