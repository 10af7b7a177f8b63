#include "archive_samples.h"

#include "files/unicode_backup_file.h"
#include "support/backup_runs.h"

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

// A message at minutes after 2024-03-01 08:00 UTC; one in the Inbox or Deleted items is
// received from number, any other is sent to the recipients.
MemoryRecord Message(const std::u16string& folder, const std::u16string& name,
                     const std::u16string& number, const std::u16string& body,
                     std::uint64_t minutes, std::vector<Recipient> to = {}) {
    const std::uint64_t time = 133537248000000000ull + minutes * 600'000'000ull;
    MessageFields fields;
    fields.messageClass = u"IPM.SMStext";
    fields.folderPath = folder;
    fields.deliveryTime =
        fields.lastModified = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    fields.senderName = name;
    fields.senderNumber = number;
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
    // Anna, received and sent in turn, her number written three ways, in a shuffled order; the
    // latest named message names her "Anna Berg", the very latest none.
    const std::u16string annaNumbers[] = {u"+49 151 1234-5678", u"+49 (151) 12345678",
                                          u"+4915112345678"};
    sample.annaCount = 2500;
    for (std::size_t i = 0; i < sample.annaCount; ++i) {
        const std::size_t k = (i * 7919) % sample.annaCount + 1; // rank in time
        const std::u16string& number = annaNumbers[k % 3];
        const std::u16string name = k == 2500 ? u"" : k == 2499 ? u"Anna Berg" : u"Anna";
        out.push_back(k % 2 == 0 ? Message(u"Inbox", name, number, u"Anna " + Text(k), 10 * k)
                                 : Message(u"Sentedbox", u"", u"", u"Anna " + Text(k), 10 * k,
                                           {Recipient(number, name, 1)}));
    }
    // Bob: a group with Anna, and his own messages in the special folders and subfolders.
    const std::vector<Recipient> both = {Recipient(u"+33 6 12 34 56 78", u"Bob", 1),
                                         Recipient(u"+4915112345678", u"Anna", 1)};
    const std::vector<Recipient> bob = {Recipient(u"+33612345678", u"Bob", 1)};
    for (std::uint64_t i = 0; i < 3; ++i) {
        out.push_back(Message(u"Sentedbox", u"", u"", u"To both " + Text(i), 25'000 + i, both));
    }
    out.push_back(Message(u"Draft", u"", u"", u"A draft", 25'010, bob));
    out.push_back(Message(u"Outbox", u"", u"", u"Waiting", 25'011, bob));
    out.push_back(Message(u"Wastebox\\Old", u"Bob", u"+33612345678", u"Thrown away", 25'012));
    out.push_back(Message(u"Inbox\\Work", u"Bob", u"+33612345678", u"Filed", 25'013));
    // No number, received and sent.
    out.push_back(Message(u"Inbox", u"", u"", u"Who am I?", 25'020));
    out.push_back(Message(u"Sentedbox", u"", u"", u"Nobody", 25'021));
    sample.conversations = {{u"Anna Berg", sample.annaCount},
                            {u"Bob, Anna", 3},
                            {u"Bob", 4},
                            {u"No number", 2},
                            {kHostileName, kHostileBodies.size()}};
    // The rest among forty contacts, the deep word in one message of one of them.
    const std::size_t rest = total - out.size() - kHostileBodies.size();
    for (std::size_t i = 0; i < rest; ++i) {
        const std::u16string name = u"Contact " + Text(i % 40);
        const bool deep = i == rest - 3;
        out.push_back(Message(u"Inbox", name, u"+44700000" + Text(100 + i % 40),
                              deep ? u"At dawn a " + std::u16string(kDeepWord) + u" sang."
                                   : u"Filler " + Text(i),
                              30'000 + i));
        ++sample.conversations[name];
        if (deep) {
            sample.deepConversation = name;
            sample.deepNumber = i / 40 + 1;
        }
    }
    // Mallory last of all, so that her conversation heads the list; then the last forty
    // contacts, newest first, and the rest.
    for (std::size_t i = 0; i < kHostileBodies.size(); ++i) {
        out.push_back(
            Message(u"Inbox", kHostileName, u"+1 555 0100", kHostileBodies[i], 30'000 + rest + i));
    }
    sample.newestFirst = {kHostileName};
    for (std::size_t i = rest; i-- > rest - 40;) {
        sample.newestFirst.push_back(u"Contact " + Text(i % 40));
    }
    sample.newestFirst.insert(sample.newestFirst.end(),
                              {u"No number", u"Bob", u"Bob, Anna", u"Anna Berg"});
    return sample;
}

bool WriteBackup(std::vector<MemoryRecord>& messages, const std::filesystem::path& file) {
    UnicodeBackupFile format;
    const std::string path = file.string();
    return ::RunBackup(format, std::u16string(path.begin(), path.end()), messages).ok;
}

} // namespace samples
