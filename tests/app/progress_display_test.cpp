#include "app/launch.h"
#include "app/progress_display.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressDisplay, CounterTextAndBarPosition) {
    struct Case {
        DWORD current;
        DWORD total;
        std::u16string text;
        int position;
    };
    const Case cases[] = {
        {0, 0, u"0 / 0", 0},
        {1, 3, u"1 / 3", 33},
        {2, 3, u"2 / 3", 66},
        {3, 3, u"3 / 3", 100},
        {5, 0, u"5 / 0", 0},
        {999, 1000, u"999 / 1000", 99},
        {4000000000u, 4000000000u, u"-294967296 / -294967296", 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressCounterText(c.current, c.total), c.text);
        EXPECT_EQ(ProgressBarPosition(c.current, c.total), c.position) << c.current;
    }
}

TEST(ProgressDisplay, ConsoleStatusShowsRateAndTimeLeftOnceMeasurable) {
    struct Case {
        DWORD current;
        DWORD total;
        double seconds;
        std::string text;
    };
    const Case cases[] = {
        {0, 0, 5.0, ""}, // not counted yet: nothing rather than "0 / 0"
        {1, 4, 0.5, "1 / 4 messages  25%"},
        {0, 4, 3.0, "0 / 4 messages  0%"},
        {50, 200, 2.0, "50 / 200 messages  25%  25/s  0:06 left"},
        {100, 400000, 1.0, "100 / 400000 messages  0%  100/s  1:06:39 left"},
        {5, 3, 2.0, "3 / 3 messages  100%  2/s  0:00 left"}, // a count past the total is capped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressStatusText(c.current, c.total, c.seconds), c.text);
    }
}

TEST(DefaultBackupName, FieldsAreUnpadded) {
    SYSTEMTIME t;
    t.wYear = 2009, t.wMonth = 3, t.wDay = 5, t.wHour = 14, t.wMinute = 7, t.wSecond = 59;
    EXPECT_EQ(DefaultBackupName(t), u"Msgkeeper_200935147.*");
    SYSTEMTIME a = t;
    a.wMonth = 11, a.wDay = 1, a.wHour = 1, a.wMinute = 5;
    SYSTEMTIME b = t;
    b.wMonth = 1, b.wDay = 11, b.wHour = 1, b.wMinute = 5;
    EXPECT_EQ(DefaultBackupName(a), DefaultBackupName(b)); // the unpadded fields collide
}

} // namespace
