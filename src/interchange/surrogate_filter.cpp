#include "interchange/surrogate_filter.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

constexpr std::size_t kChunk = 1 << 16;
// The longest pair the filter rewrites ("&#x" 7 digits ";" twice) fits in this many bytes;
// input closer than that to the end of what was read waits for more.
constexpr std::size_t kLookahead = 32;
constexpr std::size_t kMaxDigits = 7;

struct Reference {
    char32_t value = 0;
    std::size_t length = 0;
};

// A numeric character reference at text[at], or none.
std::optional<Reference> ReferenceAt(std::string_view text, std::size_t at) {
    if (text.compare(at, 2, "&#") != 0) {
        return std::nullopt;
    }
    std::size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    i += hex ? 1 : 0;
    const std::size_t first = i;
    char32_t value = 0;
    while (i < text.size() && i - first < kMaxDigits) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            break;
        }
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
        ++i;
    }
    if (i == first || i >= text.size() || text[i] != ';') {
        return std::nullopt;
    }
    return Reference{value, i + 1 - at};
}

bool IsHigh(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendReference(std::string& out, char32_t value) {
    out += "&#";
    out += std::to_string(value);
    out += ';';
}

} // namespace

bool SurrogateFilter::Fill() {
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

// Moves the examined input before limit to the output, rewriting surrogate references.
void SurrogateFilter::Rewrite(std::size_t limit) {
    const std::string_view text(input_);
    std::size_t copied = 0;
    std::size_t at = text.find('&');
    while (at != std::string_view::npos && at < limit) {
        const std::optional<Reference> first = ReferenceAt(text, at);
        if (!first || !(IsHigh(first->value) || IsLow(first->value))) {
            at = text.find('&', at + 1);
            continue;
        }
        output_.append(text, copied, at - copied);
        const std::size_t next = at + first->length;
        const std::optional<Reference> second =
            IsHigh(first->value) ? ReferenceAt(text, next) : std::nullopt;
        if (second && IsLow(second->value)) {
            AppendReference(output_,
                            0x10000 + ((first->value - 0xD800) << 10) + (second->value - 0xDC00));
            copied = next + second->length;
        } else {
            AppendReference(output_, 0xFFFD);
            copied = next;
        }
        at = text.find('&', copied);
    }
    const std::size_t end = std::max(copied, std::min(limit, text.size()));
    output_.append(text, copied, end - copied);
    input_.erase(0, end);
}

long SurrogateFilter::Read(char* buffer, std::size_t size) {
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
