#include "transfer/digested_source.h"

#include "files/file_access.h"
#include "interchange/file_kind.h"
#include "interchange/json_lines.h"
#include "interchange/message_reader.h"
#include "interchange/ordered_workers.h"
#include "platform/unique_handle.h"
#include "transfer/convert_input.h"

#include <array>

namespace {

using interchange::JsonLineBatch;

// Any file, read and digested on a thread of its own: the next file's check pass and parse run
// beside the merge of the current one.
class RecordSource final : public DigestedSource {
public:
    explicit RecordSource(const std::u16string& file)
        : DigestedSource(file), input_(file),
          ahead_([this](DWORD number, DigestedRecord& item,
                        std::u16string& error) { return Read(number, item, error); },
                 &Weight) {}

    ReadStep Next(DigestedRecord*& item, std::u16string& error) override {
        return ahead_.Next(item, error);
    }
    const DigestedRecord* Peek(std::size_t ahead) const override { return ahead_.Peek(ahead); }
    // Read after a failed step, which the reading thread handed over after setting it.
    bool FailureNeedsFile() const override { return openFailed_ || input_.OnePass(); }
    unsigned long Skipped() const override { return input_.Skipped(); }
    unsigned long LeftOut() const override { return input_.LeftOut(); }

private:
    static std::size_t Weight(DigestedRecord& item) { return RecordWeight(item.record); }

    ReadStep Read(DWORD number, DigestedRecord& item, std::u16string& error) {
        if (number == 1 && !input_.Open(file(), error)) {
            openFailed_ = true;
            return ReadStep::Failed;
        }
        const ReadStep step = input_.Next(number, item.record, error);
        item.digested = step == ReadStep::Record && digester_.Digest(item.record, item.digest);
        return step;
    }

    ConvertInput input_;
    MessageDigester digester_; // used on the reading thread only
    bool openFailed_ = false;
    ReadAhead<DigestedRecord> ahead_; // last: its thread starts once the rest is built
};

// A JSON Lines file: this thread cuts the lines, the workers map and digest them.
class JsonLinesSource final : public DigestedSource {
public:
    explicit JsonLinesSource(const std::u16string& file)
        : DigestedSource(file),
          workers_([this](std::size_t worker, Batch& batch) { Work(worker, batch); }) {}

    ReadStep Next(DigestedRecord*& item, std::u16string& error) override;
    const DigestedRecord* Peek(std::size_t ahead) const override {
        const std::size_t at = next_ - 1 + ahead;
        if (current_ == nullptr || at >= current_->outcomes.size() ||
            !current_->outcomes[at].mapped) {
            return nullptr;
        }
        return &current_->outcomes[at].message;
    }
    bool FailureNeedsFile() const override { return true; }
    unsigned long Skipped() const override { return 0; }
    unsigned long LeftOut() const override { return leftOut_; }

private:
    struct Batch {
        struct Outcome {
            bool mapped = false;
            DigestedRecord message;
            unsigned long leftOut = 0; // characters U+0000 left out of its texts
            std::u16string error;      // why the line does not map, when it does not
        };
        JsonLineBatch lines;
        std::vector<Outcome> outcomes; // one per line, once mapped
    };
    // What each worker keeps from batch to batch.
    struct Tools {
        interchange::JsonLineMapper mapper;
        MessageDigester digester;
    };

    void Work(std::size_t worker, Batch& batch);
    bool Open(std::u16string& error);

    OwnedHandle handle_;
    std::unique_ptr<FileByteSource> bytes_;
    std::unique_ptr<interchange::JsonLineCutter> cutter_;
    bool cut_ = false;
    Batch* current_ = nullptr;
    std::size_t next_ = 0;
    unsigned long leftOut_ = 0;
    std::array<Tools, OrderedWorkers<Batch>::kMostWorkers> tools_;
    OrderedWorkers<Batch> workers_; // last: its threads use everything above
};

// On a worker thread: every line of the batch, mapped and digested.
void JsonLinesSource::Work(std::size_t worker, Batch& batch) {
    Tools& tools = tools_[worker];
    batch.outcomes.resize(batch.lines.lines.size());
    for (std::size_t i = 0; i < batch.outcomes.size(); ++i) {
        Batch::Outcome& outcome = batch.outcomes[i];
        MessageFields fields;
        std::vector<Recipient> recipients;
        outcome.error.clear();
        outcome.mapped =
            tools.mapper.Map(batch.lines, batch.lines.lines[i], fields, recipients, outcome.error);
        if (!outcome.mapped) {
            continue;
        }
        outcome.leftOut = DropNulUnits(fields, recipients);
        DigestedRecord& message = outcome.message;
        message.record = MemoryRecord(std::move(fields), std::move(recipients));
        message.digested = tools.digester.Digest(message.record, message.digest);
    }
}

bool JsonLinesSource::Open(std::u16string& error) {
    handle_ = OwnedHandle(OpenForReading(file()));
    if (!handle_) {
        error = u"begin restore error, " + ErrorText();
        return false;
    }
    bytes_ = std::make_unique<FileByteSource>(handle_.get());
    cutter_ = std::make_unique<interchange::JsonLineCutter>(*bytes_);
    return true;
}

ReadStep JsonLinesSource::Next(DigestedRecord*& item, std::u16string& error) {
    if (!cutter_ && !Open(error)) {
        return ReadStep::Failed;
    }
    while (current_ == nullptr || next_ == current_->outcomes.size()) {
        if (current_ != nullptr && current_->lines.after != JsonLineBatch::After::More) {
            if (current_->lines.after == JsonLineBatch::After::End) {
                return ReadStep::End;
            }
            error = current_->lines.error;
            return ReadStep::Failed;
        }
        // Twice as many batches on their way as workers: each has the next one ready.
        while (!cut_ && workers_.InFlight() < 2 * workers_.Workers()) {
            std::unique_ptr<Batch> batch = workers_.Spare();
            cutter_->Cut(batch->lines);
            cut_ = batch->lines.after != JsonLineBatch::After::More;
            workers_.Give(std::move(batch));
        }
        current_ = &workers_.Take();
        next_ = 0;
    }
    Batch::Outcome& outcome = current_->outcomes[next_++];
    if (!outcome.mapped) {
        error = std::move(outcome.error);
        return ReadStep::Failed;
    }
    leftOut_ += outcome.leftOut;
    item = &outcome.message;
    return ReadStep::Record;
}

} // namespace

std::unique_ptr<DigestedSource> OpenDigestedSource(const std::u16string& file) {
    if (SniffFile(file) == FileKind::JsonLines) {
        return std::make_unique<JsonLinesSource>(file);
    }
    return std::make_unique<RecordSource>(file);
}
