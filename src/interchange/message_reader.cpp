#include "interchange/message_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// Four units at a time: a lane is zero exactly when the test below sets its top bit.
bool HasNulUnit(const std::u16string& text) {
    constexpr std::uint64_t kOnes = 0x0001000100010001u;
    constexpr std::uint64_t kTops = 0x8000800080008000u;
    std::size_t at = 0;
    for (; at + 4 <= text.size(); at += 4) {
        std::uint64_t units = 0;
        std::memcpy(&units, text.data() + at, sizeof units);
        if (((units - kOnes) & ~units & kTops) != 0) {
            return true;
        }
    }
    return std::find(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), u'\0') !=
           text.end();
}

unsigned long DropNulUnits(std::u16string& text) {
    // A read-only look first: nearly every text has none, and erasing writes the whole text.
    if (!HasNulUnit(text)) {
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
