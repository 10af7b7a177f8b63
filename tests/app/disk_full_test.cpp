// Every writer that a job drives, over files larger than the write buffer, onto a disk that
// fills at byte k: mid-write, at a flush, or at the close. The job fails with its text, the
// earlier file stays byte for byte and no partial file is left to keep the disk full.
#include "app/format_kind.h"
#include "app/jobs.h"
#include "interchange/file_kind.h"
#include "platform/faults.h"
#include "platform/utf.h"
#include "store/walk_fixture.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

namespace {

// A writer's backup job: path and result text in, the job's result out.
struct Writer {
    const char* name;
    std::function<bool(const std::u16string&, std::u16string&)> backup;
};

bool RunWith(BackupFile& format, const std::u16string& path, std::u16string& text) {
    const FolderSelection all = FolderSelection::All();
    BackupJob job(path, format, text, &all);
    return RunBackup(job);
}

// The seven backup and export kinds and the two interchange writers.
std::vector<Writer> Writers() {
    std::vector<Writer> writers;
    for (const char* name :
         {"usms", "sms", "txt-ansi", "txt-utf8", "txt-unicode", "csv-ansi", "csv-utf8"}) {
        const FormatKind kind = *FormatKindFromName(name);
        writers.push_back({name, [kind](const std::u16string& path, std::u16string& text) {
                               OwnedFormat format(kind);
                               return RunWith(format.format(), path, text);
                           }});
    }
    for (const char* name : {"xml", "json"}) {
        writers.push_back({name, [name](const std::u16string& path, std::u16string& text) {
                               return RunWith(*MakeInterchangeFormat(name), path, text);
                           }});
    }
    return writers;
}

class DiskFull : public WalkFixture {
protected:
    void SetUp() override {
        WalkFixture::SetUp();
        // 40 messages of 4,000 characters: every file passes the 64 KiB write buffer twice.
        std::vector<mapi_admin::SeedMessage> messages;
        for (int i = 0; i < 40; ++i) {
            messages.push_back(SampleMessage(
                std::u16string(4000, static_cast<char16_t>(u'a' + i % 26)) + NumberToText(i),
                5000 + static_cast<std::uint64_t>(i) * 10));
        }
        ASSERT_EQ(mapi_admin::AddMessages(inboxId(), messages).size(), messages.size());
    }

    bool Backup(const Writer& writer, const char* name, std::u16string& text) const {
        return writer.backup(utf::Utf16((folder_ / name).string()), text);
    }
};

TEST_F(DiskFull, EveryWriterKeepsTheEarlierFileAndLeavesNoPartialFile) {
    const std::string earlier(6972, 'e');
    for (const Writer& writer : Writers()) {
        SCOPED_TRACE(writer.name);
        std::u16string text;
        ASSERT_TRUE(Backup(writer, "complete", text)) << utf::Utf8(text);
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
                ok = Backup(writer, "target", text);
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
        EXPECT_TRUE(Backup(writer, "target", text)) << utf::Utf8(text);
        EXPECT_TRUE(ReadHostFile(folder_ / "target") == ReadHostFile(folder_ / "complete"));
    }
}

} // namespace
