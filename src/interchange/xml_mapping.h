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

// The message that an <sms> element's attributes describe; false with a short reason in problem,
// which the caller puts after the element's place.
[[nodiscard]] bool MapSmsAttributes(const XmlAttributes& attributes, MessageFields& fields,
                                    std::vector<Recipient>& recipients, std::string& problem);

} // namespace interchange
