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
#include <regex>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Utf8(std::u16string_view text) {
    return utf::Utf8(text);
}

class ArchiveInBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        browser_ = std::make_unique<HeadlessBrowser>();
        temp_ = std::make_unique<TempDir>();
        sample_ = std::make_unique<samples::Sample>(samples::MakeSample(20'000));
        const fs::path file = temp_->path() / "all.usms";
        ASSERT_TRUE(samples::WriteBackup(sample_->messages, file));
        site_ = temp_->path() / "site";
        const TimeZoneGuard zone(kCentralEurope);
        const ArchiveResult result =
            ArchiveFiles({utf::Utf16(file.string())}, utf::Utf16(site_.string()));
        ASSERT_EQ(result.outcome, ArchiveResult::Outcome::Written) << Utf8(result.error);
    }

    static void TearDownTestSuite() {
        browser_.reset();
        sample_.reset();
        temp_.reset();
    }

    void SetUp() override { ASSERT_TRUE(browser_->ok()) << browser_->failure(); }

    void TearDown() override {
        if (browser_->ok()) {
            EXPECT_EQ(browser_->TakeProblems(), std::vector<std::string>{});
        }
    }

    static std::string Url(const std::string& page) { return "file://" + (site_ / page).string(); }

    static void Open(const std::string& page) {
        ASSERT_TRUE(browser_->Load(Url(page))) << browser_->failure();
    }

    // The index's rows: name, count text and link of each.
    static json Rows() {
        return browser_->Evaluate(
            "Array.from(document.querySelectorAll('#conversations > li')).map((li) => ["
            "li.querySelector('.name').textContent, li.querySelector('.count').textContent,"
            "li.querySelector('a').getAttribute('href'), li.hidden])");
    }

    static std::string PageOf(const std::u16string& name) {
        Open("index.html");
        for (const json& row : Rows()) {
            if (row[0] == Utf8(name)) {
                return row[2];
            }
        }
        ADD_FAILURE() << "no conversation " << Utf8(name);
        return "index.html";
    }

    static json Texts() {
        return browser_->Evaluate("Array.from(document.querySelectorAll('.message .text'),"
                                  "(p) => p.textContent)");
    }

    static inline std::unique_ptr<TempDir> temp_;
    static inline std::unique_ptr<samples::Sample> sample_;
    static inline fs::path site_;
    static inline std::unique_ptr<HeadlessBrowser> browser_;
};

TEST_F(ArchiveInBrowser, TheIndexListsEveryConversationWithItsCountMostRecentFirst) {
    Open("index.html");
    const json rows = Rows();
    ASSERT_EQ(rows.size(), sample_->conversations.size());
    std::vector<std::string> order;
    for (const json& row : rows) {
        const std::string name = row[0];
        order.push_back(name);
        const auto expected = sample_->conversations.find(utf::Utf16(name));
        ASSERT_NE(expected, sample_->conversations.end()) << name;
        EXPECT_EQ(row[1], std::to_string(expected->second) + " messages") << name;
        EXPECT_TRUE(
            std::regex_match(row[2].get<std::string>(), std::regex(R"(c-[0-9a-f]{12}\.html)")));
    }
    std::vector<std::string> newestFirst;
    for (const std::u16string& name : sample_->newestFirst) {
        newestFirst.push_back(Utf8(name));
    }
    EXPECT_EQ(order, newestFirst);
}

TEST_F(ArchiveInBrowser, AConversationReadsInTimeOrderOverPagesOf2000) {
    const std::string first = PageOf(u"Anna Berg");
    Open(first);
    json texts = Texts();
    ASSERT_EQ(texts.size(), 2000u);
    for (std::size_t k = 1; k <= texts.size(); ++k) {
        ASSERT_EQ(texts[k - 1], "Anna " + std::to_string(k));
    }
    // Her number written three ways is one number; received left, sent right.
    EXPECT_EQ(browser_->Evaluate("document.querySelector('header .numbers').textContent"),
              "+4915112345678");
    EXPECT_EQ(browser_->Evaluate("[document.getElementById('m2').className,"
                                 "document.getElementById('m3').className]"),
              json::array({"message in", "message out"}));
    const json next = browser_->Evaluate("document.querySelector('a[rel=next]').href");
    ASSERT_TRUE(next.is_string());
    ASSERT_TRUE(browser_->Load(next)) << browser_->failure();
    texts = Texts();
    ASSERT_EQ(texts.size(), sample_->annaCount - 2000);
    EXPECT_EQ(texts.front(), "Anna 2001");
    EXPECT_EQ(texts.back(), "Anna 2500");
    EXPECT_EQ(browser_->Evaluate("document.querySelector('.message').id"), "m2001");
    EXPECT_EQ(browser_->Evaluate("document.querySelector('a[rel=prev]').getAttribute('href')"),
              first);
}

TEST_F(ArchiveInBrowser, HostileTextsAreShownAsTextAndMakeNothing) {
    Open(PageOf(samples::kHostileName));
    EXPECT_EQ(browser_->Evaluate("document.title"), Utf8(samples::kHostileName));
    EXPECT_EQ(browser_->Evaluate("document.querySelector('h1').textContent"),
              Utf8(samples::kHostileName));
    json expected = json::array();
    for (const std::u16string& body : samples::kHostileBodies) {
        expected.push_back(Utf8(body));
    }
    EXPECT_EQ(Texts(), expected);
    // No element that a text could have made, no script run, each text in a paragraph of its
    // own whose direction follows its text.
    EXPECT_EQ(browser_->Evaluate(
                  "[document.querySelectorAll('script, img, svg, iframe, b, main h1').length,"
                  "typeof window.pwned, document.querySelectorAll('h1').length,"
                  "document.querySelectorAll('.text[dir=auto]').length]"),
              json::array({0, "undefined", 1, samples::kHostileBodies.size()}));
}

TEST_F(ArchiveInBrowser, MessagesShowTheirFolderMarksAndDays) {
    Open(PageOf(u"Bob"));
    EXPECT_EQ(browser_->Evaluate("Array.from(document.querySelectorAll('.message'), (m) =>"
                                 "(m.querySelector('.mark') || {}).textContent || '')"),
              json::array({"Draft", "Outbox", "Deleted \u00B7 Old", "Work"}));
    EXPECT_EQ(browser_->Evaluate("Array.from(document.querySelectorAll('.day h2'),"
                                 "(h) => h.textContent)"),
              json::array({"2024-03-18"}));
    // The zone the times are in, as a zone without a name is stated.
    const std::string facts =
        browser_->Evaluate("document.querySelector('header .facts').textContent");
    EXPECT_NE(facts.find("Times are local time (CE"), std::string::npos) << facts;
}

TEST_F(ArchiveInBrowser, SearchFindsAWordDeepInTheArchiveWithoutItsAccents) {
    Open("search.html?q=zebrafinch");
    const json results = browser_->Evaluate(
        "Array.from(document.querySelectorAll('#results li'), (li) => ["
        "li.querySelector('.conv').textContent, li.querySelector('a').getAttribute('href'),"
        "li.querySelector('mark').textContent])");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0][0], Utf8(sample_->deepConversation));
    const std::string href = results[0][1];
    EXPECT_TRUE(href.ends_with(".html#m" + std::to_string(sample_->deepNumber))) << href;
    EXPECT_EQ(results[0][2], Utf8(samples::kDeepWord));
    // The link leads to the message itself.
    ASSERT_TRUE(browser_->Load(Url(href))) << browser_->failure();
    EXPECT_EQ(browser_->Evaluate("document.querySelector(':target .text').textContent"),
              "At dawn a " + Utf8(samples::kDeepWord) + " sang.");
}

TEST_F(ArchiveInBrowser, SearchShowsAHostileQueryAndItsFindsAsText) {
    Open("search.html?q=%3Cscript%3E");
    EXPECT_EQ(browser_->Evaluate("[document.getElementById('q').value,"
                                 "document.querySelectorAll('#results li').length,"
                                 "document.querySelector('#results mark').textContent,"
                                 "document.querySelectorAll('#results script').length]"),
              json::array({"<script>", 1, "<script>", 0}));
}

TEST_F(ArchiveInBrowser, TheFilterNarrowsTheListByNameOrNumber) {
    Open("index.html");
    const std::pair<const char*, int> cases[] = {
        {"mallory", 1}, {"+1 (555) 0100", 1}, {"BOB", 2}, {"contact 3", 11}, {"nobody", 0},
    };
    std::vector<std::pair<std::string, int>> all(std::begin(cases), std::end(cases));
    all.emplace_back("", static_cast<int>(sample_->conversations.size()));
    for (const auto& [query, shown] : all) {
        const json visible = browser_->Evaluate(
            "(() => { const input = document.getElementById('filter'); input.value = " +
            json(query).dump() +
            "; input.dispatchEvent(new Event('input'));"
            "return [document.querySelectorAll('#conversations > li:not([hidden])').length,"
            "document.getElementById('nothing').hidden]; })()");
        EXPECT_EQ(visible, json::array({shown, shown != 0})) << query;
    }
}

} // namespace
