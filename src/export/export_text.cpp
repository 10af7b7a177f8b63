#include "export/export_text.h"

namespace {

// A %s argument of the platform's formatting ends at the first U+0000.
std::u16string_view UpToNul(const std::u16string& text) {
    const std::u16string_view view(text);
    return view.substr(0, view.find(u'\0'));
}

} // namespace

std::u16string ReplaceAll(std::u16string text, std::u16string_view search,
                          std::u16string_view replacement) {
    if (search.empty()) {
        return text;
    }
    std::size_t at = text.find(search);
    while (at != std::u16string::npos) {
        text.replace(at, search.size(), replacement);
        at = text.find(search, at + replacement.size());
    }
    return text;
}

std::u16string CsvQuote(const std::u16string& field) {
    return u'"' + ReplaceAll(field, u"\"", u"\"\"") + u'"';
}

std::u16string RecipientsText(MessageRecord& message) {
    // Items are kept whole, however long: a cut item would lose the address.
    std::u16string text;
    for (const Recipient& recipient : message.recipients()) {
        text += u";\"";
        text += UpToNul(recipient.displayName());
        text += u"\" <";
        text += UpToNul(recipient.address());
        text += u'>';
    }
    return text.empty() ? text : text.substr(1);
}

std::u16string SenderText(const MessageRecord& message) {
    if (message.senderNumber().empty() && !message.senderName().empty()) {
        return {};
    }
    return message.senderText();
}
