// A reading thread: records arrive in order across batches, then the reader's
// last step; an exception reaches the consumer after the records before it; a consumer that
// stops early does not wait for the rest of the input.
#include "interchange/read_ahead.h"
#include "model/memory_record.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Ahead = ReadAhead<MemoryRecord>;
constexpr DWORD kRecords = 3 * Ahead::kBatchItems + 7;

std::size_t Weight(MemoryRecord&) {
    return 1;
}

TEST(ReadAhead, GivesEveryRecordInOrderThenTheLastStepOrTheException) {
    for (const bool fail : {false, true}) {
        // Record n holds n % 50 units and then n; after the last one, a failure or an exception.
        Ahead ahead(
            [fail](DWORD n, MemoryRecord& r, std::u16string& e) {
                if (n <= kRecords) {
                    r.setBody(std::u16string(n % 50, u'x') + std::u16string(1, char16_t(n)));
                    return ReadStep::Record;
                }
                if (fail) {
                    throw std::runtime_error("reader failed");
                }
                e = u"read sms error, at the end";
                return ReadStep::Failed;
            },
            &Weight);
        MemoryRecord* record = nullptr;
        std::u16string error;
        for (DWORD n = 1; n <= kRecords; ++n) {
            ASSERT_EQ(ahead.Next(record, error), ReadStep::Record) << n;
            ASSERT_EQ(record->body().back(), char16_t(n)) << n;
            ASSERT_EQ(record->body().size(), n % 50 + 1) << n;
        }
        if (fail) {
            EXPECT_THROW(ahead.Next(record, error), std::runtime_error);
        } else {
            EXPECT_EQ(ahead.Next(record, error), ReadStep::Failed);
            EXPECT_EQ(error, u"read sms error, at the end");
        }
    }
}

TEST(ReadAhead, AConsumerThatStopsEarlyEndsTheReader) {
    DWORD calls = 0;
    {
        Ahead ahead(
            [&calls](DWORD n, MemoryRecord& r, std::u16string&) {
                ++calls;
                r.setBody(u"x");
                return n < 1'000'000 ? ReadStep::Record : ReadStep::End;
            },
            &Weight);
        MemoryRecord* record = nullptr;
        std::u16string error;
        ASSERT_EQ(ahead.Next(record, error), ReadStep::Record);
    }
    // At most the batch in hand, two ready and one being read.
    EXPECT_LE(calls, 4 * Ahead::kBatchItems);
}

} // namespace
