#include "interchange/xml_message_reader.h"

#include "interchange/text_codec.h"

namespace {

std::size_t ElementWeight(XmlSmsElement& element) {
    return 64 + element.text.size() + element.attributes.size() * sizeof(element.attributes[0]);
}

} // namespace

XmlMessageReader::XmlMessageReader(ByteSource& source, bool lenient)
    : parser_(source), lenient_(lenient) {}

XmlMessageReader::~XmlMessageReader() = default;

MessageReader::Result XmlMessageReader::Next(MessageFields& fields,
                                             std::vector<Recipient>& recipients,
                                             std::u16string& error) {
    if (!failure_.empty()) {
        error = failure_;
        return Result::Failed;
    }
    for (;;) {
        XmlSmsElement* element = nullptr;
        switch (NextElement(element, error)) {
        case ReadStep::End:
            return Result::End;
        case ReadStep::Failed:
            failure_ = error;
            return Result::Failed;
        case ReadStep::Record:
            break;
        }
        element->Attributes(attributes_);
        ClearKeepingMemory(fields);
        recipients.clear();
        std::string problem;
        if (interchange::MapSmsAttributes(attributes_, texts_, fields, recipients, problem)) {
            return Deliver(fields, recipients);
        }
        const std::u16string place =
            u"line " + interchange::FromUtf8(std::to_string(element->line)) + u", <sms> element " +
            interchange::FromUtf8(std::to_string(element->number)) + u": " +
            interchange::FromUtf8(problem);
        if (!lenient_) {
            error = kXmlReadError + place;
            failure_ = error;
            return Result::Failed;
        }
        unmapped_.Note(place);
    }
}

ReadStep XmlMessageReader::NextElement(XmlSmsElement*& element, std::u16string& error) {
    if (!started_) {
        started_ = true;
        if (!parser_.FirstChunkIsAll()) {
            ahead_.emplace([this](DWORD, XmlSmsElement& next,
                                  std::u16string& text) { return parser_.Next(next, text); },
                           &ElementWeight);
        }
    }
    if (ahead_) {
        return ahead_->Next(element, error);
    }
    element = &element_;
    return parser_.Next(element_, error);
}
