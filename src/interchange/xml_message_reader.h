// Reads the <sms> elements of a phone XML backup one at a time with libxml2's streaming reader,
// behind the surrogate filter. The root must be <smses>; other elements below it (<mms> with
// its parts, for example) are passed over and counted.
#pragma once

#include "interchange/message_reader.h"
#include "interchange/surrogate_filter.h"
#include "interchange/xml_mapping.h"

#include <libxml/xmlreader.h>

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
    struct ReaderFree {
        void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
    };

    static int ReadBytes(void* context, char* buffer, int length);
    static void OnError(void* context, xmlErrorPtr error);

    Result Fail(const std::string& text, std::u16string& error);
    Result ParseFailure(std::u16string& error);
    bool CollectAttributes();
    long Line();

    SurrogateFilter filter_;
    std::unique_ptr<xmlTextReader, ReaderFree> reader_;
    std::string firstError_; // the parser's first complaint, with its place
    std::u16string sourceError_;
    interchange::XmlAttributes attributes_;
    unsigned long skipped_ = 0;
    unsigned long messages_ = 0;
    bool rootSeen_ = false;
};
