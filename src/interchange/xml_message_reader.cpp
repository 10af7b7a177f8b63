#include "interchange/xml_message_reader.h"

#include "files/file_access.h"
#include "interchange/text_codec.h"

#include <libxml/parser.h>

#include <string_view>

namespace {

constexpr char16_t kPhrase[] = u"read xml error, ";

std::string_view Chars(const xmlChar* text) {
    return text == nullptr ? std::string_view()
                           : std::string_view(reinterpret_cast<const char*>(text));
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

} // namespace

XmlMessageReader::XmlMessageReader(ByteSource& source) : filter_(source) {
    // No network, no external entities, no DTD loading; the default limits on text sizes stay.
    reader_.reset(xmlReaderForIO(&XmlMessageReader::ReadBytes, nullptr, this, nullptr, nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR));
    if (reader_) {
        xmlTextReaderSetStructuredErrorHandler(reader_.get(), &XmlMessageReader::OnError, this);
    }
}

XmlMessageReader::~XmlMessageReader() = default;

int XmlMessageReader::ReadBytes(void* context, char* buffer, int length) {
    auto* self = static_cast<XmlMessageReader*>(context);
    const long read = self->filter_.Read(buffer, static_cast<std::size_t>(length));
    if (read < 0 && self->sourceError_.empty()) {
        self->sourceError_ = ErrorText();
    }
    return static_cast<int>(read);
}

void XmlMessageReader::OnError(void* context, xmlErrorPtr error) {
    auto* self = static_cast<XmlMessageReader*>(context);
    if (error == nullptr || error->level == XML_ERR_WARNING || !self->firstError_.empty()) {
        return;
    }
    self->firstError_ = "line " + std::to_string(error->line) + ", column " +
                        std::to_string(error->int2) + ": " +
                        Trimmed(error->message != nullptr ? error->message : "not well-formed");
}

MessageReader::Result XmlMessageReader::Fail(const std::string& text, std::u16string& error) {
    error = kPhrase + interchange::FromUtf8(text);
    return Result::Failed;
}

MessageReader::Result XmlMessageReader::ParseFailure(std::u16string& error) {
    if (!sourceError_.empty()) {
        error = kPhrase + sourceError_;
        return Result::Failed;
    }
    return Fail(firstError_.empty() ? "the file is not well-formed XML" : firstError_, error);
}

// The line of the current node's start tag.
long XmlMessageReader::Line() {
    return xmlGetLineNo(xmlTextReaderCurrentNode(reader_.get()));
}

// Copies the attributes into the strings of the previous element, which keep their storage.
bool XmlMessageReader::CollectAttributes() {
    xmlTextReader* reader = reader_.get();
    std::size_t count = 0;
    while (xmlTextReaderMoveToNextAttribute(reader) == 1) {
        if (count == attributes_.size()) {
            attributes_.emplace_back();
        }
        attributes_[count].first.assign(Chars(xmlTextReaderConstName(reader)));
        attributes_[count].second.assign(Chars(xmlTextReaderConstValue(reader)));
        ++count;
    }
    attributes_.resize(count);
    return xmlTextReaderMoveToElement(reader) >= 0;
}

MessageReader::Result XmlMessageReader::Next(MessageFields& fields,
                                             std::vector<Recipient>& recipients,
                                             std::u16string& error) {
    if (!reader_) {
        return Fail("the XML reader could not be set up", error);
    }
    xmlTextReader* reader = reader_.get();
    for (;;) {
        const int status = xmlTextReaderRead(reader);
        if (status < 0) {
            return ParseFailure(error);
        }
        if (status == 0) {
            if (!firstError_.empty() || !sourceError_.empty()) {
                return ParseFailure(error);
            }
            if (!rootSeen_) {
                return Fail("the file holds no <smses> element", error);
            }
            return Result::End;
        }
        const int type = xmlTextReaderNodeType(reader);
        if (type == XML_READER_TYPE_DOCUMENT_TYPE) {
            return Fail("line " + std::to_string(Line()) +
                            ": a document type declaration is not accepted",
                        error);
        }
        if (type != XML_READER_TYPE_ELEMENT) {
            continue;
        }
        const int depth = xmlTextReaderDepth(reader);
        const std::string_view name = Chars(xmlTextReaderConstName(reader));
        if (depth == 0) {
            if (name != "smses") {
                return Fail("line " + std::to_string(Line()) + ": the root element is <" +
                                std::string(name) + ">, not <smses>",
                            error);
            }
            rootSeen_ = true;
        } else if (depth == 1 && name == "sms") {
            ++messages_;
            std::string problem;
            if (!CollectAttributes() ||
                !interchange::MapSmsAttributes(attributes_, fields, recipients, problem)) {
                return Fail("line " + std::to_string(Line()) + ", <sms> element " +
                                std::to_string(messages_) + ": " + problem,
                            error);
            }
            return Result::Message;
        } else if (depth == 1) {
            ++skipped_;
        }
    }
}
