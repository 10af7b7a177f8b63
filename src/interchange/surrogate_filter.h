// A byte-stream filter in front of the XML parser. Many phones write a character outside the
// Basic Multilingual Plane as two numeric references to its UTF-16 halves ("&#55357;&#56832;"),
// which XML forbids and strict parsers reject; the filter rewrites each such pair into the one
// reference of the character ("&#128512;"), and a lone half into U+FFFD ("&#65533;"). Every
// other byte passes unchanged, and the output is never longer than the input.
#pragma once

#include "interchange/byte_source.h"

#include <string>

class SurrogateFilter {
public:
    explicit SurrogateFilter(ByteSource& source) : source_(source) {}
    // As ByteSource::Read: the count given, 0 at the end, -1 on a failure of the source.
    long Read(char* buffer, std::size_t size);

private:
    bool Fill();
    void Rewrite(std::size_t limit);

    ByteSource& source_;
    std::string input_;  // bytes read but not yet examined
    std::string output_; // examined bytes not yet handed out
    std::size_t handedOut_ = 0;
    bool end_ = false;
};
