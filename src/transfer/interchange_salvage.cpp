#include "transfer/interchange_salvage.h"

#include "interchange/json_message_reader.h"
#include "interchange/xml_message_reader.h"

InterchangeSalvage::InterchangeSalvage(ByteSource& source, FileKind kind, bool utf16) {
    if (!utf16) {
        repair_.emplace(source);
    }
    ByteSource& bytes = repair_ ? static_cast<ByteSource&>(*repair_) : source;
    if (kind == FileKind::JsonLines) {
        reader_ = std::make_unique<JsonMessageReader>(bytes, true);
    } else {
        reader_ = std::make_unique<XmlMessageReader>(bytes, true);
    }
}

bool InterchangeSalvage::Next(MessageFields& fields, std::vector<Recipient>& recipients) {
    if (!stopReason_.empty()) {
        return false;
    }
    std::u16string error;
    recipients.clear();
    switch (reader_->Next(fields, recipients, error)) {
    case MessageReader::Result::Message:
        ++recovered_;
        return true;
    case MessageReader::Result::End:
        stopReason_ = u"the end of the file";
        return false;
    case MessageReader::Result::Failed:
        break;
    }
    // The reader's place and reason, without the opening that names the format.
    const std::size_t comma = error.find(u", ");
    stopReason_ = comma == std::u16string::npos ? error : error.substr(comma + 2);
    if (stopReason_.empty()) {
        stopReason_ = u"a failure to read";
    }
    return false;
}
