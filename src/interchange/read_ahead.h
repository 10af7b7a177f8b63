// Reads items on a second thread while the caller uses them, so that reading and using each have
// a core. Items travel in batches, so the two threads meet once a batch rather than once an item;
// at most three batches are held at a time, each of kBatchItems items or about kBatchBytes (or
// one item, when it is larger).
#pragma once

#include "platform/wintypes.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

enum class ReadStep { Record, End, Failed };

template <class Item> class ReadAhead {
public:
    // Called on the reading thread with the numbers 1, 2, ... until it gives End or Failed.
    using Reader = std::function<ReadStep(DWORD number, Item&, std::u16string& error)>;
    // About the memory an item holds.
    using Weigher = std::size_t (*)(Item&);

    ReadAhead(Reader reader, Weigher weigh)
        : reader_(std::move(reader)), weigh_(weigh), thread_([this] { Run(); }) {}
    // Stops the reading thread, if it still runs, and waits for it.
    ~ReadAhead() {
        {
            const std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next step in the input's order, with its item (valid until the next call) or its
    // error; an exception of the reader is thrown again here.
    [[nodiscard]] ReadStep Next(Item*& item, std::u16string& error) {
        if (position_ == current_.count && !Take()) {
            return ReadStep::End;
        }
        Slot& slot = current_.slots[position_++];
        item = &slot.item;
        error = std::move(slot.error);
        return slot.step;
    }

    // The item that many places after the one Next gave last, when it is a record already
    // read into the batch in hand; nullptr otherwise. Valid until the next call of Next.
    const Item* Peek(std::size_t ahead) const {
        const std::size_t at = position_ - 1 + ahead;
        if (position_ == 0 || at >= current_.count || current_.slots[at].step != ReadStep::Record) {
            return nullptr;
        }
        return &current_.slots[at].item;
    }

    static constexpr std::size_t kBatchItems = 256;
    static constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

private:
    struct Slot {
        ReadStep step = ReadStep::End;
        Item item;
        std::u16string error;
    };
    // Slots are reused from batch to batch, so an item may keep what it allocated; count says
    // how many hold this batch's steps.
    struct Batch {
        std::vector<Slot> slots;
        std::size_t count = 0;
    };

    void Run() {
        DWORD number = 0;
        std::exception_ptr failure;
        std::vector<Batch> spares; // batches the consumer is done with, refilled in place
        for (bool last = false; !last;) {
            Batch batch;
            if (!spares.empty()) {
                batch = std::move(spares.back());
                spares.pop_back();
            }
            batch.count = 0;
            std::size_t bytes = 0;
            try {
                while (!last && batch.count < kBatchItems && bytes < kBatchBytes) {
                    if (batch.count == batch.slots.size()) {
                        batch.slots.emplace_back();
                    }
                    Slot& slot = batch.slots[batch.count];
                    slot.error.clear();
                    slot.step = reader_(++number, slot.item, slot.error);
                    ++batch.count; // only now: a reader that throws hands out no step
                    last = slot.step != ReadStep::Record;
                    bytes += last ? 0 : weigh_(slot.item);
                }
            } catch (...) {
                // The items read before it still go out first.
                failure = std::current_exception();
                last = true;
            }
            // Slots past this batch's items would keep earlier items' memory.
            batch.slots.resize(batch.count);
            if (!Hand(std::move(batch), spares)) {
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

    // False when the consumer has gone. The batches it is done with come back as spares.
    [[nodiscard]] bool Hand(Batch batch, std::vector<Batch>& spares) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopped_ || ready_.size() < 2; });
            if (stopped_) {
                return false;
            }
            ready_.push_back(std::move(batch));
            for (Batch& spent : spent_) {
                spares.push_back(std::move(spent));
            }
            spent_.clear();
        }
        changed_.notify_all();
        return true;
    }

    // The next ready batch becomes the current one; false at the end.
    [[nodiscard]] bool Take() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
        if (ready_.empty()) {
            if (exception_) {
                std::rethrow_exception(std::exchange(exception_, nullptr));
            }
            return false;
        }
        spent_.push_back(std::exchange(current_, std::move(ready_.front())));
        ready_.pop_front();
        position_ = 0;
        lock.unlock();
        changed_.notify_all();
        return true;
    }

    Reader reader_;
    Weigher weigh_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> ready_;
    // Batches the consumer is done with: the reader refills them, so that memory stays with
    // the thread that took it (the allocator is much slower at freeing another thread's).
    std::vector<Batch> spent_;
    bool finished_ = false; // the reader handed its last batch, or failed with an exception
    bool stopped_ = false;  // the consumer has gone
    std::exception_ptr exception_;
    Batch current_;
    std::size_t position_ = 0;
    std::thread thread_; // last: starts once everything above is built
};
