#include "interchange/json_message_reader.h"

JsonMessageReader::JsonMessageReader(ByteSource& source, bool lenient)
    : lenient_(lenient),
      lines_(source, [this](std::size_t worker, const interchange::JsonLineBatch& batch,
                            const interchange::JsonLineBatch::Line& line, Outcome& outcome) {
          outcome = Outcome{};
          outcome.mapped =
              mappers_[worker].Map(batch, line, outcome.fields, outcome.recipients, outcome.error);
      }) {}

JsonMessageReader::~JsonMessageReader() = default;

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
    Outcome* outcome = nullptr;
    switch (lines_.Next(outcome, error)) {
    case Lines::Step::End:
        return Result::End;
    case Lines::Step::Failed:
        return Result::Failed;
    case Lines::Step::Line:
        break;
    }
    if (!outcome->mapped) {
        mappingFailed_ = true; // from here on a failure concerns this line alone
        error = std::move(outcome->error);
        return Result::Failed;
    }
    fields = std::move(outcome->fields);
    recipients.insert(recipients.end(), std::make_move_iterator(outcome->recipients.begin()),
                      std::make_move_iterator(outcome->recipients.end()));
    return Result::Message;
}
