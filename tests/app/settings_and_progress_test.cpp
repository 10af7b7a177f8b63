// The shell's small parts: the folder selection in its settings file, the progress counters and
// texts, and the default backup name.
#include "app/default_name.h"
#include "app/folder_selection.h"
#include "app/progress_display.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

std::filesystem::path SettingsFile(const TempDevice& device) {
    return device.path() / "Program Files" / "Msgkeeper" / "settings.dat";
}

TEST(FolderSelection, FileContentsSelectFoldersAndAMissingFileSelectsAll) {
    EXPECT_EQ(SettingsFilePath(), u"\\Program Files\\Msgkeeper\\settings.dat");
    const std::pair<std::string, FolderSelection> cases[] = {
        {std::string("\x00\x01\x00", 3), FolderSelection{0, 1, 0, 1, 1}},
        {std::string("\x01\x00\x01\x00\x01\x00", 6), FolderSelection{1, 0, 1, 0, 1}},
        {std::string(), FolderSelection::All()},
        {std::string("\x02\x00\xFF\x00\x00", 5), FolderSelection{2, 0, 0xFF, 0, 0}},
    };
    for (const auto& [bytes, expected] : cases) {
        const TempDevice device;
        WriteHostFile(SettingsFile(device), bytes);
        FolderSelection selection;
        EXPECT_TRUE(LoadFolderSelection(selection));
        EXPECT_EQ(selection, expected) << bytes.size();
        EXPECT_EQ(ReadHostFile(SettingsFile(device)), bytes) << "not rewritten";
    }
    const TempDevice device;
    FolderSelection selection;
    EXPECT_FALSE(LoadFolderSelection(selection));
    EXPECT_EQ(selection, FolderSelection::All());
    EXPECT_EQ(ReadHostFile(SettingsFile(device)), std::string(5, '\x01')); // and created
    // A file that cannot be created still selects all.
    std::filesystem::remove_all(device.path() / "Program Files");
    selection = FolderSelection{};
    EXPECT_FALSE(LoadFolderSelection(selection));
    EXPECT_EQ(selection, FolderSelection::All());
}

TEST(FolderSelection, SaveWritesFiveBytesAndReportsFailures) {
    const TempDevice device;
    EXPECT_TRUE(SaveFolderSelection(FolderSelection{1, 0, 1, 0, 1}));
    EXPECT_EQ(ReadHostFile(SettingsFile(device)), std::string("\x01\x00\x01\x00\x01", 5));
    const faults::FileFaultGuard guard;
    for (const faults::FileOp op :
         {faults::FileOp::Create, faults::FileOp::Write, faults::FileOp::Flush}) {
        faults::ArmFileFault(op, 1, ERROR_DISK_FULL);
        EXPECT_FALSE(SaveFolderSelection(FolderSelection::All()));
    }
    // A disk that fills before the five bytes are down: the earlier choice stays, whole.
    for (const std::uint64_t room : {0u, 3u}) {
        faults::DisarmFileFaults();
        faults::ArmDiskFull(room);
        EXPECT_FALSE(SaveFolderSelection(FolderSelection::All()));
        EXPECT_EQ(ReadHostFile(SettingsFile(device)), std::string("\x01\x00\x01\x00\x01", 5));
        EXPECT_FALSE(std::filesystem::exists(SettingsFile(device).string() + ".partial"));
    }
}

TEST(ProgressDisplay, CounterTextAndBarPosition) {
    struct Case {
        DWORD current;
        DWORD total;
        std::u16string text;
        int position;
    };
    const Case cases[] = {
        {0, 0, u"0 / 0", 0},
        {2, 3, u"2 / 3", 66},
        {3, 3, u"3 / 3", 100},
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
    EXPECT_EQ(
        DefaultBackupName(
            {.wYear = 2009, .wMonth = 3, .wDay = 5, .wHour = 14, .wMinute = 7, .wSecond = 59}),
        u"Msgkeeper_200935147.*");
}

} // namespace
