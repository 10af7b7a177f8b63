// Reads the <sms> elements of a phone XML backup with libxml2's SAX2 push parser, behind the
// surrogate filter. The root must be <smses>; other elements below it (<mms> with its parts,
// for example) are passed over and counted. The parser is fed a chunk at a time, so only the
// messages of one chunk wait in memory.
#pragma once

#include "interchange/message_reader.h"
#include "interchange/surrogate_filter.h"
#include "interchange/xml_mapping.h"

#include <libxml/parser.h>

#include <deque>
#include <memory>
#include <string>

class XmlMessageReader final : public MessageReader {
public:
    explicit XmlMessageReader(ByteSource& source);
    ~XmlMessageReader() override;
    XmlMessageReader(const XmlMessageReader&) = delete;
    XmlMessageReader& operator=(const XmlMessageReader&) = delete;

    Result Next(MessageFields& fields, std::vector<Recipient>& recipients,
                std::u16string& error) override;
    unsigned long Skipped() const override { return skipped_; }

private:
    struct ParserFree {
        void operator()(xmlParserCtxtPtr parser) const { xmlFreeParserCtxt(parser); }
    };
    struct Parsed {
        MessageFields fields;
        std::vector<Recipient> recipients;
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
    bool Feed();
    long Line() const;
    Result Fail(const std::string& text, std::u16string& error);
    Result ParseFailure(std::u16string& error);

    SurrogateFilter filter_;
    std::unique_ptr<xmlParserCtxt, ParserFree> parser_;
    std::string chunk_;
    std::deque<Parsed> parsed_;
    std::string failure_;    // our own reason to stop, with its place
    std::string firstError_; // the parser's first complaint, with its place
    std::u16string sourceError_;
    interchange::XmlAttributes attributes_;
    int depth_ = 0;
    unsigned long skipped_ = 0;
    unsigned long messages_ = 0;
    bool rootSeen_ = false;
    bool finished_ = false;
};
