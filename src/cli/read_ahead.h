// Reads the records of a conversion's input on a second thread while the caller writes them,
// so that reading and writing each have a core. Records travel in batches, so the two threads
// meet once a batch rather than once a record; at most three batches are held at a time, each
// of kBatchRecords records or about kBatchBytes of text (or one record, when it is larger).
#pragma once

#include "model/memory_record.h"
#include "platform/wintypes.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class ReadStep { Record, End, Failed };

class ReadAhead {
public:
    // Called on the reading thread with the numbers 1, 2, ... until it gives End or Failed.
    using Reader = std::function<ReadStep(DWORD number, MemoryRecord&, std::u16string& error)>;

    explicit ReadAhead(Reader reader);
    // Stops the reading thread, if it still runs, and waits for it.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next step in the input's order, with its record (valid until the next call) or its
    // error; an exception of the reader is thrown again here.
    ReadStep Next(MemoryRecord*& record, std::u16string& error);

    static constexpr std::size_t kBatchRecords = 256;
    static constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

private:
    struct Item {
        ReadStep step = ReadStep::End;
        MemoryRecord record;
        std::u16string error;
    };
    using Batch = std::vector<Item>;

    void Run();
    bool Hand(Batch batch); // false when the consumer has gone

    Reader reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> ready_;
    // Batches the consumer is done with: the reader frees them, so that memory goes back to
    // the thread that took it (the allocator is much slower at freeing another thread's).
    std::vector<Batch> spent_;
    bool finished_ = false; // the reader handed its last batch, or failed with an exception
    bool stopped_ = false;  // the consumer has gone
    std::exception_ptr exception_;
    Batch current_;
    std::size_t position_ = 0;
    std::thread thread_; // last: starts once everything above is built
};
