#include "interchange/utf8_repair_source.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kChunk = 1 << 16;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the valid sequence at text[at], 0 when none begins there, or -1 when the text
// ends before the sequence could be judged.
int SequenceAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        return 1;
    }
    int length = 0;
    unsigned char low = 0x80;  // the second byte's range, narrowed to refuse overlong forms,
    unsigned char high = 0xBF; // surrogates and code points past U+10FFFF
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (at + static_cast<std::size_t>(i) >= text.size()) {
            return -1;
        }
        const auto c = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return length;
}

} // namespace

bool Utf8RepairSource::Refill() {
    const std::size_t old = pending_.size();
    pending_.resize(old + kChunk);
    const long read = inner_.Read(pending_.data() + old, kChunk);
    pending_.resize(old + static_cast<std::size_t>(std::max(read, 0L)));
    if (read < 0) {
        return false;
    }
    end_ = read == 0;
    const std::string_view text(pending_);
    std::size_t at = 0;
    std::size_t copied = 0;
    while (at < text.size()) {
        // Runs of ASCII, the common case, are copied whole.
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const int length = SequenceAt(text, at);
        if (length < 0 && !end_) {
            break; // the rest may arrive with the next read
        }
        if (length > 0) {
            at += static_cast<std::size_t>(length);
            continue;
        }
        checked_.append(text, copied, at - copied);
        checked_ += kReplacement;
        ++replaced_;
        copied = ++at;
    }
    checked_.append(text, copied, at - copied);
    pending_.erase(0, at);
    return true;
}

long Utf8RepairSource::Read(char* buffer, std::size_t size) {
    while (handedOut_ == checked_.size()) {
        checked_.clear();
        handedOut_ = 0;
        if (end_) {
            return 0;
        }
        if (!Refill()) {
            return -1;
        }
    }
    const std::size_t count = std::min(size, checked_.size() - handedOut_);
    std::memcpy(buffer, checked_.data() + handedOut_, count);
    handedOut_ += count;
    return static_cast<long>(count);
}

bool Utf8RepairSource::Rewind() {
    pending_.clear();
    checked_.clear();
    handedOut_ = 0;
    end_ = false;
    replaced_ = 0;
    return inner_.Rewind();
}
