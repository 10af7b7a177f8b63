#include "interchange/reference_filter.h"

#include "interchange/text_codec.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

constexpr std::size_t kChunk = 1 << 16;
// A reference ("&#x" 7 digits ";") or the escape character's four bytes fit in this many
// bytes; input closer than that to the end of what was read waits for more.
constexpr std::size_t kLookahead = 32;
constexpr std::size_t kMaxDigits = 7;
// Leading zeros beyond this are left to the parser, which reads them as it reads any reference.
constexpr std::size_t kMaxZeros = 4096;
constexpr std::string_view kEscapeBytes = "\xF4\x8F\xBF\xBD"; // U+10FFFD in UTF-8

struct Reference {
    char32_t value = 0;
    std::size_t length = 0;
};

enum class Found { Reference, None, Incomplete };

int DigitOf(char c, bool hex) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (hex && c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (hex && c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A numeric character reference at text[at]: Incomplete when the text ends inside it.
Found ReferenceAt(std::string_view text, std::size_t at, Reference& reference) {
    std::size_t i = at + 2;
    if (text.compare(at, 2, "&#") != 0) {
        return text.size() - at < 2 ? Found::Incomplete : Found::None;
    }
    if (i == text.size()) {
        return Found::Incomplete;
    }
    const bool hex = text[i] == 'x' || text[i] == 'X';
    i += hex ? 1 : 0;
    const std::size_t zeros = i;
    while (i < text.size() && text[i] == '0' && i - zeros < kMaxZeros) {
        ++i;
    }
    const std::size_t first = i;
    char32_t value = 0;
    int digit = -1;
    while (i < text.size() && i - first <= kMaxDigits && (digit = DigitOf(text[i], hex)) >= 0) {
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
        ++i;
    }
    if (i == text.size()) {
        return Found::Incomplete;
    }
    if (i == zeros || i - first > kMaxDigits || text[i] != ';') {
        return Found::None;
    }
    reference = Reference{value, i + 1 - at};
    return Found::Reference;
}

bool IsHigh(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The units that XML 1.0 cannot hold.
bool IsForbidden(char32_t c) {
    return (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) || IsHigh(c) || IsLow(c) ||
           c == 0xFFFE || c == 0xFFFF;
}

void AppendReference(std::string& out, char32_t value) {
    out += "&#";
    out += std::to_string(value);
    out += ';';
}

void AppendEscaped(std::string& out, char32_t unit) {
    AppendReference(out, interchange::kXmlEscape);
    AppendReference(out, interchange::kXmlEscapedBase + unit);
}

} // namespace

bool ReferenceFilter::Fill() {
    const std::size_t old = input_.size();
    input_.resize(old + kChunk);
    const long read = source_.Read(input_.data() + old, kChunk);
    input_.resize(old + static_cast<std::size_t>(std::max(read, 0L)));
    if (read < 0) {
        return false;
    }
    end_ = read == 0;
    return true;
}

// Moves the examined input before limit to the output, rewriting the references XML forbids.
// A reference that the input cut off stays for the next call, however far back it began.
void ReferenceFilter::Rewrite(std::size_t limit) {
    const std::string_view text(input_);
    // The next '&' and the next lead byte of the escape character, each found with one memchr
    // and kept until passed: find_first_of would look for each byte of the set at every byte.
    std::size_t amp = text.find('&');
    std::size_t lead = text.find('\xF4');
    const auto nextTrigger = [&](std::size_t from) {
        if (amp != std::string_view::npos && amp < from) {
            amp = text.find('&', from);
        }
        if (lead != std::string_view::npos && lead < from) {
            lead = text.find('\xF4', from);
        }
        return std::min(amp, lead);
    };
    std::size_t copied = 0;
    std::size_t at = nextTrigger(0);
    while (at != std::string_view::npos && at < limit) {
        if (text[at] != '&') {
            if (text.compare(at, kEscapeBytes.size(), kEscapeBytes) == 0) {
                output_.append(text, copied, at - copied);
                AppendReference(output_, interchange::kXmlEscape);
                AppendReference(output_, interchange::kXmlEscape);
                copied = at + kEscapeBytes.size();
            }
            at = nextTrigger(at + 1);
            continue;
        }
        Reference first;
        const Found found = ReferenceAt(text, at, first);
        if (found == Found::Incomplete && !end_) {
            limit = at; // wait for the rest of it
            break;
        }
        const bool rewritten = found == Found::Reference &&
                               (IsForbidden(first.value) || first.value == interchange::kXmlEscape);
        if (!rewritten) {
            at = nextTrigger(at + 1);
            continue;
        }
        output_.append(text, copied, at - copied);
        std::size_t next = at + first.length;
        Reference second;
        const Found pair = IsHigh(first.value) ? ReferenceAt(text, next, second) : Found::None;
        if (pair == Found::Incomplete && !end_) {
            copied = at;
            limit = at;
            break;
        }
        if (first.value == interchange::kXmlEscape) {
            AppendReference(output_, interchange::kXmlEscape);
            AppendReference(output_, interchange::kXmlEscape);
        } else if (pair == Found::Reference && IsLow(second.value)) {
            AppendReference(output_,
                            0x10000 + ((first.value - 0xD800) << 10) + (second.value - 0xDC00));
            next += second.length;
        } else {
            AppendEscaped(output_, first.value);
        }
        copied = next;
        at = nextTrigger(copied);
    }
    const std::size_t end = std::max(copied, std::min(limit, text.size()));
    output_.append(text, copied, end - copied);
    input_.erase(0, end);
}

long ReferenceFilter::Read(char* buffer, std::size_t size) {
    while (handedOut_ == output_.size()) {
        output_.clear();
        handedOut_ = 0;
        if (end_ && input_.empty()) {
            return 0;
        }
        if (!end_ && !Fill()) {
            return -1;
        }
        Rewrite(end_ ? input_.size() : input_.size() - std::min(input_.size(), kLookahead));
    }
    const std::size_t count = std::min(size, output_.size() - handedOut_);
    std::memcpy(buffer, output_.data() + handedOut_, count);
    handedOut_ += count;
    return static_cast<long>(count);
}
