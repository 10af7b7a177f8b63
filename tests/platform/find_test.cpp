#include "platform/find.h"
#include "platform/utf.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <vector>

namespace {

struct Entry {
    std::u16string name;
    DWORD attributes;
};

std::vector<Entry> Search(const std::u16string& pattern) {
    std::vector<Entry> found;
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        return found;
    }
    do {
        found.push_back(Entry{data.cFileName, data.dwFileAttributes});
    } while (FindNextFileW(search, &data));
    EXPECT_TRUE(FindClose(search));
    return found;
}

TEST(Find, ListsEntriesWithHostAttributesInNameOrder) {
    const TempDevice device;
    const auto docs = device.path() / "My Documents";
    std::filesystem::create_directories(docs / "Backups");
    std::filesystem::create_directories(docs / ".hidden");
    std::filesystem::create_directories(docs / "Locked");
    ::chmod((docs / "Locked").c_str(), 0555);
    WriteHostFile(docs / "b.usms", "x");
    WriteHostFile(docs / "a.USMS", "x");
    WriteHostFile(docs / "notes.txt", "x");
    WriteHostFile(docs / "c\xFF.usms", "x"); // not UTF-8: listed with its byte kept

    const std::vector<Entry> all = Search(u"\\My Documents\\*.*");
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(all[0].name, u".hidden");
    EXPECT_EQ(all[0].attributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(all[1].name, u"Backups");
    EXPECT_EQ(all[1].attributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(all[2].name, u"Locked");
    EXPECT_EQ(all[2].attributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(all[3].name, u"a.USMS");
    EXPECT_EQ(all[3].attributes, FILE_ATTRIBUTE_NORMAL);

    const std::vector<Entry> backups = Search(u"\\My Documents\\*.usms");
    ASSERT_EQ(backups.size(), 3u); // the match ignores case, as on the handset
    EXPECT_EQ(backups[0].name, u"a.USMS");
    EXPECT_EQ(backups[1].name, u"b.usms");
    EXPECT_EQ(backups[2].name, u"c\xDCFF.usms");
    ::chmod((docs / "Locked").c_str(), 0755);
}

TEST(Find, EmptyAndMissingFoldersFindNothing) {
    const TempDevice device;
    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileW(u"\\My Documents\\*.*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(u"\\Storage Card\\*.*", &data), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(0));
}

TEST(Find, WildcardMatching) {
    struct Case {
        std::u16string name;
        std::u16string pattern;
        bool match;
    };
    const Case cases[] = {
        {u"a.usms", u"*.usms", true},
        {u"a.usms.bak", u"*.usms", false},
        {u"noext", u"*.*", true},
        {u"x.txt", u"?.TXT", true},
        {u"xy.txt", u"?.txt", false},
        {u"abcabc", u"*abc", true},
        {u"", u"*", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesFilePattern(c.name, c.pattern), c.match) << utf::Utf8(c.name);
    }
}

} // namespace
