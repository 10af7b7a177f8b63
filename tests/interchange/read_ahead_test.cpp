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

ReadStep Numbered(DWORD number, MemoryRecord& record, std::u16string& error, bool fail) {
    if (number > kRecords) {
        if (fail) {
            throw std::runtime_error("reader failed");
        }
        error = u"read sms error, at the end";
        return ReadStep::Failed;
    }
    record.setBody(std::u16string(number % 50, u'x') + std::u16string(1, char16_t(number)));
    return ReadStep::Record;
}

TEST(ReadAhead, GivesEveryRecordInOrderThenTheLastStepOrTheException) {
    for (const bool fail : {false, true}) {
        Ahead ahead(
            [fail](DWORD n, MemoryRecord& r, std::u16string& e) { return Numbered(n, r, e, fail); },
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
