// The texts that the readable exports print: sender, recipients and CSV fields.
#pragma once

#include "model/message_record.h"

#include <string>
#include <string_view>

// Replaces every occurrence of search, left to right; inserted text is not searched again.
// An empty search string changes nothing.
std::u16string ReplaceAll(std::u16string text, std::u16string_view search,
                          std::u16string_view replacement);

// The field in double quotes, each double quote inside doubled.
std::u16string CsvQuote(const std::u16string& field);

// The items "name" <address> of every recipient, joined by ";"; empty without recipients.
std::u16string RecipientsText(MessageRecord& message);

// The sender item "name" <number>, or the empty text when only a name is known.
std::u16string SenderText(const MessageRecord& message);
