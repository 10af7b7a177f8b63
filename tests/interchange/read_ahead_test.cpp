// Reading threads: records arrive in order across batches, then the reader's last step; an
// exception reaches the consumer after the records before it; a consumer that stops early does
// not wait for the rest of the input. Worker threads hand their jobs back in the order given,
// and a JSON Lines file read by them reads as one thread would read it.
#include "interchange/json_message_reader.h"
#include "interchange/ordered_workers.h"
#include "interchange/read_ahead.h"
#include "model/memory_record.h"
#include "platform/utf.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

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

// Jobs of very different lengths finish out of order on the workers, and still come back in the
// order given, each worked once; an exception comes back with its own job.
TEST(OrderedWorkers, GivesJobsBackInTheirOrderWithTheirExceptions) {
    struct Job {
        int number = 0;
        long result = 0;
    };
    std::atomic<int> worked = 0;
    OrderedWorkers<Job> workers([&worked](std::size_t, Job& job) {
        ++worked;
        if (job.number == 37) {
            throw std::runtime_error("job 37");
        }
        long sum = 0;
        for (long k = 0; k < (job.number % 7) * 20'000; ++k) {
            sum += k % 3;
        }
        job.result = job.number * 1'000'000L + sum;
    });
    int given = 0;
    for (int taken = 0; taken < 100; ++taken) {
        while (given < 100 && workers.InFlight() < 6) {
            std::unique_ptr<Job> job = workers.Spare();
            job->number = given++;
            workers.Give(std::move(job));
        }
        if (taken == 37) {
            EXPECT_THROW(workers.Take(), std::runtime_error);
            continue;
        }
        ASSERT_EQ(workers.Take().result / 1'000'000, taken);
    }
    EXPECT_EQ(worked, 100);
}

// Enough lines for several batches, a blank one among them and one that does not map: a strict
// reader gives every message before it in order and then its error; a lenient one goes past it.
TEST(OrderedWorkers, JsonLinesReadInOrderAcrossBatches) {
    std::string file;
    for (int line = 1; line <= 2500; ++line) {
        file += line == 700    ? "  \r\n"
                : line == 2301 ? "{\"body\":7}\n"
                               : "{\"body\":\"" + std::to_string(line) + "\"}\n";
    }
    for (const bool lenient : {false, true}) {
        SCOPED_TRACE(lenient ? "lenient" : "strict");
        MemoryByteSource bytes(file);
        JsonMessageReader reader(bytes, lenient);
        std::u16string error;
        for (int line = 1; line <= 2500; ++line) {
            if (line == 700 || (line == 2301 && lenient)) {
                continue;
            }
            MessageFields fields;
            std::vector<Recipient> recipients;
            const MessageReader::Result result = reader.Next(fields, recipients, error);
            if (line == 2301) {
                ASSERT_EQ(result, MessageReader::Result::Failed);
                EXPECT_EQ(error, u"read json error, line 2301: \"body\" must be a string");
                break;
            }
            ASSERT_EQ(result, MessageReader::Result::Message) << line;
            ASSERT_EQ(fields.body, utf::Utf16(std::to_string(line)));
        }
        if (lenient) {
            MessageFields fields;
            std::vector<Recipient> recipients;
            EXPECT_EQ(reader.Next(fields, recipients, error), MessageReader::Result::End);
            EXPECT_EQ(reader.Unmapped().first,
                      std::vector<std::u16string>{u"line 2301: \"body\" must be a string"});
        }
    }
}

} // namespace
