#include "interchange/json_message_reader.h"

using interchange::JsonLineBatch;

JsonMessageReader::JsonMessageReader(ByteSource& source, bool lenient)
    : cutter_(source), lenient_(lenient),
      workers_([this](std::size_t worker, Batch& batch) { Map(worker, batch); }) {}

JsonMessageReader::~JsonMessageReader() = default;

// On a worker thread: every line of the batch, mapped.
void JsonMessageReader::Map(std::size_t worker, Batch& batch) {
    batch.outcomes.resize(batch.lines.lines.size());
    for (std::size_t i = 0; i < batch.outcomes.size(); ++i) {
        Batch::Outcome& outcome = batch.outcomes[i];
        outcome = Batch::Outcome{};
        outcome.mapped = mappers_[worker].Map(batch.lines, batch.lines.lines[i], outcome.fields,
                                              outcome.recipients, outcome.error);
    }
}

MessageReader::Result JsonMessageReader::Next(MessageFields& fields,
                                              std::vector<Recipient>& recipients,
                                              std::u16string& error) {
    for (;;) {
        const Result result = LineMessage(fields, recipients, error);
        if (result == Result::Message) {
            return Deliver(fields, recipients);
        }
        if (result == Result::End || !lenient_ || !mappingFailed_) {
            return result;
        }
        unmapped_.Note(
            error.substr(std::char_traits<char16_t>::length(interchange::kJsonErrorPhrase)));
        fields = MessageFields{};
        recipients.clear();
    }
}

MessageReader::Result JsonMessageReader::LineMessage(MessageFields& fields,
                                                     std::vector<Recipient>& recipients,
                                                     std::u16string& error) {
    mappingFailed_ = false;
    while (current_ == nullptr || next_ == current_->outcomes.size()) {
        if (current_ != nullptr && current_->lines.after != JsonLineBatch::After::More) {
            if (current_->lines.after == JsonLineBatch::After::End) {
                return Result::End;
            }
            error = current_->lines.error;
            return Result::Failed;
        }
        // Twice as many batches on their way as workers: each has the next one ready.
        while (!cut_ && workers_.InFlight() < 2 * workers_.Workers()) {
            std::unique_ptr<Batch> batch = workers_.Spare();
            cutter_.Cut(batch->lines);
            cut_ = batch->lines.after != JsonLineBatch::After::More;
            workers_.Give(std::move(batch));
        }
        current_ = &workers_.Take();
        next_ = 0;
    }
    Batch::Outcome& outcome = current_->outcomes[next_++];
    if (!outcome.mapped) {
        mappingFailed_ = true; // from here on a failure concerns this line alone
        error = std::move(outcome.error);
        return Result::Failed;
    }
    fields = std::move(outcome.fields);
    recipients.insert(recipients.end(), std::make_move_iterator(outcome.recipients.begin()),
                      std::make_move_iterator(outcome.recipients.end()));
    return Result::Message;
}
