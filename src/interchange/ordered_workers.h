// Runs one piece of work on each of a stream of jobs, on a few threads of its own, and gives
// the jobs back in the order they came in: parsing that one thread would do line after line
// then uses every core, and its results still read in file order. Jobs are recycled, so the
// memory a job grew for its results serves the next one.
#pragma once

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

template <class Job> class OrderedWorkers {
public:
    // Called on a worker thread with that worker's number (0 to Workers() - 1), so that each
    // can keep state of its own.
    using Work = std::function<void(std::size_t worker, Job&)>;

    // One worker per core, at least one and at most kMostWorkers; they start with the first
    // job, so that a caller that needs none pays for no thread.
    explicit OrderedWorkers(Work work)
        : work_(std::move(work)),
          count_(std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMostWorkers)) {}
    // Stops the workers, leaving any job not begun, and waits for them.
    ~OrderedWorkers() {
        {
            const std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        jobGiven_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }
    OrderedWorkers(const OrderedWorkers&) = delete;
    OrderedWorkers& operator=(const OrderedWorkers&) = delete;

    static constexpr std::size_t kMostWorkers = 4;

    std::size_t Workers() const { return count_; }
    // Jobs given and not yet taken back.
    std::size_t InFlight() const { return queue_.size(); }

    // A job to fill and Give: one taken back before, or a new one.
    std::unique_ptr<Job> Spare() {
        if (spares_.empty()) {
            return std::make_unique<Job>();
        }
        std::unique_ptr<Job> job = std::move(spares_.back());
        spares_.pop_back();
        return job;
    }

    void Give(std::unique_ptr<Job> job) {
        if (threads_.empty()) {
            threads_.reserve(count_);
            for (std::size_t i = 0; i < count_; ++i) {
                threads_.emplace_back([this, i] { Run(i); });
            }
        }
        auto entry = std::make_unique<Entry>();
        entry->job = std::move(job);
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(std::move(entry));
        }
        jobGiven_.notify_one();
    }

    // The oldest job given, once its work is done; an exception of the work is thrown here.
    // Only when InFlight() is not 0.
    Job& Take() {
        std::unique_ptr<Entry> entry;
        {
            std::unique_lock lock(mutex_);
            oldestDone_.wait(lock, [this] { return queue_.front()->done; });
            entry = std::move(queue_.front());
            queue_.pop_front();
        }
        if (taken_) {
            spares_.push_back(std::move(taken_));
        }
        taken_ = std::move(entry->job);
        if (entry->failure) {
            std::rethrow_exception(entry->failure);
        }
        return *taken_;
    }

private:
    struct Entry {
        std::unique_ptr<Job> job;
        bool begun = false;
        bool done = false;
        std::exception_ptr failure;
    };

    void Run(std::size_t worker) {
        YieldToTaker();
        std::unique_lock lock(mutex_);
        for (;;) {
            Entry* next = nullptr;
            jobGiven_.wait(lock, [&] {
                for (const std::unique_ptr<Entry>& entry : queue_) {
                    if (!entry->begun) {
                        next = entry.get();
                        break;
                    }
                }
                return stopped_ || next != nullptr;
            });
            if (stopped_) {
                return;
            }
            next->begun = true;
            lock.unlock();
            std::exception_ptr failure;
            try {
                work_(worker, *next->job);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            // The entry is still queued: only a done one leaves the queue.
            next->failure = failure;
            next->done = true;
            // The taker waits for the oldest job only. Woken for every other one, it took the
            // core its waiting worker could have had, and kept that core too busy for the
            // scheduler to move the worker there. Woken once the lock is free, it need not
            // wait for it at once.
            if (queue_.front().get() == next) {
                lock.unlock();
                oldestDone_.notify_one();
                lock.lock();
            }
        }
    }

    // The thread that takes the jobs back in order is the one everything waits for: with more
    // threads than cores, a worker that shares its core half and half makes the whole run wait
    // on it. A little less priority for the workers gives it the core whenever it can go on.
    // Only a hint: where the system refuses, the workers run as they are.
    static void YieldToTaker() {
        constexpr int kLessPriority = 5;
        const auto thread = static_cast<id_t>(::gettid());
        errno = 0;
        const int now = ::getpriority(PRIO_PROCESS, thread);
        if (errno == 0) {
            ::setpriority(PRIO_PROCESS, thread, std::min(now + kLessPriority, 19));
        }
    }

    Work work_;
    const std::size_t count_;
    std::mutex mutex_;
    std::condition_variable jobGiven_;         // workers wait on it for a job not begun
    std::condition_variable oldestDone_;       // the taker waits on it for the oldest job
    std::deque<std::unique_ptr<Entry>> queue_; // in the order given
    bool stopped_ = false;
    // Used by the one thread that gives and takes.
    std::vector<std::unique_ptr<Job>> spares_;
    std::unique_ptr<Job> taken_;       // the job Take gave last, valid until the next Take
    std::vector<std::thread> threads_; // last: started once everything above is built
};
