#include "archive_samples.h"

#include "files/unicode_backup_file.h"
#include "support/backup_runs.h"

#include <algorithm>

namespace samples {

const std::vector<std::u16string> kHostileBodies = {
    u"<script>window.pwned = 1</script>",
    u"<img src=x onerror=\"window.pwned = 2\">",
    u"javascript:alert(document.domain)",
    u"\u202Egnp.exe",
    u"{{name}} {{{body}}} {{#x}}",
    u"</p></div></li></ol><h1>Injected</h1>",
    u"\"'><svg onload=\"window.pwned = 3\">",
    u"&lt;b&gt; &amp; \u2028 \u2029 done",
    u"\U0001F600 \u05E9\u05DC\u05D5\u05DD \u0645\u0631\u062D\u0628\u0627",
    std::u16string(400, u'W'),
};
const char16_t kHostileName[] = u"<b onmouseover=\"window.pwned = 4\">Mallory</b>";
const char16_t kDeepWord[] = u"Z\u00E9brAf\u00EFnch";

namespace {

constexpr std::uint64_t kStart = 133537248000000000ull; // 2024-03-01 08:00 UTC
constexpr std::uint64_t kMinute = 60ull * 10'000'000;

FILETIME At(std::uint64_t minutes) {
    const std::uint64_t time = kStart + minutes * kMinute;
    return FILETIME{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

MemoryRecord Received(const std::u16string& folder, const std::u16string& name,
                      const std::u16string& number, const std::u16string& body,
                      std::uint64_t minute) {
    MessageFields fields;
    fields.messageClass = u"IPM.SMStext";
    fields.folderPath = folder;
    fields.deliveryTime = At(minute);
    fields.lastModified = At(minute);
    fields.senderName = name;
    fields.senderNumber = number;
    fields.body = body;
    return MemoryRecord(fields, {Recipient(u"+10000", u"Me", 1)});
}

MemoryRecord Sent(const std::u16string& folder, std::vector<Recipient> to,
                  const std::u16string& body, std::uint64_t minute) {
    MessageFields fields;
    fields.messageClass = u"IPM.SMStext";
    fields.folderPath = folder;
    fields.deliveryTime = At(minute);
    fields.lastModified = At(minute);
    fields.body = body;
    return MemoryRecord(fields, std::move(to));
}

std::u16string Text(std::size_t n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace

Sample MakeSample(std::size_t total) {
    Sample sample;
    std::vector<MemoryRecord>& out = sample.messages;
    // Anna: received and sent in turn, her number written three ways, her messages in a
    // shuffled order; the latest named message names her "Anna Berg", the very latest none.
    const std::u16string annaNumbers[] = {u"+49 151 1234-5678", u"+49 (151) 12345678",
                                          u"+4915112345678"};
    sample.annaCount = 2500;
    for (std::size_t i = 0; i < sample.annaCount; ++i) {
        const std::size_t k = (i * 7919) % sample.annaCount + 1; // rank in time
        const std::u16string& number = annaNumbers[k % 3];
        const std::u16string name = k == 2500 ? u"" : k == 2499 ? u"Anna Berg" : u"Anna";
        if (k % 2 == 0) {
            out.push_back(Received(u"Inbox", name, number, u"Anna " + Text(k), 10 * k));
        } else {
            out.push_back(
                Sent(u"Sentedbox", {Recipient(number, name, 1)}, u"Anna " + Text(k), 10 * k));
        }
    }
    sample.conversations[u"Anna Berg"] = {u"Anna Berg", sample.annaCount};
    // Bob: a group with Anna, and his own messages in the special folders and a subfolder.
    for (std::uint64_t i = 0; i < 3; ++i) {
        out.push_back(Sent(
            u"Sentedbox",
            {Recipient(u"+33 6 12 34 56 78", u"Bob", 1), Recipient(u"+4915112345678", u"Anna", 1)},
            u"To both of you " + Text(i), 25'000 + i));
    }
    sample.conversations[u"Bob, Anna"] = {u"Bob, Anna", 3};
    out.push_back(Sent(u"Draft", {Recipient(u"+33612345678", u"Bob", 1)}, u"A draft", 25'010));
    out.push_back(Sent(u"Outbox", {Recipient(u"+33612345678", u"Bob", 1)}, u"Waiting", 25'011));
    out.push_back(Received(u"Wastebox\\Old", u"Bob", u"+33612345678", u"Thrown away", 25'012));
    out.push_back(Received(u"Inbox\\Work", u"Bob", u"+33612345678", u"Filed", 25'013));
    sample.conversations[u"Bob"] = {u"Bob", 4};
    // Two messages of no number.
    out.push_back(Received(u"Inbox", u"", u"", u"Who am I?", 25'020));
    out.push_back(Sent(u"Sentedbox", {}, u"Nobody", 25'021));
    sample.conversations[u"No number"] = {u"No number", 2};
    // The rest among forty contacts, the deep word in one message of the last.
    const std::size_t fixed = out.size() + kHostileBodies.size();
    const std::size_t rest = total - fixed;
    for (std::size_t i = 0; i < rest; ++i) {
        const std::size_t contact = i % 40;
        const std::u16string name = u"Contact " + Text(contact);
        const bool deep = i == rest - 3;
        out.push_back(Received(u"Inbox", name, u"+44700000" + Text(100 + contact),
                               deep ? u"At dawn a " + std::u16string(kDeepWord) + u" sang."
                                    : u"Filler " + Text(i),
                               30'000 + i));
        sample.conversations[name].name = name;
        ++sample.conversations[name].count;
        if (deep) {
            sample.deepConversation = name;
            sample.deepNumber = i / 40 + 1;
        }
    }
    // Mallory last of all, so that her conversation heads the list.
    for (std::size_t i = 0; i < kHostileBodies.size(); ++i) {
        out.push_back(
            Received(u"Inbox", kHostileName, u"+1 555 0100", kHostileBodies[i], 30'000 + rest + i));
    }
    sample.conversations[kHostileName] = {kHostileName, kHostileBodies.size()};

    sample.newestFirst = {kHostileName};
    for (std::size_t contact = 40; contact-- > 0;) {
        // The last forty filler messages go to the forty contacts in turn.
        sample.newestFirst.push_back(u"Contact " + Text((rest - 40 + contact) % 40));
    }
    for (const char16_t* name : {u"No number", u"Bob", u"Bob, Anna", u"Anna Berg"}) {
        sample.newestFirst.push_back(name);
    }
    return sample;
}

bool WriteBackup(std::vector<MemoryRecord>& messages, const std::filesystem::path& file) {
    UnicodeBackupFile format;
    const std::string path = file.string();
    return ::RunBackup(format, std::u16string(path.begin(), path.end()), messages).ok;
}

} // namespace samples
