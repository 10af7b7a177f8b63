#include "archive/conversation.h"

#include "interchange/phone_attributes.h"

#include <algorithm>

namespace archive {

std::u16string NormaliseNumber(std::u16string_view number) {
    std::u16string kept;
    kept.reserve(number.size());
    for (const char16_t c : number) {
        switch (c) {
        case u' ':
        case u'\t':
        case u'\u00A0':
        case u'-':
        case u'.':
        case u'(':
        case u')':
            break;
        case u'+': // only where a number starts does it mean the international prefix
            if (kept.empty()) {
                kept.push_back(c);
            }
            break;
        default:
            kept.push_back(c);
        }
    }
    return kept == u"+" ? std::u16string() : kept;
}

namespace {

// A store gives the number as the name of a party it has no name for: that is no name.
bool IsNumberItself(const std::u16string& name, const std::u16string& number) {
    return NormaliseNumber(name) == NormaliseNumber(number);
}

} // namespace

Party PartyOf(MessageRecord& message) {
    Party party;
    party.received =
        interchange::TypeOfFolder(message.folderPath(), !message.senderNumber().empty()) ==
        interchange::kTypeReceived;
    if (party.received) {
        if (std::u16string number = NormaliseNumber(message.senderNumber()); !number.empty()) {
            party.numbers.push_back(std::move(number));
        }
        if (!IsNumberItself(message.senderName(), message.senderNumber())) {
            party.name = message.senderName();
        }
        return party;
    }
    for (const Recipient& recipient : message.recipients()) {
        if (std::u16string number = NormaliseNumber(recipient.address()); !number.empty()) {
            party.numbers.push_back(std::move(number));
        }
        if (!recipient.displayName().empty() &&
            !IsNumberItself(recipient.displayName(), recipient.address())) {
            party.name += (party.name.empty() ? u"" : u", ") + recipient.displayName();
        }
    }
    std::sort(party.numbers.begin(), party.numbers.end());
    party.numbers.erase(std::unique(party.numbers.begin(), party.numbers.end()),
                        party.numbers.end());
    return party;
}

std::u16string ConversationKey(const std::vector<std::u16string>& numbers) {
    std::u16string key;
    for (const std::u16string& number : numbers) {
        key += (key.empty() ? u"" : u",") + number;
    }
    return key;
}

std::u16string FolderMark(const std::u16string& folderPath) {
    const std::size_t slash = folderPath.find(u'\\');
    const std::u16string token = folderPath.substr(0, slash);
    const std::u16string below =
        slash == std::u16string::npos ? std::u16string() : folderPath.substr(slash + 1);
    std::u16string mark;
    if (token == u"Draft") {
        mark = u"Draft";
    } else if (token == u"Outbox") {
        mark = u"Outbox";
    } else if (token == u"Wastebox") {
        mark = u"Deleted";
    } else if (token != u"Inbox" && token != u"Sentedbox") {
        return folderPath; // a path of no special folder is shown whole
    }
    if (!below.empty()) {
        mark += (mark.empty() ? u"" : u" \u00B7 ") + below;
    }
    return mark;
}

} // namespace archive
