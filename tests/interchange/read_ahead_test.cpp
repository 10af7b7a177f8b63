// Reading threads: records arrive in order across batches, then the reader's last step; an
// exception reaches the consumer after the records before it; a consumer that stops early does
// not wait for the rest of the input. Worker threads hand their jobs back in the order given,
// and a JSON Lines file read by them reads as one thread would read it.
#include "interchange/json_line_workers.h"
#include "interchange/json_message_reader.h"
#include "interchange/ordered_workers.h"
#include "interchange/read_ahead.h"
#include "model/memory_record.h"
#include "platform/utf.h"
#include "support/trickle_source.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Ahead = ReadAhead<MemoryRecord>;
constexpr DWORD kRecords = 3 * Ahead::kBatchItems + 7;

const Ahead::Weigher kWeight = [](MemoryRecord&) -> std::size_t { return 1; };

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
            kWeight);
        MemoryRecord* record = nullptr;
        std::u16string error;
        for (DWORD n = 1; n <= kRecords; ++n) {
            ASSERT_EQ(ahead.Next(record, error), ReadStep::Record) << n;
            ASSERT_EQ(record->body().back(), char16_t(n)) << n;
            ASSERT_EQ(record->body().size(), n % 50 + 1) << n;
        }
        if (fail) {
            EXPECT_THROW(static_cast<void>(ahead.Next(record, error)), std::runtime_error);
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
            kWeight);
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
    using Job = std::pair<int, int>; // its number, then its result: the number doubled
    std::atomic<int> worked = 0;
    OrderedWorkers<Job> workers([&worked](std::size_t, Job& job) {
        ++worked;
        if (job.first == 37) {
            throw std::runtime_error("job 37");
        }
        std::this_thread::sleep_for(std::chrono::microseconds(job.first % 7 * 200));
        job.second = 2 * job.first;
    });
    int given = 0;
    for (int taken = 0; taken < 100; ++taken) {
        while (given < 100 && workers.InFlight() < 6) {
            std::unique_ptr<Job> job = workers.Spare(); // a spare still holds its old result
            job->first = given++;
            workers.Give(std::move(job));
        }
        if (taken == 37) {
            EXPECT_THROW(workers.Take(), std::runtime_error);
        } else {
            ASSERT_EQ(workers.Take().second, 2 * taken);
        }
    }
    EXPECT_EQ(worked, 100);
}

// Enough lines for several batches, a blank one among them and one that does not map: a strict
// reader gives every message before it in order and then its error; a lenient one goes past it.
TEST(OrderedWorkers, JsonLinesReadInOrderAcrossBatches) {
    std::string file;
    std::vector<std::u16string> bodies; // of the lines that map, in order
    for (int line = 1; line <= 2500; ++line) {
        const std::string n = std::to_string(line);
        file += line == 700    ? "  \r\n"
                : line == 2301 ? "{\"body\":7}\n"
                               : "{\"body\":\"" + n + "\"}\n";
        if (line != 700 && line != 2301) {
            bodies.push_back(utf::Utf16(n));
        }
    }
    const std::u16string problem = u"line 2301: \"body\" must be a string";
    for (const bool lenient : {false, true}) {
        MemoryByteSource bytes(file);
        JsonMessageReader reader(bytes, lenient);
        std::vector<std::u16string> read;
        std::u16string error;
        MessageReader::Result result = MessageReader::Result::Message;
        while (result == MessageReader::Result::Message) {
            MessageFields fields;
            std::vector<Recipient> recipients;
            result = reader.Next(fields, recipients, error);
            read.push_back(fields.body);
        }
        read.pop_back();                                           // the last step's
        const std::size_t before = lenient ? bodies.size() : 2299; // up to 2301, but the blank line
        EXPECT_EQ(read, std::vector(bodies.begin(), bodies.begin() + before));
        EXPECT_EQ(result, lenient ? MessageReader::Result::End : MessageReader::Result::Failed);
        EXPECT_EQ(lenient ? reader.Unmapped().first.at(0) : error,
                  lenient ? problem : u"read json error, " + problem);
    }
}

// Workers given their first batches early (as a merge does for its next file) and then read
// give each line once, in order, whether the file fills no batch, part of one or several; a line
// over the limit still ends the reading with its error.
TEST(OrderedWorkers, JsonLinesPrimedEarlyReadAsUnprimed) {
    struct Case {
        int lines;
        bool tooLong; // a line over the limit after the others
    };
    for (const Case c : {Case{0, false}, Case{3, false}, Case{5000, false}, Case{3, true}}) {
        std::string file;
        std::vector<std::string> expected;
        for (int line = 1; line <= c.lines; ++line) {
            expected.push_back("{\"n\":" + std::to_string(line) + "}");
            file += expected.back() + "\n";
        }
        if (c.tooLong) {
            file += std::string(interchange::JsonLineCutter::kMaxLine + 1, ' ') + "\n";
        }
        for (const bool primed : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.lines << " lines, primed " << primed);
            MemoryByteSource bytes(file);
            JsonLineWorkers<std::string> lines(
                bytes, [](std::size_t, const interchange::JsonLineBatch& batch,
                          const interchange::JsonLineBatch::Line& line,
                          std::string& outcome) { outcome = batch.Text(line); });
            if (primed) {
                lines.Prime();
            }
            std::vector<std::string> read;
            std::string* outcome = nullptr;
            std::u16string error;
            auto step = lines.Next(outcome, error);
            for (; step == JsonLineWorkers<std::string>::Step::Line;
                 step = lines.Next(outcome, error)) {
                read.push_back(*outcome);
            }
            EXPECT_EQ(read, expected);
            EXPECT_EQ(step, c.tooLong ? JsonLineWorkers<std::string>::Step::Failed
                                      : JsonLineWorkers<std::string>::Step::End);
            EXPECT_EQ(error.empty(), !c.tooLong);
        }
    }
}

// Lines that end just before, on and after the places where batches fill, lines longer than a
// batch, blank ones, a carriage return and a last line with no feed, read in reads of every
// size: each batch lists exactly the file's lines that are not blank, with their numbers, each
// followed in the batch by the padding the quick mapping reads past it.
TEST(JsonLineCutter, ListsEveryLineWithItsNumberWhereverTheReadsEnd) {
    std::string file;
    std::vector<std::pair<std::string, unsigned long>> expected;
    unsigned long number = 0;
    const auto add = [&](const std::string& line) {
        file += line + "\n";
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            expected.emplace_back(line, number + 1);
        }
        ++number;
    };
    for (const std::size_t length : {1u, 300u, 131'070u, 131'072u, 131'073u, 0u, 500'000u, 3u}) {
        for (int copy = 0; copy < 3; ++copy) {
            add("{\"n\":\"" + std::string(length, static_cast<char>('a' + copy)) + "\"}");
            add(copy == 1 ? " \t\r" : "");
        }
    }
    add("{\"crlf\":1}\r");
    file += "{\"last\":1}";
    expected.emplace_back("{\"last\":1}", number + 1);
    for (const std::size_t most : {std::size_t{7}, std::size_t{4096}, file.size()}) {
        SCOPED_TRACE(most);
        TrickleSource source(file, most);
        interchange::JsonLineCutter cutter(source);
        std::vector<std::pair<std::string, unsigned long>> listed;
        interchange::JsonLineBatch batch;
        do {
            cutter.Cut(batch);
            for (const auto& line : batch.lines) {
                listed.emplace_back(std::string(batch.Text(line)), line.number);
                EXPECT_GE(batch.bytes.size(),
                          line.offset + line.size + interchange::JsonFastMapping::kPadding);
            }
        } while (batch.after == interchange::JsonLineBatch::After::More);
        EXPECT_EQ(batch.after, interchange::JsonLineBatch::After::End);
        EXPECT_EQ(listed, expected);
    }
}

} // namespace
