#include "interchange/xml_sms_parser.h"

#include "files/file_access.h"
#include "interchange/text_codec.h"

#include <libxml/SAX2.h>

#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t kChunk = 1 << 16;
// A spent element is filled again only when small: a large one would hold its memory for good.
constexpr std::size_t kKeptCapacity = 4096;
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

void XmlSmsElement::Attributes(interchange::XmlAttributes& views) const {
    views.resize(attributes.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        const Attribute& attribute = attributes[i];
        views[i].first = attribute.name == nullptr ? std::string_view() : attribute.name;
        views[i].second = std::string_view(text).substr(start, attribute.valueEnd - start);
        start = attribute.valueEnd;
    }
}

XmlSmsParser::XmlSmsParser(ByteSource& source) : filter_(source) {}

XmlSmsParser::~XmlSmsParser() = default;

void XmlSmsParser::OnStart(void* context, const xmlChar* localName, const xmlChar* prefix,
                           const xmlChar* /*uri*/, int /*namespaceCount*/,
                           const xmlChar** /*namespaces*/, int attributeCount, int /*defaulted*/,
                           const xmlChar** attributes) {
    auto* self = static_cast<XmlSmsParser*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    std::string name;
    QualifiedName(name, prefix, localName);
    self->Start(name, attributeCount, attributes);
    ++self->depth_;
}

void XmlSmsParser::OnEnd(void* context, const xmlChar* /*localName*/, const xmlChar* /*prefix*/,
                         const xmlChar* /*uri*/) {
    --static_cast<XmlSmsParser*>(static_cast<xmlParserCtxtPtr>(context)->_private)->depth_;
}

void XmlSmsParser::OnDocumentType(void* context, const xmlChar* /*name*/,
                                  const xmlChar* /*externalId*/, const xmlChar* /*systemId*/) {
    auto* self = static_cast<XmlSmsParser*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    self->Stop("line " + std::to_string(self->Line()) +
               ": a document type declaration is not accepted");
}

void XmlSmsParser::OnError(void* context, xmlErrorPtr error) {
    // An error while the parser is being set up (the first bytes in an encoding that cannot be
    // read) comes before the reader is attached; it is taken from the parser afterwards.
    auto* self = static_cast<XmlSmsParser*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    if (self != nullptr) {
        self->NoteError(error);
    }
}

void XmlSmsParser::NoteError(const xmlError* error) {
    if (error == nullptr || error->level == XML_ERR_WARNING || !firstError_.empty()) {
        return;
    }
    firstError_ = "line " + std::to_string(error->line) + ", column " +
                  std::to_string(error->int2) + ": " +
                  Trimmed(error->message != nullptr ? error->message : "not well-formed");
}

// The line where the parser stands: at the end of the start tag just read.
long XmlSmsParser::Line() const {
    return xmlSAX2GetLineNumber(parser_.get());
}

void XmlSmsParser::Stop(std::string text) {
    if (failure_.empty()) {
        failure_ = std::move(text);
    }
    xmlStopParser(parser_.get());
}

void XmlSmsParser::Start(std::string_view name, int attributeCount, const xmlChar** attributes) {
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
    XmlSmsElement& element =
        spare_.empty() ? parsed_.emplace_back() : parsed_.emplace_back(std::move(spare_.back()));
    if (!spare_.empty()) {
        spare_.pop_back();
    }
    element.line = Line();
    element.number = messages_;
    element.attributes.resize(static_cast<std::size_t>(attributeCount));
    // name, prefix, URI, value, value end: five pointers an attribute
    const auto each = [attributes](std::size_t i) { return attributes + i * 5; };
    std::size_t size = 0;
    for (std::size_t i = 0; i < element.attributes.size(); ++i) {
        size += static_cast<std::size_t>(each(i)[4] - each(i)[3]);
    }
    // Sized once and copied into, without a capacity check for each value.
    element.text.resize(size);
    char* const start = element.text.data();
    char* at = start;
    for (std::size_t i = 0; i < element.attributes.size(); ++i) {
        const xmlChar* const* attribute = each(i);
        const auto valueSize = static_cast<std::size_t>(attribute[4] - attribute[3]);
        std::memcpy(at, attribute[3], valueSize);
        at += valueSize;
        element.attributes[i] = {attribute[1] == nullptr ? Chars(attribute[0]).data() : nullptr,
                                 static_cast<std::size_t>(at - start)};
    }
}

// Hands the parser the next chunk; false once the input has ended or parsing stopped.
bool XmlSmsParser::Feed() {
    chunk_.resize(kChunk);
    const long read = filter_.Read(chunk_.data(), chunk_.size());
    if (read < 0) {
        sourceError_ = ErrorText();
        return false;
    }
    const auto size = static_cast<std::size_t>(read);
    fed_ += size;
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

ReadStep XmlSmsParser::ParseFailure(std::u16string& error) {
    if (!sourceError_.empty()) {
        error = kXmlReadError + sourceError_;
        return ReadStep::Failed;
    }
    const std::string& text = !failure_.empty() ? failure_
                              : !firstError_.empty()
                                  ? firstError_
                                  : std::string("the file is not well-formed XML");
    error = kXmlReadError + interchange::FromUtf8(text);
    return ReadStep::Failed;
}

bool XmlSmsParser::FirstChunkIsAll() {
    while (!finished_ && fed_ < kChunk) {
        finished_ = !Feed();
    }
    return finished_;
}

ReadStep XmlSmsParser::Next(XmlSmsElement& element, std::u16string& error) {
    while (parsed_.empty() && !finished_) {
        finished_ = !Feed();
    }
    if (!parsed_.empty()) {
        // The caller's spent element comes back to be filled again, unless it grew large.
        std::swap(element, parsed_.front());
        const XmlSmsElement& spent = parsed_.front();
        if (spent.text.capacity() <= kKeptCapacity &&
            spent.attributes.capacity() * sizeof(spent.attributes[0]) <= kKeptCapacity) {
            spare_.push_back(std::move(parsed_.front()));
        }
        parsed_.pop_front();
        return ReadStep::Record;
    }
    if (!failure_.empty() || !firstError_.empty() || !sourceError_.empty() ||
        (parser_ && parser_->wellFormed == 0)) {
        return ParseFailure(error);
    }
    if (!rootSeen_) {
        failure_ = "the file holds no <smses> element";
        return ParseFailure(error);
    }
    return ReadStep::End;
}
