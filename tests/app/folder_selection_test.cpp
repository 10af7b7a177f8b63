#include "app/folder_selection.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

std::filesystem::path SettingsFile(const TempDevice& device) {
    return device.path() / "Program Files" / "Msgkeeper" / "settings.dat";
}

TEST(FolderSelection, SettingsLieBesideTheExecutable) {
    EXPECT_EQ(SettingsFilePath(), u"\\Program Files\\Msgkeeper\\settings.dat");
}

TEST(FolderSelection, MissingFileSelectsAllAndIsCreated) {
    const TempDevice device;
    FolderSelection selection;
    EXPECT_FALSE(LoadFolderSelection(selection));
    EXPECT_EQ(selection, FolderSelection::All());
    EXPECT_EQ(ReadHostFile(SettingsFile(device)), std::string(5, '\x01'));
}

TEST(FolderSelection, FileContentsSelectFolders) {
    struct Case {
        const char* what;
        std::string bytes;
        FolderSelection expected;
    };
    const Case cases[] = {
        {"three bytes", std::string("\x00\x01\x00", 3), FolderSelection{0, 1, 0, 1, 1}},
        {"six bytes", std::string("\x01\x00\x01\x00\x01\x00", 6), FolderSelection{1, 0, 1, 0, 1}},
        {"empty", std::string(), FolderSelection::All()},
        {"other non-zero bytes", std::string("\x02\x00\xFF\x00\x00", 5),
         FolderSelection{2, 0, 0xFF, 0, 0}},
    };
    for (const Case& c : cases) {
        const TempDevice device;
        WriteHostFile(SettingsFile(device), c.bytes);
        FolderSelection selection;
        EXPECT_TRUE(LoadFolderSelection(selection)) << c.what;
        EXPECT_EQ(selection, c.expected) << c.what;
        EXPECT_EQ(ReadHostFile(SettingsFile(device)), c.bytes) << c.what << ": not rewritten";
    }
}

TEST(FolderSelection, SaveWritesFiveBytesAndReportsFailures) {
    const TempDevice device;
    EXPECT_TRUE(SaveFolderSelection(FolderSelection{}));
    EXPECT_EQ(ReadHostFile(SettingsFile(device)), std::string(5, '\0'));
    EXPECT_TRUE(SaveFolderSelection(FolderSelection{1, 0, 1, 0, 1}));
    EXPECT_EQ(ReadHostFile(SettingsFile(device)), std::string("\x01\x00\x01\x00\x01", 5));

    const faults::FileFaultGuard guard;
    for (const faults::FileOp op :
         {faults::FileOp::Create, faults::FileOp::Write, faults::FileOp::Flush}) {
        faults::ArmFileFault(op, 1, ERROR_DISK_FULL);
        EXPECT_FALSE(SaveFolderSelection(FolderSelection::All()));
    }
}

TEST(FolderSelection, FileThatCannotBeCreatedStillSelectsAll) {
    const TempDevice device;
    std::filesystem::remove_all(device.path() / "Program Files");
    FolderSelection selection;
    EXPECT_FALSE(LoadFolderSelection(selection));
    EXPECT_EQ(selection, FolderSelection::All());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile(device)));
}

} // namespace
