// Bytes handed out a few at a time, as a pipe or a slow disk may give them, so that what a
// reader looks for falls across every boundary between reads.
#pragma once

#include "interchange/byte_source.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

class TrickleSource final : public ByteSource {
public:
    TrickleSource(std::string bytes, std::size_t step) : bytes_(std::move(bytes)), step_(step) {}
    long Read(char* buffer, std::size_t size) override {
        const std::size_t count = std::min({size, step_, bytes_.size() - at_});
        std::copy_n(bytes_.data() + at_, count, buffer);
        at_ += count;
        return static_cast<long>(count);
    }
    bool Rewind() override { return (at_ = 0) == 0; }

private:
    std::string bytes_;
    std::size_t step_;
    std::size_t at_ = 0;
};
