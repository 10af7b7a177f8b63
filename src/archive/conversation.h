// Which conversation a message belongs to, and how the archive names and marks it. A
// conversation is the other party's numbers, each normalised; a message without any number
// belongs to the one conversation whose key is empty.
#pragma once

#include "model/message_record.h"

#include <string>
#include <vector>

namespace archive {

// A number as the conversation knows it: a leading "+" and the digits kept, spaces, dashes, dots
// and parentheses dropped, so that "+49 (151) 123-45" and "+4915112345" are one party. Any other
// character (a sender that is a word, not a number) stays, so that such senders stay apart.
std::u16string NormaliseNumber(std::u16string_view number);

struct Party {
    std::vector<std::u16string> numbers; // normalised, sorted, each once; empty: "No number"
    std::u16string name;                 // the contact name this message gives, or empty
    bool received = false;               // sent by the other party, shown on the left
};

// The sender of a received message, otherwise every recipient (a message to several people
// belongs to the conversation of that set of numbers).
Party PartyOf(MessageRecord& message);

// The key of a conversation: its numbers joined by commas ("" for "No number").
std::u16string ConversationKey(const std::vector<std::u16string>& numbers);

// The small mark a message carries beside its time: "Draft", "Outbox" or "Deleted", and the
// subfolder path below the special folder ("Draft · Work\Projects"); empty for a plain message
// of the Inbox or Sent items.
std::u16string FolderMark(const std::u16string& folderPath);

} // namespace archive
