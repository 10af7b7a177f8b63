#include "cli/salvage_hint.h"

#include "cli/console.h"

bool IsDamagedFileText(const std::u16string& error) {
    for (const char16_t* damage : {u"read sms error, ", u"read xml error, ", u"read json error, ",
                                   u"unknown message class name!"}) {
        if (error.find(damage) != std::u16string::npos) {
            return true;
        }
    }
    return false;
}

void SuggestSalvage(const std::u16string& error, const std::u16string& file) {
    // A restore's failure at a record ("No.n:") says it with its count of restored messages.
    const bool phone = error.find(u"read xml error, ") != std::u16string::npos ||
                       error.find(u"read json error, ") != std::u16string::npos;
    if (phone && !error.starts_with(u"No.")) {
        console::Err(u"msgkeeper-cli: 'msgkeeper-cli salvage " + file +
                     u" OUT' keeps the messages of the file that read\n");
    }
}
