// Reads the messages of a phone XML backup: the elements are parsed on a second thread while
// this one maps each to a message, so that libxml2's parse has a core to itself. A file that
// ends within the parser's first chunk is parsed on this thread.
#pragma once

#include "interchange/message_reader.h"
#include "interchange/read_ahead.h"
#include "interchange/xml_mapping.h"
#include "interchange/xml_sms_parser.h"

#include <optional>

class XmlMessageReader final : public MessageReader {
public:
    // A lenient reader goes past an element whose values do not map, noting it in Unmapped(),
    // and fails only where the markup itself fails.
    explicit XmlMessageReader(ByteSource& source, bool lenient = false);
    ~XmlMessageReader() override;
    XmlMessageReader(const XmlMessageReader&) = delete;
    XmlMessageReader& operator=(const XmlMessageReader&) = delete;

    Result Next(MessageFields& fields, std::vector<Recipient>& recipients,
                std::u16string& error) override;
    unsigned long Skipped() const override { return parser_.Skipped(); }

private:
    [[nodiscard]] ReadStep NextElement(XmlSmsElement*& element, std::u16string& error);

    XmlSmsParser parser_;
    interchange::XmlAttributes attributes_;
    interchange::SmsTexts texts_; // the texts of the element in hand, memory kept between elements
    std::u16string failure_;      // given again by every later call
    bool started_ = false;
    bool lenient_;
    XmlSmsElement element_; // the element in hand when there is no second thread
    // Last: its thread uses the parser until it is destroyed.
    std::optional<ReadAhead<XmlSmsElement>> ahead_;
};
