#include "transfer/digested_source.h"

#include "files/file_access.h"
#include "interchange/file_sniffer.h"
#include "interchange/json_line_workers.h"
#include "interchange/message_reader.h"
#include "platform/unique_handle.h"
#include "transfer/convert_input.h"

#include <array>
#include <optional>

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
    explicit JsonLinesSource(const std::u16string& file) : DigestedSource(file) {}

    ReadStep Next(DigestedRecord*& item, std::u16string& error) override;
    void Prime() override {
        std::u16string error; // said again by Next, which opens the file once more
        if (lines_ || Open(error)) {
            lines_->Prime();
        }
    }
    const DigestedRecord* Peek(std::size_t ahead) const override {
        const Outcome* later = lines_ ? lines_->Peek(ahead) : nullptr;
        return later != nullptr && later->mapped ? &later->message : nullptr;
    }
    bool FailureNeedsFile() const override { return true; }
    unsigned long Skipped() const override { return 0; }
    unsigned long LeftOut() const override { return leftOut_; }

private:
    struct Outcome {
        bool mapped = false;
        DigestedRecord message;
        unsigned long leftOut = 0; // characters U+0000 left out of its texts
        std::u16string error;      // why the line does not map, when it does not
    };
    using Lines = JsonLineWorkers<Outcome>;
    // What each worker keeps from line to line.
    struct Tools {
        interchange::JsonLineMapper mapper;
        MessageDigester digester;
    };

    void Map(Tools& tools, const JsonLineBatch& batch, const JsonLineBatch::Line& line,
             Outcome& outcome);
    bool Open(std::u16string& error);

    OwnedHandle handle_;
    std::unique_ptr<FileByteSource> bytes_;
    unsigned long leftOut_ = 0;
    std::array<Tools, Lines::kMostWorkers> tools_;
    std::optional<Lines> lines_; // last: its threads use the tools
};

// On a worker thread: the line, mapped and digested.
void JsonLinesSource::Map(Tools& tools, const JsonLineBatch& batch, const JsonLineBatch::Line& line,
                          Outcome& outcome) {
    // Filled in place: the record of the batch's last use lends its memory.
    DigestedRecord& message = outcome.message;
    MessageFields& fields = message.record.fieldsToFill();
    std::vector<Recipient>& recipients = message.record.recipientsToFill();
    outcome.error.clear();
    outcome.mapped = tools.mapper.Map(batch, line, fields, recipients, outcome.error);
    if (!outcome.mapped) {
        return;
    }
    outcome.leftOut =
        interchange::LineMayHoldNul(batch.Text(line)) ? DropNulUnits(fields, recipients) : 0;
    message.digested = tools.digester.Digest(message.record, message.digest);
}

bool JsonLinesSource::Open(std::u16string& error) {
    handle_ = OwnedHandle(OpenForReading(file()));
    if (!handle_) {
        error = u"begin restore error, " + ErrorText();
        return false;
    }
    bytes_ = std::make_unique<FileByteSource>(handle_.get());
    lines_.emplace(*bytes_, [this](std::size_t worker, const JsonLineBatch& batch,
                                   const JsonLineBatch::Line& line, Outcome& outcome) {
        Map(tools_[worker], batch, line, outcome);
    });
    return true;
}

ReadStep JsonLinesSource::Next(DigestedRecord*& item, std::u16string& error) {
    if (!lines_ && !Open(error)) {
        return ReadStep::Failed;
    }
    Outcome* outcome = nullptr;
    switch (lines_->Next(outcome, error)) {
    case Lines::Step::End:
        return ReadStep::End;
    case Lines::Step::Failed:
        return ReadStep::Failed;
    case Lines::Step::Line:
        break;
    }
    if (!outcome->mapped) {
        error = std::move(outcome->error);
        return ReadStep::Failed;
    }
    leftOut_ += outcome->leftOut;
    item = &outcome->message;
    return ReadStep::Record;
}

} // namespace

std::unique_ptr<DigestedSource> OpenDigestedSource(const std::u16string& file) {
    if (SniffFile(file) == FileKind::JsonLines) {
        return std::make_unique<JsonLinesSource>(file);
    }
    return std::make_unique<RecordSource>(file);
}
