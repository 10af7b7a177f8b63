// The archive as a person sees it: one archive of 20,000 messages, made once, read in one
// headless Chromium. Every test ends by checking that the browser saw no script error and no
// policy violation.
#include "archive/archive.h"
#include "archive_samples.h"
#include "headless_browser.h"
#include "platform/utf.h"
#include "support/temp_dir.h"
#include "support/time_zone_guard.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using nlohmann::json;

class ArchiveInBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        browser_ = std::make_unique<HeadlessBrowser>();
        sample_ = std::make_unique<samples::Sample>(samples::MakeSample(20'000));
        const std::filesystem::path file = temp_.path() / "all.usms";
        ASSERT_TRUE(samples::WriteBackup(sample_->messages, file));
        const TimeZoneGuard zone(kCentralEurope);
        const ArchiveResult result =
            ArchiveFiles({utf::Utf16(file.string())}, utf::Utf16((temp_.path() / "site").string()));
        ASSERT_EQ(result.outcome, ArchiveResult::Outcome::Written) << utf::Utf8(result.error);
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
        const json page = Eval("(Array.from(document.querySelectorAll('#conversations a'))"
                               ".find((a) => a.querySelector('.name').textContent === " +
                               json(utf::Utf8(name)).dump() + ") || {}).href");
        return page.is_string()
                   ? page.get<std::string>().substr(page.get<std::string>().rfind('/') + 1)
                   : "missing.html";
    }

    static json Texts() {
        return Eval(
            "Array.from(document.querySelectorAll('.message .text'), (p) => p.textContent)");
    }

    static inline TempDir temp_;
    static inline std::unique_ptr<samples::Sample> sample_;
    static inline std::unique_ptr<HeadlessBrowser> browser_;
};

TEST_F(ArchiveInBrowser, TheIndexListsEveryConversationWithItsCountMostRecentFirst) {
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
    Open(PageOf(samples::kHostileName));
    const std::string name = utf::Utf8(samples::kHostileName);
    EXPECT_EQ(Eval("[document.title, document.querySelector('h1').textContent]"),
              json::array({name, name}));
    json expected = json::array();
    for (const std::u16string& body : samples::kHostileBodies) {
        expected.push_back(utf::Utf8(body));
    }
    EXPECT_EQ(Texts(), expected);
    // No element a text could have made, no script run, each text's direction its own.
    EXPECT_EQ(Eval("[document.querySelectorAll('script, img, svg, iframe, b, main h1').length,"
                   "typeof window.pwned, document.querySelectorAll('.text[dir=auto]').length]"),
              json::array({0, "undefined", samples::kHostileBodies.size()}));
}

TEST_F(ArchiveInBrowser, MessagesShowTheirFolderMarksDaysAndZone) {
    Open(PageOf(u"Bob"));
    EXPECT_EQ(Eval("Array.from(document.querySelectorAll('.message'), (m) =>"
                   "(m.querySelector('.mark') || {}).textContent || '')"),
              json::array({"Draft", "Outbox", "Deleted \u00B7 Old", "Work"}));
    EXPECT_EQ(Eval("Array.from(document.querySelectorAll('.day h2'), (h) => h.textContent)"),
              json::array({"2024-03-18"}));
    const std::string facts = Eval("document.querySelector('header .facts').textContent");
    EXPECT_NE(facts.find("Times are local time (CE"), std::string::npos) << facts;
}

TEST_F(ArchiveInBrowser, SearchFindsWordsWithoutCaseOrAccentsAndShowsThemAsText) {
    const std::string deep = utf::Utf8(sample_->deepConversation);
    const std::tuple<std::string, json> cases[] = {
        {"zebrafinch",
         json::array({json::array({"zebrafinch", deep, utf::Utf8(samples::kDeepWord)})})},
        {"%3Cscript%3E",
         json::array({json::array({"<script>", utf::Utf8(samples::kHostileName), "<script>"})})},
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
              "At dawn a " + utf::Utf8(samples::kDeepWord) + " sang.");
}

TEST_F(ArchiveInBrowser, TheFilterNarrowsTheListByNameOrNumber) {
    Open("index.html");
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

} // namespace
