#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Narrow(const std::u16string& text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out.substr(0, out.find('\0'));
}

std::u16string Widen(const std::string& bytes) {
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, out.data(), size);
    return out.substr(0, out.find(u'\0'));
}

class CodePage : public ::testing::Test {
protected:
    void TearDown() override { SetActiveCodePage(0); }
};

struct Case {
    UINT codePage;
    std::u16string text;
    std::string bytes;
};

TEST_F(CodePage, ConvertsAndReplacesMissingCharacters) {
    const Case cases[] = {
        {1252, u"caf\u00E9 \u20AC", "caf\xE9 \x80"},
        {1252, u"\u4E2D\u6587", "??"},
        {1252, u"\U0001F600!", "?!"}, // a surrogate pair is one character
        {1252, u"\xD800x", "?x"},     // an unpaired surrogate
        {932, u"\u65E5\u672C", "\x93\xFA\x96\x7B"},
        {932, u"a\u00E9", "a?"},
    };
    for (const Case& c : cases) {
        SetActiveCodePage(c.codePage);
        EXPECT_EQ(Narrow(c.text), c.bytes) << c.codePage;
    }
}

TEST_F(CodePage, SizeQueryCountsTheTerminatorAndWideningRoundTrips) {
    SetActiveCodePage(932);
    const std::u16string text = u"\u65E5\u672Cabc";
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), 8);
    EXPECT_EQ(Widen(Narrow(text)), text);
    SetActiveCodePage(1252);
    EXPECT_EQ(Widen("caf\xE9"), u"caf\u00E9");
}

TEST_F(CodePage, TooSmallBufferFails) {
    SetActiveCodePage(1252);
    char buffer[2];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, buffer, 2, nullptr, nullptr), 0);
}

TEST_F(CodePage, ActiveCodePageFollowsTheLocale) {
    SetActiveCodePage(0);
    const char* saved = std::getenv("LC_ALL");
    const std::string keep = saved != nullptr ? saved : "";
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(GetACP(), 932u);
    setenv("LC_ALL", "ru_RU", 1);
    EXPECT_EQ(GetACP(), 1251u);
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ(GetACP(), 1252u);
    if (saved != nullptr) {
        setenv("LC_ALL", keep.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
}

} // namespace
