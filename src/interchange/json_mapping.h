// One message as one line of JSON, with every field of the record and its recipients, so that
// it comes back exactly. Texts with unpaired surrogates, which JSON text cannot carry, also go
// as four-digit hexadecimal units in a key that ends in "Utf16".
#pragma once

#include "model/message_fields.h"
#include "model/message_record.h"
#include "model/recipient.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

namespace interchange {

// Appends the message's object and a line feed.
void AppendJsonLine(std::string& out, MessageRecord& message, const std::u16string& folderPath);

// The message that a line's object describes; false with a short reason in problem, which the
// caller puts after the line's number. Missing keys give
// empty values (the SMS class for "messageClass"); present ones must have the right type.
[[nodiscard]] bool MapJsonObject(const nlohmann::json& object, MessageFields& fields,
                                 std::vector<Recipient>& recipients, std::string& problem);

} // namespace interchange
