#include "cli/read_ahead.h"

#include <utility>

namespace {

// About what a record holds in memory, to keep a batch near its byte budget.
std::size_t Weight(MemoryRecord& record) {
    return 256 + record.body().size() * sizeof(char16_t) + record.recipients().size() * 96;
}

} // namespace

ReadAhead::ReadAhead(Reader reader) : reader_(std::move(reader)), thread_([this] { Run(); }) {}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ReadAhead::Run() {
    DWORD number = 0;
    std::exception_ptr failure;
    for (bool last = false; !last;) {
        Batch batch;
        std::size_t bytes = 0;
        try {
            while (!last && batch.size() < kBatchRecords && bytes < kBatchBytes) {
                Item item;
                item.step = reader_(++number, item.record, item.error);
                last = item.step != ReadStep::Record;
                bytes += last ? 0 : Weight(item.record);
                batch.push_back(std::move(item));
            }
        } catch (...) {
            // The records read before it still go out first.
            failure = std::current_exception();
            last = true;
        }
        if (!Hand(std::move(batch))) {
            return;
        }
    }
    {
        const std::lock_guard lock(mutex_);
        exception_ = failure;
        finished_ = true;
    }
    changed_.notify_all();
}

bool ReadAhead::Hand(Batch batch) {
    std::vector<Batch> spent;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || ready_.size() < 2; });
        if (stopped_) {
            return false;
        }
        ready_.push_back(std::move(batch));
        spent.swap(spent_);
    }
    changed_.notify_all();
    return true; // the spent batches are freed here, outside the lock
}

ReadStep ReadAhead::Next(MemoryRecord*& record, std::u16string& error) {
    if (position_ == current_.size()) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
        if (ready_.empty()) {
            if (exception_) {
                std::rethrow_exception(std::exchange(exception_, nullptr));
            }
            return ReadStep::End;
        }
        spent_.push_back(std::exchange(current_, std::move(ready_.front())));
        ready_.pop_front();
        position_ = 0;
        lock.unlock();
        changed_.notify_all();
    }
    Item& item = current_[position_++];
    record = &item.record;
    error = std::move(item.error);
    return item.step;
}
