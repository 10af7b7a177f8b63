// Every writer that a job drives, over files larger than the write buffer, onto a disk that
// fills at byte k: mid-write, at a flush, or at the close. The job fails with its text, the
// earlier file stays byte for byte and no partial file is left to keep the disk full.
#include "app/app_fixture.h"
#include "platform/faults.h"

#include <set>

namespace {

using DiskFull = AppFixture;

TEST_F(DiskFull, EveryWriterKeepsTheEarlierFileAndLeavesNoPartialFile) {
    // 40 messages of 4,000 characters: every file passes the 64 KiB write buffer twice.
    std::vector<mapi_admin::SeedMessage> messages;
    for (int i = 0; i < 40; ++i) {
        messages.push_back(SampleMessage(
            std::u16string(4000, static_cast<char16_t>(u'a' + i % 26)) + NumberToText(i),
            5000 + static_cast<std::uint64_t>(i) * 10));
    }
    ASSERT_EQ(mapi_admin::AddMessages(inboxId(), messages).size(), messages.size());
    const std::string earlier(6972, 'e');
    // The seven backup and export kinds and the two interchange writers.
    for (const char* writer : {"usms", "sms", "txt-ansi", "txt-utf8", "txt-unicode", "csv-ansi",
                               "csv-utf8", "xml", "json"}) {
        SCOPED_TRACE(writer);
        std::u16string text;
        ASSERT_TRUE(BackupAll(writer, "complete", text)) << utf::Utf8(text);
        const std::uint64_t size = std::filesystem::file_size(folder_ / "complete");
        ASSERT_GT(size, 128u * 1024);
        const std::set<std::uint64_t> rooms = {0,     1,     size / 3,  65535,
                                               65536, 65537, size - 20, size - 1};
        for (const std::uint64_t room : rooms) {
            SCOPED_TRACE("room " + std::to_string(room) + " of " + std::to_string(size));
            WriteHostFile(folder_ / "target", earlier);
            text.clear();
            bool ok = true;
            {
                const faults::FileFaultGuard disarm;
                faults::ArmDiskFull(room);
                ok = BackupAll(writer, "target", text);
                EXPECT_TRUE(faults::DiskFilled());
            }
            EXPECT_FALSE(ok);
            EXPECT_TRUE(utf::Utf8(text).ends_with("There is not enough space on the disk."))
                << utf::Utf8(text);
            EXPECT_TRUE(ReadHostFile(folder_ / "target") == earlier);
            EXPECT_FALSE(std::filesystem::exists(folder_ / "target.partial"));
        }
        // Room enough (a writer may write a header twice): the file takes the name.
        const faults::FileFaultGuard disarm;
        faults::ArmDiskFull(2 * size);
        EXPECT_TRUE(BackupAll(writer, "target", text)) << utf::Utf8(text);
        EXPECT_TRUE(ReadHostFile(folder_ / "target") == ReadHostFile(folder_ / "complete"));
    }
}

} // namespace
