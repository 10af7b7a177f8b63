#include "export/export_text.h"
#include "export/local_time.h"

#include "export/export_fixtures.h"

#include <gtest/gtest.h>

namespace {

struct Replace {
    std::u16string text, search, replacement, expected;
};

class ReplaceAllTest : public testing::TestWithParam<Replace> {};

TEST_P(ReplaceAllTest, ReplacesLeftToRightWithoutRescanning) {
    const Replace& c = GetParam();
    EXPECT_EQ(ReplaceAll(c.text, c.search, c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllTest,
    testing::Values(Replace{u"a-b-c", u"-", u"", u"abc"}, Replace{u"abc", u"x", u"y", u"abc"},
                    Replace{u"", u"x", u"y", u""},
                    // Inserted text holds the search string: it must not be searched again.
                    Replace{u"aaa", u"a", u"aa", u"aaaaaa"},
                    Replace{u"\"", u"\"", u"\"\"", u"\"\""},
                    // Occurrences do not overlap: the search goes on behind each replacement.
                    Replace{u"aaa", u"aa", u"b", u"ba"}, Replace{u"xyxyx", u"xyx", u"-", u"-yx"},
                    Replace{u"abc", u"", u"z", u"abc"}));

struct Quote {
    std::u16string field, expected;
};

class CsvQuoteTest : public testing::TestWithParam<Quote> {};

TEST_P(CsvQuoteTest, QuotesAndDoublesQuotes) {
    EXPECT_EQ(CsvQuote(GetParam().field), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvQuoteTest,
                         testing::Values(Quote{u"", u"\"\""}, Quote{u"\"", u"\"\"\"\""},
                                         Quote{u"a,b", u"\"a,b\""}, Quote{u"a\r\nb", u"\"a\r\nb\""},
                                         Quote{u"say \"hi\", ok", u"\"say \"\"hi\"\", ok\""},
                                         Quote{u"\"\"", u"\"\"\"\"\"\""}));

struct Recipients {
    const char* name;
    std::vector<Recipient> recipients;
    std::u16string expected;
};

void PrintTo(const Recipients& c, std::ostream* out) {
    *out << c.name;
}

class RecipientsTextTest : public testing::TestWithParam<Recipients> {};

TEST_P(RecipientsTextTest, JoinsItemsWithoutTypes) {
    MemoryRecord message(Fields(u"Inbox", u"", u"", u""), GetParam().recipients);
    EXPECT_EQ(RecipientsText(message), GetParam().expected);
}

const std::u16string kLongName(2000, u'n');

template <class... R> std::vector<Recipient> List(R... recipients) {
    return {recipients...};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecipientsTextTest,
    testing::Values(Recipients{"none", List(), u""},
                    Recipients{"one", List(Recipient(u"200", u"Bob", 1)), u"\"Bob\" <200>"},
                    Recipients{"two",
                               List(Recipient(u"200", u"Bob", 1), Recipient(u"300", u"Eve", 2)),
                               u"\"Bob\" <200>;\"Eve\" <300>"},
                    Recipients{"empty_fields", List(Recipient()), u"\"\" <>"},
                    Recipients{"empty_then_named", List(Recipient(), Recipient(u"300", u"Eve", 1)),
                               u"\"\" <>;\"Eve\" <300>"},
                    Recipients{"nul_ends_a_field",
                               List(Recipient(std::u16string(u"20\0x", 4), u"Bob", 1)),
                               u"\"Bob\" <20>"},
                    // An item longer than 1,024 characters keeps its address.
                    Recipients{"long_item_whole",
                               List(Recipient(u"200", kLongName, 1), Recipient(u"300", u"Eve", 1)),
                               u"\"" + kLongName + u"\" <200>;\"Eve\" <300>"}),
    [](const testing::TestParamInfo<Recipients>& info) { return std::string(info.param.name); });

struct Sender {
    std::u16string name, number, expected;
};

class SenderTextTest : public testing::TestWithParam<Sender> {};

TEST_P(SenderTextTest, IsTheSenderItemUnlessOnlyANameIsKnown) {
    const MemoryRecord message(Fields(u"Inbox", GetParam().name, GetParam().number, u""), {});
    EXPECT_EQ(SenderText(message), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SenderTextTest,
                         testing::Values(Sender{u"Ann", u"100", u"\"Ann\" <100>"},
                                         Sender{u"Ann", u"", u""},
                                         Sender{u"", u"100", u"\"\" <100>"},
                                         Sender{u"", u"", u"\"\" <>"}));

struct Clock {
    const char* name;
    const char* zone;
    FILETIME time;
    std::u16string expected;
};

void PrintTo(const Clock& c, std::ostream* out) {
    *out << c.name;
}

class FormatLocalTimeTest : public testing::TestWithParam<Clock> {};

TEST_P(FormatLocalTimeTest, PrintsValidLocalTimesOnly) {
    const TimeZoneGuard zone(GetParam().zone);
    EXPECT_EQ(FormatLocalTime(GetParam().time), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatLocalTimeTest,
    testing::Values(
        Clock{"zero", "UTC0", FILETIME{}, u""},
        Clock{"worked_example", "UTC0", UtcTime(2009, 3, 5, 7, 8, 9), u"2009-03-05 07:08:09"},
        Clock{"leap_day_2000", "UTC0", UtcTime(2000, 2, 29, 12, 0, 0), u"2000-02-29 12:00:00"},
        Clock{"leap_day_2008", "UTC0", UtcTime(2008, 2, 29, 23, 59, 59), u"2008-02-29 23:59:59"},
        Clock{"first_valid", "UTC0", UtcTime(1901, 1, 1, 0, 0, 0), u"1901-01-01 00:00:00"},
        Clock{"before_1901", "UTC0", UtcTime(1900, 12, 31, 23, 59, 59), u""},
        Clock{"last_valid", "UTC0", UtcTime(2100, 12, 31, 23, 59, 59), u"2100-12-31 23:59:59"},
        Clock{"after_2100", "UTC0", UtcTime(2101, 1, 1, 0, 0, 0), u""},
        Clock{"two_to_the_63", "UTC0", U64ToFileTime(0x8000000000000000ULL), u""},
        Clock{"largest", "UTC0", U64ToFileTime(0xFFFFFFFFFFFFFFFFULL), u""},
        Clock{"winter", kCentralEurope, UtcTime(2009, 1, 15, 10, 0, 0), u"2009-01-15 11:00:00"},
        Clock{"summer", kCentralEurope, UtcTime(2009, 7, 1, 10, 0, 0), u"2009-07-01 12:00:00"},
        Clock{"summer_starts", kCentralEurope, UtcTime(2009, 3, 29, 1, 0, 0),
              u"2009-03-29 03:00:00"},
        // The year is checked on the local time, not on UTC.
        Clock{"local_reaches_1901", kCentralEurope, UtcTime(1900, 12, 31, 23, 30, 0),
              u"1901-01-01 00:30:00"},
        Clock{"local_leaves_2100", kCentralEurope, UtcTime(2100, 12, 31, 23, 30, 0), u""},
        Clock{"zero_west_of_utc", "EST5", FILETIME{}, u""}),
    [](const testing::TestParamInfo<Clock>& info) { return std::string(info.param.name); });

struct Validity {
    SYSTEMTIME time; // year, month, day of week, day, hour, minute, second, milliseconds
    bool valid;
};

class IsValidSystemTimeTest : public testing::TestWithParam<Validity> {};

TEST_P(IsValidSystemTimeTest, ChecksRangesAndMonthLengths) {
    const SYSTEMTIME& t = GetParam().time;
    EXPECT_EQ(IsValidSystemTime(t), GetParam().valid)
        << t.wYear << "-" << t.wMonth << "-" << t.wDay << " " << t.wHour << ":" << t.wMinute << ":"
        << t.wSecond;
}

const Validity kValidities[] = {{{2000, 2, 0, 29, 0, 0, 0, 0}, true},
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
                                {{2001, 1, 9, 1, 0, 0, 0, 5000}, true}};
INSTANTIATE_TEST_SUITE_P(Cases, IsValidSystemTimeTest, testing::ValuesIn(kValidities));

} // namespace
