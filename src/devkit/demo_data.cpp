#include "devkit/demo_data.h"

#include "devkit/mapi_admin.h"

#include <array>
#include <vector>

namespace {

using mapi_admin::ObjectId;
using mapi_admin::SeedMessage;
using mapi_admin::SeedRecipient;

struct Contact {
    const char16_t* name;
    const char16_t* number;
};

constexpr std::array<Contact, 8> kContacts = {{
    {u"Anna Berg", u"+4915112345678"},
    {u"Jürgen Müller", u"+4917098765432"},
    {u"山田 太郎", u"+819012345678"},
    {u"Νίκος Παπαδόπουλος", u"+306912345678"},
    {u"Ольга Иванова", u"+79161234567"},
    {u"Home", u"555"},
    {u"Work", u"777"},
    {u"Chloé", u"+33612345678"},
}};

constexpr std::array<const char16_t*, 16> kBodies = {{
    u"Hi! Are we still on for lunch tomorrow?",
    u"Running 10 minutes late, sorry 🙏",
    u"Bin gleich da. Grüße aus München!",
    u"明日の会議は午後3時からです。",
    u"Καλημέρα! Τα λέμε το βράδυ;",
    u"Спасибо за вчерашний ужин!",
    u"Don't forget the milk 🥛 and bread 🍞",
    u"Meeting moved to room 4.12, bring the slides.",
    u"Happy birthday!!! 🎉🎂",
    u"Call me when you land ✈️",
    u"Your code is 483920. It expires in 10 minutes.",
    u"Line one\r\nLine two, with a comma",
    u"He said \"see you at 8\" — OK?",
    u"On est où ce soir ? 🍷",
    u"Parking is full, I'm at the north entrance.",
    u"Thanks, got it 👍",
}};

// 2024-03-01 08:00 UTC as a FILETIME, and steps of 97 minutes between messages.
constexpr std::uint64_t kStart = 133537248000000000ull;
constexpr std::uint64_t kStep = 97ull * 60 * 10000000;

SeedMessage MakeMessage(int n, bool incoming) {
    const Contact& from = kContacts[static_cast<std::size_t>(n) % kContacts.size()];
    const Contact& to = kContacts[static_cast<std::size_t>(n + 3) % kContacts.size()];
    SeedMessage message;
    message.body = kBodies[static_cast<std::size_t>(n) % kBodies.size()];
    message.deliveryTime = U64ToFileTime(kStart + kStep * static_cast<std::uint64_t>(n));
    message.lastModified =
        U64ToFileTime(kStart + kStep * static_cast<std::uint64_t>(n) + 600000000);
    message.flags = incoming ? MSGFLAG_READ : (MSGFLAG_READ | MSGFLAG_FROMME);
    message.size = static_cast<ULONG>(message.body.size() * 2);
    // The handset keeps the sender in more than one shape; the demo shows each.
    switch (n % 3) {
    case 0:
        message.senderEmail = u"\"" + std::u16string(from.name) + u"\" <" + from.number + u">";
        break;
    case 1:
        message.senderEmail = from.number;
        message.senderName = from.name;
        break;
    default:
        message.senderEmail = from.number;
        break;
    }
    message.recipients.push_back(SeedRecipient{to.number, to.name, MAPI_TO});
    if (n % 4 == 0) {
        const Contact& cc = kContacts[static_cast<std::size_t>(n + 5) % kContacts.size()];
        message.recipients.push_back(SeedRecipient{cc.number, cc.name, MAPI_CC});
    }
    return message;
}

struct Placement {
    ULONG storeProperty;
    std::vector<std::u16string> subfolder; // empty for the folder itself
    int count;
    bool incoming;
};

std::int64_t CountAll(ObjectId folder) {
    std::int64_t count = mapi_admin::AllMessageCount(folder);
    for (const ObjectId child : mapi_admin::Subfolders(folder)) {
        count += CountAll(child);
    }
    return count;
}

ObjectId SubfolderPath(ObjectId folder, const std::vector<std::u16string>& names) {
    for (const std::u16string& name : names) {
        ObjectId found = 0;
        for (const ObjectId child : mapi_admin::Subfolders(folder)) {
            std::u16string text;
            if (mapi_admin::GetText(child, PR_DISPLAY_NAME_W, text) && text == name) {
                found = child;
            }
        }
        folder = found != 0 ? found : mapi_admin::AddFolder(folder, name);
        if (folder == 0) {
            return 0;
        }
    }
    return folder;
}

} // namespace

bool AddDemoMessages(std::string& reason) {
    const ObjectId store = mapi_admin::FindStore(u"SMS");
    if (store == 0) {
        reason = "the device has no store named SMS; run 'msgkeeper-cli device init' first";
        return false;
    }
    const std::array<ULONG, 5> specials = {PR_CE_IPM_DRAFTS_ENTRYID, PR_CE_IPM_INBOX_ENTRYID,
                                           PR_IPM_OUTBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID,
                                           PR_IPM_WASTEBASKET_ENTRYID};
    for (const ULONG property : specials) {
        const ObjectId folder = mapi_admin::SpecialFolder(store, property);
        if (folder != 0 && CountAll(folder) > 0) {
            reason = "the store already holds messages; demo messages go only into an empty store";
            return false;
        }
    }
    const std::vector<Placement> placements = {
        {PR_CE_IPM_DRAFTS_ENTRYID, {}, 3, false},
        {PR_CE_IPM_INBOX_ENTRYID, {}, 14, true},
        {PR_CE_IPM_INBOX_ENTRYID, {u"Family"}, 5, true},
        {PR_CE_IPM_INBOX_ENTRYID, {u"Work"}, 3, true},
        {PR_CE_IPM_INBOX_ENTRYID, {u"Work", u"Projects"}, 3, true},
        {PR_IPM_OUTBOX_ENTRYID, {}, 2, false},
        {PR_IPM_SENTMAIL_ENTRYID, {}, 6, false},
        {PR_IPM_SENTMAIL_ENTRYID, {u"Old"}, 2, false},
        {PR_IPM_WASTEBASKET_ENTRYID, {}, 4, true},
    };
    int n = 0;
    for (const Placement& place : placements) {
        const ObjectId folder =
            SubfolderPath(mapi_admin::SpecialFolder(store, place.storeProperty), place.subfolder);
        std::vector<SeedMessage> messages;
        for (int i = 0; i < place.count; ++i) {
            messages.push_back(MakeMessage(n++, place.incoming));
        }
        if (folder == 0 || mapi_admin::AddMessages(folder, messages).size() != messages.size()) {
            reason = "the demo messages could not be stored";
            return false;
        }
    }
    return true;
}

bool AddGeneratedMessages(int count) {
    const ObjectId store = mapi_admin::FindStore(u"SMS");
    if (store == 0) {
        return false;
    }
    // Mostly the inbox and sent items, as on a phone in use.
    const std::array<std::pair<ULONG, int>, 3> shares = {{{PR_CE_IPM_INBOX_ENTRYID, 60},
                                                          {PR_IPM_SENTMAIL_ENTRYID, 35},
                                                          {PR_CE_IPM_DRAFTS_ENTRYID, 5}}};
    int n = 0;
    for (const auto& [property, percent] : shares) {
        const ObjectId folder = mapi_admin::SpecialFolder(store, property);
        const int wanted = property == PR_CE_IPM_DRAFTS_ENTRYID ? count - n : count * percent / 100;
        std::vector<SeedMessage> batch;
        for (int i = 0; i < wanted; ++i) {
            batch.push_back(MakeMessage(n++, property == PR_CE_IPM_INBOX_ENTRYID));
            if (batch.size() == 1000 || i + 1 == wanted) {
                if (folder == 0 || mapi_admin::AddMessages(folder, batch).size() != batch.size()) {
                    return false;
                }
                batch.clear();
            }
        }
    }
    return true;
}
