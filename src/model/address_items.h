// The address item, the one text form in which senders and recipients travel:
// a display name in double quotes, a space and an address in angle brackets.
#pragma once

#include "model/recipient.h"

#include <string>
#include <vector>

// "name" <number>
std::u16string FormatSenderItem(const std::u16string& name, const std::u16string& number);

// The items ;"name" <address> type of every recipient, without the leading ";".
std::u16string FormatRecipientList(const std::vector<Recipient>& recipients);

// Finds the first sender item in the text. The name is the longest run that still leaves a
// well-formed rest. Without a match, returns false and leaves both outputs unchanged.
[[nodiscard]] bool ParseSenderItem(const std::u16string& text, std::u16string& name,
                                   std::u16string& number);
