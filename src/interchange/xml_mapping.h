// One message as an <sms> element of the phone XML: the standard attributes that phones read,
// and attributes of our own ("mk_...") that carry what they cannot, so that a message comes
// back from the XML with every field as it was.
#pragma once

#include "model/message_fields.h"
#include "model/message_record.h"
#include "model/recipient.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace interchange {

// Appends "  <sms ... />" and a line break.
void AppendSmsElement(std::string& out, MessageRecord& message, const std::u16string& folderPath);

// The attributes of one element, names and values in UTF-8, in document order; the views
// point into the parser's storage and live as long as its callback.
using XmlAttributes = std::vector<std::pair<std::string_view, std::string_view>>;

// A text attribute's value once decoded, in memory kept from one element to the next.
struct XmlText {
    std::u16string units;
    bool present = false;
};

// The texts of one element as they are decoded; a reader keeps one for all of its elements, so
// that decoding a text reuses the memory of the last one.
struct SmsTexts {
    XmlText address, contact, body;
    XmlText senderName, senderNumber, messageClass, folder;
    XmlText recipientAddress, recipientName;
};

// The message that an <sms> element's attributes describe, appending its recipients; false with
// a short reason in problem, which the caller puts after the element's place. The fields are
// set only where the element says so: a caller starts from empty ones.
[[nodiscard]] bool MapSmsAttributes(const XmlAttributes& attributes, SmsTexts& texts,
                                    MessageFields& fields, std::vector<Recipient>& recipients,
                                    std::string& problem);

} // namespace interchange
