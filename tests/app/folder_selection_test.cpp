#include "app/folder_selection.h"
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

} // namespace
