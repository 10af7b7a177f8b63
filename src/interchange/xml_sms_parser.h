// Parses the <sms> start tags of a phone XML backup with libxml2's SAX2 push parser, behind the
// reference filter, and copies each out of the parser with its place in the file. The root must
// be <smses>; other elements below it (<mms> with its parts, for example) are passed over and
// counted. The parser is fed a chunk at a time, so only the elements of one chunk wait here.
#pragma once

#include "interchange/read_ahead.h"
#include "interchange/reference_filter.h"
#include "interchange/xml_mapping.h"

#include <libxml/parser.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// What every failure to read a phone XML file begins with.
inline constexpr char16_t kXmlReadError[] = u"read xml error, ";

// One <sms> start tag: its attributes' values back to back, in document order, each with its
// name. The names stay in the parser, which keeps one copy of each for as long as it lives: a
// tag's names are the same from one element to the next, and copying them out was most of the
// parsing thread's own work.
struct XmlSmsElement {
    struct Attribute {
        // In the parser's dictionary; null for a prefixed name, which belongs to another
        // vocabulary and never matches one of ours.
        const char* name = nullptr;
        std::size_t valueEnd = 0; // in text
    };
    std::string text;
    std::vector<Attribute> attributes;
    long line = 0;            // where the start tag ends
    unsigned long number = 0; // 1 for the first <sms> of the file

    // The attributes as views into the parser's names and into text; valid while the parser
    // that read the element lives.
    void Attributes(interchange::XmlAttributes& views) const;
};

class XmlSmsParser {
public:
    explicit XmlSmsParser(ByteSource& source);
    ~XmlSmsParser();
    XmlSmsParser(const XmlSmsParser&) = delete;
    XmlSmsParser& operator=(const XmlSmsParser&) = delete;

    // The next element; at a failure the error is the whole reason, "read xml error, ..." with
    // where and why.
    [[nodiscard]] ReadStep Next(XmlSmsElement& element, std::u16string& error);
    // Parses the input's first chunk, if that was not done yet; true when that was the whole
    // input (or parsing stopped in it).
    [[nodiscard]] bool FirstChunkIsAll();
    // Elements below the root that hold no message and were passed over.
    unsigned long Skipped() const { return skipped_; }

private:
    struct ParserFree {
        void operator()(xmlParserCtxtPtr parser) const { xmlFreeParserCtxt(parser); }
    };

    static void OnStart(void* context, const xmlChar* localName, const xmlChar* prefix,
                        const xmlChar* uri, int namespaceCount, const xmlChar** namespaces,
                        int attributeCount, int defaulted, const xmlChar** attributes);
    static void OnEnd(void* context, const xmlChar* localName, const xmlChar* prefix,
                      const xmlChar* uri);
    static void OnDocumentType(void* context, const xmlChar* name, const xmlChar* externalId,
                               const xmlChar* systemId);
    static void OnError(void* context, xmlErrorPtr error);
    void NoteError(const xmlError* error);

    void Start(std::string_view name, int attributeCount, const xmlChar** attributes);
    void Stop(std::string text);
    [[nodiscard]] bool Feed();
    long Line() const;
    [[nodiscard]] ReadStep ParseFailure(std::u16string& error);

    ReferenceFilter filter_;
    std::unique_ptr<xmlParserCtxt, ParserFree> parser_;
    std::string chunk_;
    std::deque<XmlSmsElement> parsed_;
    std::vector<XmlSmsElement> spare_; // elements the caller is done with, to be filled again
    std::string failure_;              // our own reason to stop, with its place
    std::string firstError_;           // the parser's first complaint, with its place
    std::u16string sourceError_;
    int depth_ = 0;
    std::atomic<unsigned long> skipped_ = 0; // read by the thread that takes the elements
    unsigned long messages_ = 0;
    bool rootSeen_ = false;
    bool finished_ = false;
    std::size_t fed_ = 0; // bytes handed to the parser
};
