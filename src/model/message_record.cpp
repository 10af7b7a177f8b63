#include "model/message_record.h"

#include "model/address_items.h"

std::u16string MessageRecord::folderPath() const {
    const MessageFolder* owner = folder();
    return owner != nullptr ? FolderPathOf(*owner) : std::u16string();
}

std::u16string MessageRecord::senderText() const {
    return FormatSenderItem(senderName(), senderNumber());
}

bool MessageRecord::setSenderFromText(const std::u16string& text) {
    std::u16string name;
    std::u16string number;
    if (!ParseSenderItem(text, name, number)) {
        return false;
    }
    setSenderName(std::move(name));
    setSenderNumber(std::move(number));
    return true;
}
