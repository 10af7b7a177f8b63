#include "interchange/xml_message_reader.h"

#include "files/file_access.h"
#include "interchange/text_codec.h"

#include <libxml/SAX2.h>

#include <cstring>
#include <string_view>

namespace {

constexpr char16_t kPhrase[] = u"read xml error, ";
constexpr std::size_t kChunk = 1 << 16;
// No network, no external entities, no DTD loading; the default limits on text sizes stay.
// Entities are replaced so that attribute values arrive decoded (only the predefined ones and
// character references exist, since a document type is refused).
constexpr int kOptions =
    XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR | XML_PARSE_NOENT;

std::string_view Chars(const xmlChar* text) {
    return text == nullptr ? std::string_view()
                           : std::string_view(reinterpret_cast<const char*>(text));
}

// "prefix:name", or the name alone.
void QualifiedName(std::string& out, const xmlChar* prefix, const xmlChar* localName) {
    out.clear();
    if (prefix != nullptr) {
        out += Chars(prefix);
        out += ':';
    }
    out += Chars(localName);
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

xmlSAXHandler Handler(startElementNsSAX2Func start, endElementNsSAX2Func end,
                      internalSubsetSAXFunc documentType, xmlStructuredErrorFunc error) {
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = start;
    handler.endElementNs = end;
    handler.internalSubset = documentType;
    handler.serror = error;
    return handler;
}

} // namespace

XmlMessageReader::XmlMessageReader(ByteSource& source) : filter_(source) {}

XmlMessageReader::~XmlMessageReader() = default;

void XmlMessageReader::OnStart(void* context, const xmlChar* localName, const xmlChar* prefix,
                               const xmlChar* /*uri*/, int /*namespaceCount*/,
                               const xmlChar** /*namespaces*/, int attributeCount,
                               int /*defaulted*/, const xmlChar** attributes) {
    auto* self = static_cast<XmlMessageReader*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    std::string name;
    QualifiedName(name, prefix, localName);
    self->Start(name, attributeCount, attributes);
    ++self->depth_;
}

void XmlMessageReader::OnEnd(void* context, const xmlChar* /*localName*/, const xmlChar* /*prefix*/,
                             const xmlChar* /*uri*/) {
    --static_cast<XmlMessageReader*>(static_cast<xmlParserCtxtPtr>(context)->_private)->depth_;
}

void XmlMessageReader::OnDocumentType(void* context, const xmlChar* /*name*/,
                                      const xmlChar* /*externalId*/, const xmlChar* /*systemId*/) {
    auto* self = static_cast<XmlMessageReader*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    self->Stop("line " + std::to_string(self->Line()) +
               ": a document type declaration is not accepted");
}

void XmlMessageReader::OnError(void* context, xmlErrorPtr error) {
    // An error while the parser is being set up (the first bytes in an encoding that cannot be
    // read) comes before the reader is attached; it is taken from the parser afterwards.
    auto* self = static_cast<XmlMessageReader*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    if (self != nullptr) {
        self->NoteError(error);
    }
}

void XmlMessageReader::NoteError(const xmlError* error) {
    if (error == nullptr || error->level == XML_ERR_WARNING || !firstError_.empty()) {
        return;
    }
    firstError_ = "line " + std::to_string(error->line) + ", column " +
                  std::to_string(error->int2) + ": " +
                  Trimmed(error->message != nullptr ? error->message : "not well-formed");
}

// The line where the parser stands: at the end of the start tag just read.
long XmlMessageReader::Line() const {
    return xmlSAX2GetLineNumber(parser_.get());
}

void XmlMessageReader::Stop(std::string text) {
    if (failure_.empty()) {
        failure_ = std::move(text);
    }
    xmlStopParser(parser_.get());
}

void XmlMessageReader::Start(std::string_view name, int attributeCount,
                             const xmlChar** attributes) {
    if (!failure_.empty()) {
        return;
    }
    if (depth_ == 0) {
        if (name != "smses") {
            Stop("line " + std::to_string(Line()) + ": the root element is <" + std::string(name) +
                 ">, not <smses>");
        }
        rootSeen_ = true;
        return;
    }
    if (depth_ != 1) {
        return;
    }
    if (name != "sms") {
        ++skipped_;
        return;
    }
    ++messages_;
    attributes_.resize(static_cast<std::size_t>(attributeCount));
    for (std::size_t i = 0; i < attributes_.size(); ++i) {
        const xmlChar* const* attribute = attributes + i * 5; // name, prefix, URI, value, end
        // A prefixed name belongs to another vocabulary and never matches one of ours; it
        // stays in the list, which the recipient count is checked against.
        attributes_[i].first = attribute[1] == nullptr ? Chars(attribute[0]) : std::string_view();
        attributes_[i].second =
            std::string_view(reinterpret_cast<const char*>(attribute[3]),
                             static_cast<std::size_t>(attribute[4] - attribute[3]));
    }
    Parsed parsed;
    std::string problem;
    if (!interchange::MapSmsAttributes(attributes_, parsed.fields, parsed.recipients, problem)) {
        Stop("line " + std::to_string(Line()) + ", <sms> element " + std::to_string(messages_) +
             ": " + problem);
        return;
    }
    parsed_.push_back(std::move(parsed));
}

// Hands the parser the next chunk; false once the input has ended or parsing stopped.
bool XmlMessageReader::Feed() {
    chunk_.resize(kChunk);
    const long read = filter_.Read(chunk_.data(), chunk_.size());
    if (read < 0) {
        sourceError_ = ErrorText();
        return false;
    }
    const auto size = static_cast<std::size_t>(read);
    std::size_t offset = 0;
    if (!parser_) {
        // The first bytes tell the parser the encoding.
        static xmlSAXHandler handler = Handler(&OnStart, &OnEnd, &OnDocumentType, &OnError);
        offset = std::min<std::size_t>(size, 4);
        parser_.reset(xmlCreatePushParserCtxt(&handler, nullptr, chunk_.data(),
                                              static_cast<int>(offset), nullptr));
        if (!parser_) {
            failure_ = "the XML parser could not be set up";
            return false;
        }
        parser_->_private = this;
        if (parser_->errNo != XML_ERR_OK) {
            NoteError(xmlCtxtGetLastError(parser_.get()));
        }
        xmlCtxtUseOptions(parser_.get(), kOptions);
    }
    xmlParseChunk(parser_.get(), chunk_.data() + offset, static_cast<int>(size - offset),
                  size == 0 ? 1 : 0);
    return size != 0 && failure_.empty() && firstError_.empty();
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
    if (!failure_.empty()) {
        return Fail(failure_, error);
    }
    return Fail(firstError_.empty() ? "the file is not well-formed XML" : firstError_, error);
}

MessageReader::Result XmlMessageReader::Next(MessageFields& fields,
                                             std::vector<Recipient>& recipients,
                                             std::u16string& error) {
    while (parsed_.empty() && !finished_) {
        finished_ = !Feed();
    }
    if (!parsed_.empty()) {
        fields = std::move(parsed_.front().fields);
        recipients.insert(recipients.end(),
                          std::make_move_iterator(parsed_.front().recipients.begin()),
                          std::make_move_iterator(parsed_.front().recipients.end()));
        parsed_.pop_front();
        return Result::Message;
    }
    if (!failure_.empty() || !firstError_.empty() || !sourceError_.empty() ||
        (parser_ && parser_->wellFormed == 0)) {
        return ParseFailure(error);
    }
    if (!rootSeen_) {
        return Fail("the file holds no <smses> element", error);
    }
    return Result::End;
}
