// Makes the n-th platform file call fail, for n = 1, 2, ... until the run succeeds, and checks
// that every failure is reported by the operation that made the call, with its own text.
#include "files/ansi_backup_file.h"
#include "files/unicode_backup_file.h"

#include "platform/codepage.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace {

using faults::FileOp;

const std::u16string kDiskFull = u"There is not enough space on the disk.";
const std::u16string kReadFault = u"The system cannot read from the specified device.";

// One platform call of a run and the text that its failure must produce.
struct Call {
    FileOp op;
    std::u16string phrase;
    bool standsAlone = false; // no system text behind the phrase
};

class Calls {
public:
    Calls& add(FileOp op, std::size_t count, const std::u16string& phrase,
               bool standsAlone = false) {
        for (std::size_t i = 0; i < count; ++i) {
            calls_.push_back(Call{op, phrase, standsAlone});
        }
        return *this;
    }
    std::vector<Call> of(FileOp op) const {
        std::vector<Call> selected;
        for (const Call& call : calls_) {
            if (op == FileOp::Any || call.op == op) {
                selected.push_back(call);
            }
        }
        return selected;
    }

private:
    std::vector<Call> calls_;
};

// Three messages: the worked example, two recipients with an empty body, and none at all in a
// subfolder two levels down.
std::vector<MemoryRecord> Messages() {
    std::vector<MemoryRecord> messages;
    messages.push_back(WorkedExampleMessage());
    MemoryRecord second = WorkedExampleMessage();
    second.setBody(u"");
    second.appendRecipient(Recipient(u"888", u"Boss \U0001F600", 2));
    messages.push_back(std::move(second));
    MessageFields fields;
    fields.messageClass = u"IPM.SMStext";
    fields.folderPath = u"Inbox\\Family\\Mum";
    fields.senderName = u"Mum";
    fields.senderNumber = u"1";
    fields.body = u"Tea?";
    messages.emplace_back(fields, std::vector<Recipient>{});
    return messages;
}

Calls UnicodeBackupCalls(std::vector<MemoryRecord>& messages) {
    Calls calls;
    calls.add(FileOp::Create, 1, u"begin backup error, ")
        .add(FileOp::Seek, 1, u"seek file(16) error, ")
        .add(FileOp::Write, 1, u"write total error, ");
    for (std::size_t i = 0; i < messages.size(); ++i) { // a record goes in one write
        calls.add(FileOp::Write, 1, u"write sms content error, ")
            .add(FileOp::Flush, 1, u"write sms content error, ");
    }
    calls.add(FileOp::Seek, 1, u"seek file(0) error, ")
        .add(FileOp::Size, 1, u"write validate error, ")
        .add(FileOp::Write, 16, u"write validate error, ")
        .add(FileOp::Flush, 1, u"flush file error, ")
        .add(FileOp::Close, 1, u"close file error, ")
        .add(FileOp::Sync, 2, u"close file error, "); // the file, then its folder
    return calls;
}

Calls AnsiBackupCalls(std::vector<MemoryRecord>& messages) {
    Calls calls;
    calls.add(FileOp::Create, 1, u"Write to file failed.,")
        .add(FileOp::Seek, 1, u"Seek file error, ")
        .add(FileOp::Write, 1, u"write sms total numbers error, ");
    for (const MemoryRecord& message : messages) {
        calls.add(FileOp::Write, 1, u"write msg class error, ")
            .add(FileOp::Write, 1, u"write folder name error, ")
            .add(FileOp::Write, 1, u"write ModifyTime LowDateTime error, ")
            .add(FileOp::Write, 1, u"write ModifyTime dwHighDateTime error, ")
            .add(FileOp::Write, 1, u"write DeliveryTime LowDateTime error, ")
            .add(FileOp::Write, 1, u"write DeliveryTime dwHighDateTime error, ")
            .add(FileOp::Write, 1, u"write flag error, ")
            .add(FileOp::Write, 1, u"write msg size error, ")
            .add(FileOp::Write, 1, u"write rcps error, ")
            .add(FileOp::Write, 1, u"write sender info error, ")
            .add(FileOp::Write, 1, u"write subject len error, ")
            // An empty body writes no bytes, so it makes no call.
            .add(FileOp::Write, message.body().empty() ? 0 : 1, u"write subject error, ");
    }
    calls.add(FileOp::Size, 1, u"Write validate info(write file) error, ")
        .add(FileOp::Seek, 1, u"Write validate info(seekFile) error, ")
        .add(FileOp::Write, 1, u"Write validate info(write file) error, ")
        .add(FileOp::Flush, 1, u"flush file error, ")
        .add(FileOp::Close, 1, u"close file error, ")
        .add(FileOp::Sync, 2, u"close file error, "); // the file, then its folder
    return calls;
}

Calls UnicodeRestoreCalls(std::vector<MemoryRecord>& messages) {
    Calls calls;
    calls.add(FileOp::Create, 1, u"begin restore error, ")
        .add(FileOp::Read, 16, u"File Validation Failed.", true)
        .add(FileOp::Size, 1, u"File Validation Failed.", true)
        .add(FileOp::Read, 1, u"read total error, ");
    // A short record is read in one call and built from memory; a step back follows unless
    // the read ended with the file.
    for (std::size_t i = 0; i < messages.size(); ++i) {
        calls.add(FileOp::Read, 1, u"read sms error, ");
        if (i + 1 < messages.size()) {
            calls.add(FileOp::Seek, 1, u"read sms error, ");
        }
    }
    return calls; // the close that follows cannot fail a restore
}

std::string OpName(FileOp op) {
    switch (op) {
    case FileOp::Any:
        return "Any";
    case FileOp::Create:
        return "Create";
    case FileOp::Read:
        return "Read";
    case FileOp::Write:
        return "Write";
    case FileOp::Seek:
        return "Seek";
    case FileOp::Size:
        return "Size";
    case FileOp::Flush:
        return "Flush";
    case FileOp::Close:
        return "Close";
    case FileOp::Sync:
        return "Sync";
    }
    return "Unknown";
}

// Arms the fault at n = 1, 2, ... and expects the n-th call's text, until one past the last
// call, when the run must succeed.
void ExpectEveryFaultReported(const std::vector<Call>& expected, FileOp op, bool persistent,
                              DWORD error, const std::u16string& systemText,
                              const std::function<RunOutcome()>& run) {
    const int handlesBefore = OpenFileHandleCount();
    for (std::size_t n = 1; n <= expected.size() + 1; ++n) {
        SCOPED_TRACE("fault at call " + std::to_string(n));
        RunOutcome outcome;
        {
            const faults::FileFaultGuard guard;
            faults::ArmFileFault(op, static_cast<int>(n), error, persistent);
            outcome = run();
        }
        EXPECT_EQ(OpenFileHandleCount(), handlesBefore);
        if (n > expected.size()) {
            EXPECT_TRUE(outcome.ok) << outcome.failedAt;
            break;
        }
        const Call& call = expected[n - 1];
        ASSERT_FALSE(outcome.ok) << "a failed call was reported as success";
        EXPECT_EQ(outcome.error, call.standsAlone ? call.phrase : call.phrase + systemText)
            << outcome.failedAt;
    }
}

class BackupFaultTest : public ::testing::TestWithParam<std::tuple<FileOp, bool>> {
protected:
    void SetUp() override { SetActiveCodePage(1252); }
    void TearDown() override { SetActiveCodePage(0); }

    FileOp op() const { return std::get<0>(GetParam()); }
    bool persistent() const { return std::get<1>(GetParam()); }

    TempDir dir;
    std::vector<MemoryRecord> messages = Messages();
};

TEST_P(BackupFaultTest, UnicodeBackupReportsEveryFailedCall) {
    const std::u16string path = dir.file("faults.usms");
    ExpectEveryFaultReported(UnicodeBackupCalls(messages).of(op()), op(), persistent(),
                             ERROR_DISK_FULL, kDiskFull, [&] {
                                 UnicodeBackupFile format;
                                 return RunBackup(format, path, messages);
                             });
}

TEST_P(BackupFaultTest, AnsiBackupReportsEveryFailedCallWithItsFieldPhrase) {
    const std::u16string path = dir.file("faults.sms");
    ExpectEveryFaultReported(AnsiBackupCalls(messages).of(op()), op(), persistent(),
                             ERROR_DISK_FULL, kDiskFull, [&] {
                                 AnsiBackupFile format;
                                 return RunBackup(format, path, messages);
                             });
}

TEST_P(BackupFaultTest, UnicodeRestoreReportsEveryFailedCall) {
    const std::u16string path = dir.file("faults.usms");
    {
        UnicodeBackupFile writer;
        ASSERT_TRUE(RunBackup(writer, path, messages).ok);
    }
    ExpectEveryFaultReported(UnicodeRestoreCalls(messages).of(op()), op(), persistent(),
                             ERROR_READ_FAULT, kReadFault, [&] {
                                 UnicodeBackupFile format;
                                 const RestoreOutcome restored = RunRestore(format, path);
                                 EXPECT_EQ(restored.ok, restored.records.size() == 3);
                                 return RunOutcome(restored);
                             });
}

// Each record is handed to the system, but the disk is synced only when the file is done: the
// file's data once and its folder once, however many records there are.
TEST(BackupSyncs, ABackupSyncsTwiceWhateverItsSize) {
    const TempDir dir;
    for (const std::size_t count : {1u, 50u}) {
        std::vector<MemoryRecord> many;
        for (std::size_t i = 0; i < count; ++i) {
            many.push_back(WorkedExampleMessage());
        }
        for (const bool unicode : {true, false}) {
            UnicodeBackupFile usms;
            AnsiBackupFile sms;
            faults::ResetFileCounts();
            ASSERT_TRUE(
                RunBackup(unicode ? static_cast<BackupFile&>(usms) : sms, dir.file("many"), many)
                    .ok);
            EXPECT_EQ(faults::FileCallCount(FileOp::Sync), 2) << count;
        }
    }
}

// A writer told that its file counts only when complete hands the records to the system once,
// at the close, and writes the same bytes.
TEST(BackupSyncs, WithoutARecordFlushTheFileIsFlushedOnceAndTheSame) {
    const TempDir dir;
    std::vector<MemoryRecord> many;
    for (int i = 0; i < 50; ++i) {
        many.push_back(WorkedExampleMessage());
    }
    UnicodeBackupFile flushing;
    ASSERT_TRUE(RunBackup(flushing, dir.file("each.usms"), many).ok);
    UnicodeBackupFile buffered;
    buffered.FlushEachRecord(false);
    faults::ResetFileCounts();
    ASSERT_TRUE(RunBackup(buffered, dir.file("once.usms"), many).ok);
    EXPECT_EQ(faults::FileCallCount(FileOp::Flush), 1);
    EXPECT_EQ(ReadHostFile(dir.path() / "once.usms"), ReadHostFile(dir.path() / "each.usms"));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, BackupFaultTest,
    ::testing::Combine(::testing::Values(FileOp::Any, FileOp::Create, FileOp::Read, FileOp::Write,
                                         FileOp::Seek, FileOp::Size, FileOp::Flush, FileOp::Close,
                                         FileOp::Sync),
                       ::testing::Bool()),
    [](const auto& info) {
        return OpName(std::get<0>(info.param)) + (std::get<1>(info.param) ? "FromThenOn" : "Once");
    });

} // namespace
