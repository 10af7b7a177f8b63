#include "interchange/message_reader.h"

#include "platform/utf.h"

#include <algorithm>

namespace {

unsigned long DropNulUnits(std::u16string& text) {
    // A read-only look first: nearly every text has none, and erasing writes the whole text.
    if (utf::FirstNulUnit(text) == text.size()) {
        return 0;
    }
    const std::size_t before = text.size();
    std::erase(text, u'\0');
    return static_cast<unsigned long>(before - text.size());
}

} // namespace

unsigned long DropNulUnits(MessageFields& fields, std::vector<Recipient>& recipients) {
    unsigned long count = 0;
    for (std::u16string* text : {&fields.messageClass, &fields.folderPath, &fields.senderName,
                                 &fields.senderNumber, &fields.body}) {
        count += DropNulUnits(*text);
    }
    for (Recipient& recipient : recipients) {
        // Copied only when a unit goes: a long list costs no copies.
        if (recipient.address().find(u'\0') != std::u16string::npos) {
            std::u16string address = recipient.address();
            count += DropNulUnits(address);
            recipient.setAddress(std::move(address));
        }
        if (recipient.displayName().find(u'\0') != std::u16string::npos) {
            std::u16string name = recipient.displayName();
            count += DropNulUnits(name);
            recipient.setDisplayName(std::move(name));
        }
    }
    return count;
}
