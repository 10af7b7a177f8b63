// A byte source that hands on only valid UTF-8: every byte that begins no valid sequence (a
// stray continuation byte, a sequence cut short, an overlong form, a surrogate, a code point
// past U+10FFFF) becomes U+FFFD, counted. For salvage, which keeps what reads instead of
// refusing a file that an editor or a failed copy spoiled.
#pragma once

#include "interchange/byte_source.h"

#include <string>

class Utf8RepairSource final : public ByteSource {
public:
    explicit Utf8RepairSource(ByteSource& inner) : inner_(inner) {}
    long Read(char* buffer, std::size_t size) override;
    [[nodiscard]] bool Rewind() override;

    // Bytes replaced so far.
    unsigned long Replaced() const { return replaced_; }

private:
    [[nodiscard]] bool Refill();

    ByteSource& inner_;
    std::string pending_; // read but not yet checked: a sequence that may go on in the next read
    std::string checked_; // checked bytes not yet handed out
    std::size_t handedOut_ = 0;
    bool end_ = false;
    unsigned long replaced_ = 0;
};
