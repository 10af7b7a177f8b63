// The archive as a person sees it: one archive of 20,000 messages from two files (the second
// holding the last hundred messages of the first), made once, its folder checked and its pages
// read in one headless Chromium. Every browser test ends by checking that the browser saw no
// script error and no policy violation.
#include "archive/archive.h"
#include "archive/archive_sink.h"
#include "files/unicode_backup_file.h"
#include "headless_browser.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"
#include "support/time_zone_guard.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The texts that must be shown as text and make nothing of their own, and Mallory's contact
// name, hostile too; the one message that holds the deep word, spelt with accents.
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

// Messages with what the archive must make of them: conversations whose numbers are written in
// several ways, one of several thousand messages, one of hostile texts, a group, one without a
// number, folder marks, and a word deep in the pile.
struct Sample {
    std::vector<MemoryRecord> messages;                  // in the order a file holds them
    std::map<std::u16string, std::size_t> conversations; // messages by name, as the index shows
    std::vector<std::u16string> newestFirst;             // names, by each one's latest message
    std::size_t annaCount = 0;       // Anna's messages, "Anna 1" ... in time order
    std::size_t deepNumber = 0;      // the deep word's message in its conversation (1, 2, ...)
    std::u16string deepConversation; // its conversation's name
};

// A message at minutes after 2024-03-01 08:00 UTC; one in the Inbox or Deleted items is
// received from number, any other is sent to the recipients.
MemoryRecord Message(const std::u16string& folder, const std::u16string& name,
                     const std::u16string& number, const std::u16string& body,
                     std::uint64_t minutes, std::vector<Recipient> to = {}) {
    const FILETIME at = U64ToFileTime(133537248000000000ull + minutes * 600'000'000ull);
    return MemoryRecord(MessageFields{u"IPM.SMStext", folder, at, at, 0, 0, name, number, body},
                        std::move(to));
}

std::u16string Text(std::size_t n) {
    return utf::Utf16(std::to_string(n));
}

// total messages, at least 3,000; Anna gets 2,500 of them.
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
    // Bob: a group with Anna, and his own messages in a special folder and a subfolder of one.
    const std::vector<Recipient> both = {Recipient(u"+33 6 12 34 56 78", u"Bob", 1),
                                         Recipient(u"+4915112345678", u"Anna", 1)};
    const std::vector<Recipient> bob = {Recipient(u"+33612345678", u"Bob", 1)};
    for (std::uint64_t i = 0; i < 3; ++i) {
        out.push_back(Message(u"Sentedbox", u"", u"", u"To both " + Text(i), 25'000 + i, both));
    }
    out.push_back(Message(u"Draft", u"", u"", u"A draft", 25'010, bob));
    out.push_back(Message(u"Wastebox\\Old", u"Bob", u"+33612345678", u"Thrown away", 25'012));
    // No number, received and sent.
    out.push_back(Message(u"Inbox", u"", u"", u"Who am I?", 25'020));
    out.push_back(Message(u"Sentedbox", u"", u"", u"Nobody", 25'021));
    sample.conversations = {{u"Anna Berg", sample.annaCount},
                            {u"Bob, Anna", 3},
                            {u"Bob", 2},
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

class ArchiveInBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        browser_ = std::make_unique<HeadlessBrowser>();
        sample_ = std::make_unique<Sample>(MakeSample(20'000));
        std::vector<MemoryRecord> tail = MakeSample(20'000).messages;
        tail.erase(tail.begin(), tail.end() - 100);
        UnicodeBackupFile usms;
        ASSERT_TRUE(::WriteBackupOf(usms, temp_.file("all.usms"), sample_->messages).ok);
        ASSERT_TRUE(::WriteBackupOf(usms, temp_.file("tail.usms"), tail).ok);
        const TimeZoneGuard zone(kCentralEurope);
        result_ =
            ArchiveFiles({temp_.file("all.usms"), temp_.file("tail.usms")}, temp_.file("site"));
        ASSERT_EQ(result_.outcome, TransferOutcome::Done) << utf::Utf8(result_.error);
    }

    static void TearDownTestSuite() { browser_.reset(); }

    void SetUp() override { ASSERT_TRUE(browser_->ok()) << browser_->failure(); }

    void TearDown() override { EXPECT_EQ(browser_->TakeProblems(), std::vector<std::string>{}); }

    static void Open(const std::string& page) {
        const std::string url = "file://" + (temp_.path() / "site" / page).string();
        ASSERT_TRUE(browser_->Load(url)) << browser_->failure();
    }

    static json Eval(const std::string& expression) { return browser_->Evaluate(expression); }

    // The first page of a conversation, as the index links to it.
    static std::string PageOf(const std::u16string& name) {
        Open("index.html");
        return Eval("Array.from(document.querySelectorAll('#conversations a')).find((a) =>"
                    "a.querySelector('.name').textContent === " +
                    json(utf::Utf8(name)).dump() + ")?.getAttribute('href') ?? 'missing.html'");
    }

    static json Texts() {
        return Eval(
            "Array.from(document.querySelectorAll('.message .text'), (p) => p.textContent)");
    }

    static inline TempDir temp_;
    static inline ArchiveResult result_;
    static inline std::unique_ptr<Sample> sample_;
    static inline std::unique_ptr<HeadlessBrowser> browser_;
};

TEST_F(ArchiveInBrowser, HoldsEachMessageOnceInFilesOfItsOwnNaming) {
    EXPECT_EQ(result_.counts.messages, 20'000u);
    EXPECT_EQ(result_.counts.duplicates, 100u);
    EXPECT_EQ(result_.counts.conversations, sample_->conversations.size());
    EXPECT_EQ(result_.counts.pages, sample_->conversations.size() + 1); // Anna's take two
    const std::regex own(R"(c-[0-9a-f]{12}(-2)?\.html|(index|search)\.html|archive\.(css|js))"
                         R"(|search(-[12]-[0-9]+|-conversations)?\.js)");
    for (const fs::directory_entry& entry : fs::directory_iterator(temp_.path() / "site")) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(std::regex_match(name, own)) << name;
        // The search data holds printable ASCII alone, none of it markup.
        const std::string data = name.starts_with("search-") ? ReadHostFile(entry.path()) : "";
        EXPECT_EQ(data.find_first_of("<>&"), std::string::npos) << name;
        EXPECT_TRUE(std::all_of(data.begin(), data.end(),
                                [](char c) { return c == '\n' || (c >= 0x20 && c < 0x7F); }));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 3);
}

TEST_F(ArchiveInBrowser, TakesOnlyANewOrEmptyFolderAndLeavesNothingWhenItFails) {
    const TempDir out;
    fs::create_directories(out.path() / "full");
    WriteHostFile(out.path() / "full" / "keep.txt", "mine");
    fs::create_directories(out.path() / "left.partial");
    fs::create_directories(out.path() / "empty");
    const std::string bytes = ReadHostFile(temp_.path() / "all.usms");
    WriteHostFile(out.path() / "cut.usms", bytes.substr(0, bytes.size() / 2));
    const std::vector<std::u16string> inputs = {temp_.file("all.usms"), out.file("cut.usms")};
    int asked = 0;
    const std::pair<const char*, TransferOutcome> cases[] = {
        {"full", TransferOutcome::OutputFailed},
        {"cut.usms", TransferOutcome::OutputFailed}, // one of its own inputs
        {"left", TransferOutcome::OutputFailed},     // an unfinished one is in the way
        {"empty", TransferOutcome::InputFailed},     // the second file is cut short
        {"stopped", TransferOutcome::Stopped},
    };
    for (const auto& [dir, outcome] : cases) {
        const bool stop = std::string(dir) == "stopped";
        EXPECT_EQ(
            ArchiveFiles(inputs, out.file(dir), [&] { return stop && ++asked > 2000; }).outcome,
            outcome)
            << dir;
        EXPECT_FALSE(fs::exists(out.path() / (std::string(dir) + ".partial")) &&
                     std::string(dir) != "left");
    }
    EXPECT_EQ(ReadHostFile(out.path() / "full" / "keep.txt"), "mine");
    EXPECT_FALSE(fs::exists(out.path() / "left"));
    EXPECT_FALSE(fs::exists(out.path() / "stopped"));
    EXPECT_TRUE(fs::is_empty(out.path() / "empty"));
}

// The handset's road: the backup job drives the sink as any backup; only a job that wrote its
// validation after the last message leaves a site.
TEST_F(ArchiveInBrowser, TheSinkWritesTheSiteOnlyForACompleteJob) {
    const TempDir out;
    archive::ArchiveSink sink;
    EXPECT_TRUE(::WriteBackupOf(sink, out.file("handset"), sample_->messages).ok);
    EXPECT_EQ(sink.counts().messages, 20'000u);
    EXPECT_TRUE(fs::exists(out.path() / "handset" / "index.html"));

    HANDLE handle = 0;
    std::u16string error;
    ASSERT_TRUE(sink.OpenForWrite(out.file("cut"), handle, error));
    EXPECT_TRUE(sink.WriteRecord(handle, sample_->messages.front(), error));
    EXPECT_TRUE(sink.CloseAfterWrite(handle, error));
    EXPECT_FALSE(fs::exists(out.path() / "cut"));
    EXPECT_FALSE(fs::exists(out.path() / "cut.partial"));
}

TEST_F(ArchiveInBrowser, TheIndexListsEveryConversationMostRecentFirstAndFiltersThem) {
    Open("index.html");
    json expected = json::array();
    for (const std::u16string& name : sample_->newestFirst) {
        expected.push_back(
            {utf::Utf8(name), std::to_string(sample_->conversations.at(name)) + " messages", true});
    }
    EXPECT_EQ(Eval("Array.from(document.querySelectorAll('#conversations > li'), (li) => ["
                   "li.querySelector('.name').textContent, li.querySelector('.count').textContent,"
                   "/^c-[0-9a-f]{12}[.]html$/.test(li.querySelector('a').getAttribute('href'))])"),
              expected);
    // Each row ends with the start of its latest message.
    EXPECT_EQ(Eval("Array.from(document.querySelectorAll('#conversations .last'), (p) =>"
                   "p.textContent).filter((t, i, all) => i === 0 || i === all.length - 1)"),
              json::array({std::string(100, 'W') + "\u2026", "Anna 2500"}));
    // The filter narrows the list by name or number.
    const std::pair<std::string, std::size_t> cases[] = {
        {"mallory", 1},    {"+1 (555) 0100", 1}, {"BOB", 2},
        {"contact 3", 11}, {"nobody", 0},        {"", sample_->conversations.size()},
    };
    for (const auto& [query, shown] : cases) {
        EXPECT_EQ(Eval("(() => { const input = document.getElementById('filter'); input.value = " +
                       json(query).dump() +
                       "; input.dispatchEvent(new Event('input'));"
                       "return [document.querySelectorAll('#conversations > li:not([hidden])')"
                       ".length, document.getElementById('nothing').hidden]; })()"),
                  json::array({shown, shown != 0}))
            << query;
    }
}

TEST_F(ArchiveInBrowser, AConversationReadsInTimeOrderOverPagesOf2000) {
    const std::string first = PageOf(u"Anna Berg");
    Open(first);
    json expected = json::array();
    for (std::size_t k = 1; k <= 2000; ++k) {
        expected.push_back("Anna " + std::to_string(k));
    }
    EXPECT_EQ(Texts(), expected);
    // Her number written three ways is one number; received left, sent right.
    EXPECT_EQ(Eval("[document.querySelector('header .numbers').textContent,"
                   "document.getElementById('m2').className, document.getElementById('m3')"
                   ".className]"),
              json::array({"+4915112345678", "message in", "message out"}));
    Open(Eval("document.querySelector('a[rel=next]').getAttribute('href')").get<std::string>());
    const json texts = Texts();
    EXPECT_EQ(texts.size(), sample_->annaCount - 2000);
    EXPECT_EQ(json::array({texts.front(), texts.back()}), json::array({"Anna 2001", "Anna 2500"}));
    EXPECT_EQ(Eval("[document.querySelector('.message').id,"
                   "document.querySelector('a[rel=prev]').getAttribute('href')]"),
              json::array({"m2001", first}));
}

TEST_F(ArchiveInBrowser, HostileTextsAreShownAsTextAndMakeNothing) {
    Open(PageOf(kHostileName));
    const std::string name = utf::Utf8(kHostileName);
    EXPECT_EQ(Eval("[document.title, document.querySelector('h1').textContent]"),
              json::array({name, name}));
    json expected = json::array();
    for (const std::u16string& body : kHostileBodies) {
        expected.push_back(utf::Utf8(body));
    }
    EXPECT_EQ(Texts(), expected);
    // No element a text could have made, no script run, each text's direction its own.
    EXPECT_EQ(Eval("[document.querySelectorAll('script, img, svg, iframe, b, main h1').length,"
                   "typeof window.pwned, document.querySelectorAll('.text[dir=auto]').length]"),
              json::array({0, "undefined", kHostileBodies.size()}));
}

TEST_F(ArchiveInBrowser, MessagesShowTheirFolderMarksDaysAndZone) {
    Open(PageOf(u"Bob"));
    EXPECT_EQ(Eval("Array.from(document.querySelectorAll('.message'), (m) =>"
                   "(m.querySelector('.mark') || {}).textContent || '')"),
              json::array({"Draft", "Deleted \u00B7 Old"}));
    EXPECT_EQ(Eval("Array.from(document.querySelectorAll('.day h2'), (h) => h.textContent)"),
              json::array({"2024-03-18"}));
    const std::string facts = Eval("document.querySelector('header .facts').textContent");
    EXPECT_NE(facts.find("Times are local time (CE"), std::string::npos) << facts;
}

TEST_F(ArchiveInBrowser, SearchFindsWordsWithoutCaseOrAccentsAndShowsThemAsText) {
    const std::string deep = utf::Utf8(sample_->deepConversation);
    const std::tuple<std::string, json> cases[] = {
        {"zebrafinch", json::array({json::array({"zebrafinch", deep, utf::Utf8(kDeepWord)})})},
        {"%3Cscript%3E",
         json::array({json::array({"<script>", utf::Utf8(kHostileName), "<script>"})})},
        {"no+such+words", json::array()},
    };
    for (const auto& [query, results] : cases) {
        Open("search.html?q=" + query);
        EXPECT_EQ(Eval("Array.from(document.querySelectorAll('#results li'), (li) => ["
                       "document.getElementById('q').value, li.querySelector('.conv').textContent,"
                       "li.querySelector('mark').textContent])"),
                  results);
        EXPECT_EQ(Eval("document.querySelectorAll('#results script').length"), 0);
    }
    // The deep word's link leads to its message.
    Open("search.html?q=zebrafinch");
    const std::string link = Eval("document.querySelector('#results a').getAttribute('href')");
    EXPECT_TRUE(link.ends_with(".html#m" + std::to_string(sample_->deepNumber))) << link;
    Open(link);
    EXPECT_EQ(Eval("document.querySelector(':target .text').textContent"),
              "At dawn a " + utf::Utf8(kDeepWord) + " sang.");
}

} // namespace
