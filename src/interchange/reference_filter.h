// A byte-stream filter in front of the XML parser, for the references that phones write and
// XML 1.0 forbids. A character outside the Basic Multilingual Plane written as two references
// to its UTF-16 halves ("&#55357;&#56832;") becomes the one reference of the character
// ("&#128512;"). A reference to a unit that XML cannot hold (C0 controls but tab, LF and CR,
// U+FFFE, U+FFFF, a lone surrogate half) becomes an escape that the parser accepts:
// U+10FFFD followed by the character U+100000 + the unit, which FromXmlUtf8 turns back into the
// unit. A U+10FFFD of the input, as bytes or as a reference, is written twice, so the escape is
// never ambiguous. References may have any number of leading zeros; every other byte passes
// unchanged.
#pragma once

#include "interchange/byte_source.h"

#include <string>

class ReferenceFilter {
public:
    explicit ReferenceFilter(ByteSource& source) : source_(source) {}
    // As ByteSource::Read: the count given, 0 at the end, -1 on a failure of the source.
    long Read(char* buffer, std::size_t size);

private:
    [[nodiscard]] bool Fill();
    void Rewrite(std::size_t limit);

    ByteSource& source_;
    std::string input_;  // bytes read but not yet examined
    std::string output_; // examined bytes not yet handed out
    std::size_t handedOut_ = 0;
    bool end_ = false;
};
