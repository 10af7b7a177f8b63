// Reads the messages of a phone XML backup: the elements are parsed on a second thread while
// this one maps each to a message, so that libxml2's parse has a core to itself.
#pragma once

#include "interchange/message_reader.h"
#include "interchange/read_ahead.h"
#include "interchange/xml_mapping.h"
#include "interchange/xml_sms_parser.h"

class XmlMessageReader final : public MessageReader {
public:
    explicit XmlMessageReader(ByteSource& source);
    ~XmlMessageReader() override;
    XmlMessageReader(const XmlMessageReader&) = delete;
    XmlMessageReader& operator=(const XmlMessageReader&) = delete;

    Result Next(MessageFields& fields, std::vector<Recipient>& recipients,
                std::u16string& error) override;
    unsigned long Skipped() const override { return parser_.Skipped(); }

private:
    XmlSmsParser parser_;
    interchange::XmlAttributes attributes_;
    std::u16string failure_;         // given again by every later call
    ReadAhead<XmlSmsElement> ahead_; // last: its thread uses the parser until it is destroyed
};
