// A JSON Lines file read by several threads: this thread cuts the lines, in file order, and
// worker threads (one per core) map batches of them with the caller's function; the outcomes
// come back one line at a time, in file order.
#pragma once

#include "interchange/json_lines.h"
#include "interchange/ordered_workers.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

template <class Outcome> class JsonLineWorkers {
public:
    // Called on a worker thread with that worker's number, below kMostWorkers.
    using MapLine = std::function<void(std::size_t worker, const interchange::JsonLineBatch&,
                                       const interchange::JsonLineBatch::Line&, Outcome&)>;
    enum class Step { Line, End, Failed };

    JsonLineWorkers(ByteSource& source, MapLine map)
        : cutter_(source), map_(std::move(map)),
          workers_([this](std::size_t worker, Batch& batch) { Work(worker, batch); }) {}

    static constexpr std::size_t kMostWorkers = 4;

    // The next line's outcome (valid until the next call), the end, or a failure to read on
    // with the whole reason in error ("read json error, ...").
    Step Next(Outcome*& outcome, std::u16string& error) {
        while (current_ == nullptr || next_ == current_->outcomes.size()) {
            if (current_ != nullptr && current_->lines.after != After::More) {
                if (current_->lines.after == After::End) {
                    return Step::End;
                }
                error = current_->lines.error;
                return Step::Failed;
            }
            GiveBatches(true);
            if (whole_) {
                current_ = whole_.get();
                next_ = 0;
                continue;
            }
            current_ = &workers_.Take();
            bytesOnTheirWay_ -= current_->lines.bytes.size();
            next_ = 0;
        }
        outcome = &current_->outcomes[next_++];
        return Step::Line;
    }

    // Gives the workers their first batches, so that they map them while the caller is still
    // busy with something else, such as the file before this one.
    void Prime() { GiveBatches(false); }

    // The outcome that many lines after the one Next gave last, when it is mapped already;
    // nullptr otherwise. Valid until the next call of Next.
    const Outcome* Peek(std::size_t ahead) const {
        const std::size_t at = next_ - 1 + ahead;
        return current_ != nullptr && at < current_->outcomes.size() ? &current_->outcomes[at]
                                                                     : nullptr;
    }

private:
    using After = interchange::JsonLineBatch::After;
    struct Batch {
        interchange::JsonLineBatch lines;
        std::vector<Outcome> outcomes; // one per line, once mapped
    };

    // Cuts batches and gives them to the workers. Four times as many batches on their way as
    // workers, so that each has the next ones ready while this thread writes; fewer when lines
    // near the limit make them large. A file that fits one batch is mapped here, with no thread
    // started for it, when the caller is about to take it.
    void GiveBatches(bool takingNow) {
        while (!cut_ &&
               (workers_.InFlight() == 0 || (workers_.InFlight() < 4 * workers_.Workers() &&
                                             bytesOnTheirWay_ < kMostBytesOnTheirWay))) {
            std::unique_ptr<Batch> batch = workers_.Spare();
            if (batch->lines.bytes.capacity() > kMostBytesOnTheirWay / 4) {
                *batch = Batch{}; // a batch that held a long line keeps none of its memory
            }
            cutter_.Cut(batch->lines);
            cut_ = batch->lines.after != After::More;
            if (cut_ && !given_ && takingNow) {
                Work(0, *batch);
                whole_ = std::move(batch);
                return;
            }
            given_ = true;
            bytesOnTheirWay_ += batch->lines.bytes.size();
            workers_.Give(std::move(batch));
        }
    }

    void Work(std::size_t worker, Batch& batch) {
        batch.outcomes.resize(batch.lines.lines.size());
        for (std::size_t i = 0; i < batch.outcomes.size(); ++i) {
            map_(worker, batch.lines, batch.lines.lines[i], batch.outcomes[i]);
        }
    }

    // Lines of up to 16 MiB each would otherwise put eight of them in memory at once.
    static constexpr std::size_t kMostBytesOnTheirWay = std::size_t{8} << 20;

    interchange::JsonLineCutter cutter_;
    MapLine map_;
    std::size_t bytesOnTheirWay_ = 0; // in the batches given and not yet taken
    bool cut_ = false;   // every line is in a batch, and the last one says how reading ended
    bool given_ = false; // a batch went to the workers
    std::unique_ptr<Batch> whole_;  // the file's only batch, when it had just one
    Batch* current_ = nullptr;      // the batch whose outcomes go out now
    std::size_t next_ = 0;          // its next line
    OrderedWorkers<Batch> workers_; // last: its threads use everything above
    static_assert(kMostWorkers == OrderedWorkers<Batch>::kMostWorkers);
};
