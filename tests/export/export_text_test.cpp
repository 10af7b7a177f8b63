#include "export/export_text.h"
#include "export/local_time.h"

#include "export/export_fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

namespace {

TEST(ExportText, ReplaceAllGoesLeftToRightWithoutRescanning) {
    struct Case {
        std::u16string text, search, replacement, expected;
    };
    const Case cases[] = {
        {u"a-b-c", u"-", u"", u"abc"},
        {u"abc", u"x", u"y", u"abc"},
        {u"", u"x", u"y", u""},
        {u"aaa", u"a", u"aa", u"aaaaaa"}, // inserted text is not searched again
        {u"\"", u"\"", u"\"\"", u"\"\""},
        {u"aaa", u"aa", u"b", u"ba"}, // occurrences do not
                                      // overlap
        {u"xyxyx", u"xyx", u"-", u"-yx"},
        {u"abc", u"", u"z", u"abc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplaceAll(c.text, c.search, c.replacement), c.expected);
    }
}

TEST(ExportText, CsvQuoteQuotesAndDoublesQuotes) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"", u"\"\""},
        {u"\"", u"\"\"\"\""},
        {u"a,b", u"\"a,b\""},
        {u"a\r\nb", u"\"a\r\nb\""},
        {u"say \"hi\", ok", u"\"say \"\"hi\"\", ok\""},
        {u"\"\"", u"\"\"\"\"\"\""},
    };
    for (const auto& [field, expected] : cases) {
        EXPECT_EQ(CsvQuote(field), expected);
    }
}

TEST(ExportText, RecipientsAreJoinedWithoutTypes) {
    const std::u16string longName(2000, u'n');
    const std::pair<std::vector<Recipient>, std::u16string> cases[] = {
        {{}, u""},
        {{Recipient(u"200", u"Bob", 1)}, u"\"Bob\" <200>"},
        {{Recipient(u"200", u"Bob", 1), Recipient(u"300", u"Eve", 2)},
         u"\"Bob\" <200>;\"Eve\" <300>"},
        {{Recipient()}, u"\"\" <>"},
        {{Recipient(), Recipient(u"300", u"Eve", 1)}, u"\"\" <>;\"Eve\" <300>"},
        {{Recipient(std::u16string(u"20\0x", 4), u"Bob", 1)}, u"\"Bob\" <20>"},
        // An item longer than 1,024 characters keeps its address.
        {{Recipient(u"200", longName, 1), Recipient(u"300", u"Eve", 1)},
         u"\"" + longName + u"\" <200>;\"Eve\" <300>"},
    };
    for (const auto& [recipients, expected] : cases) {
        MemoryRecord message(Fields(u"Inbox", u"", u"", u""), recipients);
        EXPECT_EQ(RecipientsText(message), expected);
    }
}

TEST(ExportText, SenderIsTheItemUnlessOnlyANameIsKnown) {
    const std::array<std::u16string, 3> cases[] = {{u"Ann", u"100", u"\"Ann\" <100>"},
                                                   {u"Ann", u"", u""},
                                                   {u"", u"100", u"\"\" <100>"},
                                                   {u"", u"", u"\"\" <>"}};
    for (const auto& [name, number, expected] : cases) {
        EXPECT_EQ(SenderText(MemoryRecord(Fields(u"Inbox", name, number, u""), {})), expected);
    }
}

TEST(ExportText, OnlyValidLocalTimesArePrinted) {
    struct Case {
        const char* zone;
        FILETIME time;
        std::u16string expected;
    };
    const char* const utc = "UTC0";
    const char* const cet = kCentralEurope;
    const Case cases[] = {
        {utc, FILETIME{}, u""},
        {utc, UtcTime(2009, 3, 5, 7, 8, 9), u"2009-03-05 07:08:09"},
        {utc, UtcTime(2000, 2, 29, 12, 0, 0), u"2000-02-29 12:00:00"},
        {utc, UtcTime(2008, 2, 29, 23, 59, 59), u"2008-02-29 23:59:59"},
        {utc, UtcTime(1901, 1, 1, 0, 0, 0), u"1901-01-01 00:00:00"},
        {utc, UtcTime(1900, 12, 31, 23, 59, 59), u""},
        {utc, UtcTime(2100, 12, 31, 23, 59, 59), u"2100-12-31 23:59:59"},
        {utc, UtcTime(2101, 1, 1, 0, 0, 0), u""},
        {utc, U64ToFileTime(0x8000000000000000ULL), u""},
        {utc, U64ToFileTime(0xFFFFFFFFFFFFFFFFULL), u""},
        {cet, UtcTime(2009, 1, 15, 10, 0, 0), u"2009-01-15 11:00:00"},
        {cet, UtcTime(2009, 7, 1, 10, 0, 0), u"2009-07-01 12:00:00"},
        {cet, UtcTime(2009, 3, 29, 1, 0, 0), u"2009-03-29 03:00:00"},
        // The year is checked on the local time, not on UTC.
        {cet, UtcTime(1900, 12, 31, 23, 30, 0), u"1901-01-01 00:30:00"},
        {cet, UtcTime(2100, 12, 31, 23, 30, 0), u""},
        {"EST5", FILETIME{}, u""},
    };
    for (const Case& c : cases) {
        const TimeZoneGuard zone(c.zone);
        EXPECT_EQ(FormatLocalTime(c.time), c.expected) << c.zone << " " << c.time.dwHighDateTime;
    }
}

TEST(ExportText, SystemTimesAreCheckedForRangesAndMonthLengths) {
    // Year, month, day of week, day, hour, minute, second, milliseconds.
    const std::pair<SYSTEMTIME, bool> cases[] = {
        {{2000, 2, 0, 29, 0, 0, 0, 0}, true},
        {{2008, 2, 0, 29, 0, 0, 0, 0}, true},
        {{2100, 2, 0, 29, 0, 0, 0, 0}, false},
        {{2001, 2, 0, 29, 0, 0, 0, 0}, false},
        {{2001, 4, 0, 31, 0, 0, 0, 0}, false},
        {{2001, 4, 0, 30, 0, 0, 0, 0}, true},
        {{2001, 11, 0, 31, 0, 0, 0, 0}, false},
        {{2001, 0, 0, 1, 0, 0, 0, 0}, false},
        {{2001, 13, 0, 1, 0, 0, 0, 0}, false},
        {{2001, 1, 0, 0, 0, 0, 0, 0}, false},
        {{2001, 1, 0, 1, 24, 0, 0, 0}, false},
        {{2001, 1, 0, 1, 0, 60, 0, 0}, false},
        {{2001, 1, 0, 1, 0, 0, 60, 0}, false},
        {{}, false},
        // Day of week and milliseconds are not looked at.
        {{2001, 1, 9, 1, 0, 0, 0, 5000}, true},
    };
    for (const auto& [t, valid] : cases) {
        EXPECT_EQ(IsValidSystemTime(t), valid)
            << t.wYear << "-" << t.wMonth << "-" << t.wDay << " " << t.wHour << ":" << t.wMinute;
    }
}

} // namespace
