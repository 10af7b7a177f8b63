#include "cli/salvage_hint.h"

#include "cli/console.h"

void SuggestSalvage(const std::u16string& error, const std::u16string& file) {
    const bool phone = error.find(u"read xml error, ") != std::u16string::npos ||
                       error.find(u"read json error, ") != std::u16string::npos;
    if (phone && !error.starts_with(u"No.")) {
        console::Err(u"msgkeeper-cli: 'msgkeeper-cli salvage " + file +
                     u" OUT' keeps the messages of the file that read\n");
    }
}
