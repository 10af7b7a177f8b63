#include "platform/zeroed_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

// Sizes of less than a page, a page, and several huge pages and a little more: each reads as
// zeros to its last byte, takes writes, and keeps them when the memory changes hands.
TEST(ZeroedPages, HoldZerosToTheLastByteAndKeepWritesAcrossAMove) {
    for (const std::size_t bytes :
         {std::size_t{1}, std::size_t{4096}, (std::size_t{5} << 20) + 3}) {
        ZeroedPages pages(bytes);
        ASSERT_EQ(pages.size(), bytes);
        auto* data = static_cast<unsigned char*>(pages.data());
        EXPECT_TRUE(std::all_of(data, data + bytes, [](unsigned char c) { return c == 0; }))
            << bytes;
        data[0] = 1;
        data[bytes - 1] = 2;
        ZeroedPages moved(std::move(pages));
        EXPECT_EQ(pages.data(), nullptr);
        EXPECT_EQ(pages.size(), 0u);
        ASSERT_EQ(moved.data(), data);
        EXPECT_EQ(data[0], bytes == 1 ? 2 : 1);
        EXPECT_EQ(data[bytes - 1], 2);
        ZeroedPages assigned(16);
        assigned = std::move(moved);
        EXPECT_EQ(assigned.data(), data);
        EXPECT_EQ(assigned.size(), bytes);
    }
    EXPECT_EQ(ZeroedPages(0).data(), nullptr);
}

} // namespace
