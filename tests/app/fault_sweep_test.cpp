// The real jobs with the n-th file or mail-library call failing, once or from then on, for
// n = 1, 2, ... until a run no longer reaches call n; and with transfers cut short. Every run
// must end with a documented text, a target that is the earlier file or a complete one, a store
// without half-written messages, and nothing of the mail library or the files left open.
#include "app/jobs.h"
#include "export/csv_export_file.h"
#include "export/text_export_file.h"
#include "export/unicode_encoder.h"
#include "export/utf8_encoder.h"
#include "files/ansi_backup_file.h"
#include "files/unicode_backup_file.h"
#include "interchange/file_kind.h"
#include "platform/faults.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "store/walk_fixture.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <regex>

namespace {

using faults::FileOp;

// DiskFull: the disk takes 7 (n - 1) bytes of file data, then refuses every write.
enum class Fault { File, Mail, ShortTransfer, ZeroWrite, DiskFull };

struct Sweep {
    Fault fault;
    bool persistent;
};

constexpr Sweep kSweeps[] = {{Fault::File, false},          {Fault::File, true},
                             {Fault::Mail, false},          {Fault::Mail, true},
                             {Fault::ShortTransfer, false}, {Fault::ZeroWrite, false},
                             {Fault::DiskFull, true}};
constexpr std::uint64_t kDiskStride = 7;

const Utf8Encoder kUtf8;
const UnicodeEncoder kUnicode;

struct Format {
    const char* name;
    std::function<std::unique_ptr<BackupFile>()> make;
};

const Format kFormats[] = {
    {"usms", [] { return std::make_unique<UnicodeBackupFile>(); }},
    {"sms", [] { return std::make_unique<AnsiBackupFile>(); }},
    {"txt", [] { return std::make_unique<TextExportFile>(kUnicode); }},
    {"csv", [] { return std::make_unique<CsvExportFile>(kUtf8); }},
    {"xml", [] { return MakeInterchangeFormat("xml"); }},
    {"json", [] { return MakeInterchangeFormat("json"); }},
};

const Format& FormatNamed(const std::string& name) {
    return *std::find_if(std::begin(kFormats), std::end(kFormats),
                         [&name](const Format& format) { return format.name == name; });
}

// The jobs' texts: an optional message number, then a whole text or a phrase and a system text.
const std::regex kDocumented(
    "(No\\.\\d+:)?("
    "Backup Completed\\.( \\d+ of \\d+ messages were saved; the others could not be read from "
    "the store\\.)?|Restore Completed\\.|SMS Account Initialization Failed\\.|File Validation "
    "Failed\\.|(open|create) folder '[^']+' error\\.|(get msg list|reset msg list|get sub "
    "folders) error\\.|Create message error!|save sms error!|unknown message class name!|"
    "((begin backup|begin restore|seek file\\(16\\)|seek file\\(0\\)|write total|write sms "
    "content|write validate|flush file|close file|read total|read sms|Seek file|write sms total "
    "numbers|write msg class|write folder name|write (Modify|Delivery)Time (LowDateTime|"
    "dwHighDateTime)|write flag|write msg size|write rcps|write sender info|write subject len|"
    "write subject|Write validate info\\((seekFile|write file)\\)|write file header|write time|"
    "open file to write|write title|write msg|read xml|read json) error, |Write to file failed\\.,)"
    "(There is not enough space on the disk\\.|The system cannot write to the specified "
    "device\\.|Reached the end of the file\\.))");

void ExpectDocumented(const std::u16string& text) {
    EXPECT_TRUE(std::regex_match(utf::Utf8(text), kDocumented)) << utf::Utf8(text);
}

class FaultSweep : public WalkFixture {
protected:
    void SetUp() override {
        // Thousands of runs each sync their files: memory-backed storage keeps that quick.
        const std::string previous = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "";
        if (std::filesystem::is_directory("/dev/shm")) {
            setenv("TMPDIR", "/dev/shm", 1);
        }
        WalkFixture::SetUp();
        previous.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", previous.c_str(), 1);
        Seed(special(SpecialFolder::Inbox), u"in", 2);
        Seed(mapi_admin::AddFolder(special(SpecialFolder::Inbox), u"Old"), u"old", 1, 2000);
        Seed(special(SpecialFolder::Sent), u"sent", 1, 3000);
        source_ = Snapshot();
        ASSERT_EQ(source_.size(), 4u);
        handles_ = OpenFileHandleCount();
    }

    std::u16string file(const char* name) const { return utf::Utf16((folder_ / name).string()); }

    static bool Backup(const Format& format, const std::u16string& path, std::u16string& text) {
        const std::unique_ptr<BackupFile> writer = format.make();
        const FolderSelection all = FolderSelection::All();
        BackupJob job(path, *writer, text, &all);
        return RunBackup(job);
    }
    // A restore from a file in the named format: a Unicode backup, XML or JSON Lines.
    static bool Restore(const std::u16string& path, std::u16string& text,
                        const Format& format = kFormats[0]) {
        const std::unique_ptr<BackupFile> reader = format.make();
        RestoreJob job(path, *reader, text);
        return RunRestore(job);
    }

    // Every listed message of the store as one line of its fields and recipients, sorted; a
    // message that does not read back whole shows as an empty line.
    std::vector<std::string> Snapshot() const {
        std::u16string text;
        EXPECT_TRUE(Backup(kFormats[0], file("snapshot.usms"), text)) << utf::Utf8(text);
        UnicodeBackupFile reader;
        const RestoreOutcome read = RunRestore(reader, file("snapshot.usms"));
        EXPECT_TRUE(read.ok) << read.failedAt;
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < read.records.size(); ++i) {
            const MessageFields& f = read.records[i];
            std::u16string line = f.messageClass + u"|" + f.folderPath + u"|" + f.senderName +
                                  u"|" + f.senderNumber + u"|" + f.body;
            for (const DWORD n :
                 {f.lastModified.dwLowDateTime, f.deliveryTime.dwLowDateTime, f.flags, f.size}) {
                line += u"|" + NumberToText(static_cast<int>(n));
            }
            for (const Recipient& r : read.recipients[i]) {
                line += u"|" + r.address() + u"<" + r.displayName() + u">" +
                        NumberToText(static_cast<int>(r.type()));
            }
            lines.push_back(utf::Utf8(line));
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    // Arms the sweep's fault at call n; false when the run did not reach it.
    template <typename Run> bool RunWithFault(const Sweep& sweep, int n, Run run) {
        bool filled = false;
        {
            const faults::FileFaultGuard disarm;
            mapi_faults::ResetCounts();
            switch (sweep.fault) {
            case Fault::File:
                faults::ArmFileFault(FileOp::Any, n, ERROR_DISK_FULL, sweep.persistent);
                break;
            case Fault::Mail:
                mapi_faults::Arm(Op::Any, n, MAPI_E_CALL_FAILED, sweep.persistent);
                break;
            case Fault::ShortTransfer:
                faults::ArmShortTransfer(FileOp::Any, n, 1);
                break;
            case Fault::ZeroWrite:
                faults::ArmShortTransfer(FileOp::Write, n, 0);
                break;
            case Fault::DiskFull:
                faults::ArmDiskFull(kDiskStride * static_cast<std::uint64_t>(n - 1));
                break;
            }
            run();
            filled = faults::DiskFilled();
            mapi_faults::Disarm();
        }
        EXPECT_EQ(mapi_accounting::OutstandingBuffers(), 0);
        EXPECT_EQ(mapi_accounting::OutstandingReferences(), 0);
        EXPECT_EQ(mapi_accounting::ActiveLogons(), 0);
        EXPECT_EQ(OpenFileHandleCount(), handles_);
        switch (sweep.fault) {
        case Fault::Mail:
            return mapi_faults::CallCount(Op::Any) >= n;
        case Fault::ShortTransfer:
            return faults::FileCallCount(FileOp::Read) + faults::FileCallCount(FileOp::Write) >= n;
        case Fault::ZeroWrite:
            return faults::FileCallCount(FileOp::Write) >= n;
        case Fault::DiskFull:
            return filled;
        default:
            return faults::FileCallCount(FileOp::Any) >= n;
        }
    }

    // Runs the job with the fault at n = 1, 2, ... of each sweep until the run no longer reaches
    // call n, checking the invariants that all jobs share and then the job's own.
    template <typename Run, typename Check>
    void SweepAll(const std::string& job, Run run, Check check) {
        for (const Sweep& sweep : kSweeps) {
            bool reached = true;
            for (int n = 1; reached; ++n) {
                SCOPED_TRACE(job + ", fault " + std::to_string(static_cast<int>(sweep.fault)) +
                             (sweep.persistent ? " from then on" : " once") + " at call " +
                             std::to_string(n));
                std::u16string text;
                bool ok = false;
                reached = RunWithFault(sweep, n, [&] { ok = run(text); });
                ExpectDocumented(text);
                ExpectNoPartialFile();
                check(sweep, ok, text);
                // A short transfer that completes is no failure; an empty write is one.
                EXPECT_TRUE(ok || sweep.fault != Fault::ShortTransfer) << utf::Utf8(text);
                EXPECT_TRUE(!ok || sweep.fault != Fault::ZeroWrite || !reached);
                EXPECT_TRUE(reached || text.ends_with(u"Completed.")) << utf::Utf8(text);
            }
        }
    }

    // A successful backup's file is valid and declares the records it holds (saved, when known);
    // with ownRecords, each record is one of the complete file's.
    void ExpectValidFile(const Format& format, const std::string& bytes,
                         const std::string& complete, int saved, bool ownRecords) const {
        const std::string name = format.name;
        int records = 0;
        if (name == "usms" || name == "xml" || name == "json") {
            WriteHostFile(folder_ / "check", bytes);
            const std::unique_ptr<BackupFile> reader = format.make();
            const RestoreOutcome read = RunRestore(*reader, file("check"));
            EXPECT_TRUE(read.ok) << read.failedAt << " " << utf::Utf8(read.error);
            records = static_cast<int>(read.records.size());
            // Each message is a line of its own: an <sms> element, or a JSON object.
            const std::string mark = name == "xml" ? "  <sms " : "{";
            for (std::size_t start = 0; name != "usms" && start < bytes.size();) {
                const std::size_t stop = bytes.find('\n', start);
                const std::string line = bytes.substr(start, stop - start + 1);
                EXPECT_TRUE(!ownRecords || !line.starts_with(mark) ||
                            complete.find(line) != std::string::npos)
                    << line;
                start = stop == std::string::npos ? stop : stop + 1;
            }
        } else if (name == "sms") {
            records = static_cast<int>(bytes.size() < 20 ? 0 : bytes[16]);
            EXPECT_EQ(bytes.substr(0, 16), Md5Of(std::to_string(bytes.size()) + "PaxRenTulVio"));
        } else {
            // Export records are cut where each one's first field begins.
            const std::string mark =
                name == "csv" ? "\"IPM" : Utf16Bytes(u"Sender: ").substr(0, 16);
            std::size_t start = bytes.find(mark);
            EXPECT_EQ(bytes.substr(0, start), complete.substr(0, complete.find(mark)));
            for (; start < bytes.size(); ++records) {
                const std::size_t stop = bytes.find(mark, start + 1);
                const std::string record = bytes.substr(start, stop - start);
                EXPECT_TRUE(!ownRecords || complete.find(record) != std::string::npos);
                start = stop;
            }
        }
        EXPECT_TRUE(saved < 0 || records == saved) << records << " records, not " << saved;
    }

    // Whatever the run's end, no partial file stays beside a target.
    void ExpectNoPartialFile() const {
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            EXPECT_FALSE(entry.path().string().ends_with(".partial")) << entry.path();
        }
    }

    std::vector<std::string> source_;
    int handles_ = 0;
};

// Where texts differ per step, each step's own: the n-th call of op fails with a full disk.
struct Step {
    int format; // into kFormats; -1 for the restore
    FileOp op;
    int nth;
    std::u16string text;
};

const Step kSteps[] = {
    {0, FileOp::Create, 1, u"begin backup error, "},
    {0, FileOp::Seek, 1, u"seek file(16) error, "},
    {0, FileOp::Write, 1, u"write total error, "},
    {0, FileOp::Write, 2, u"No.0:write sms content error, "},
    {0, FileOp::Flush, 1, u"No.0:write sms content error, "},
    {0, FileOp::Seek, 2, u"seek file(0) error, "},
    {0, FileOp::Size, 1, u"write validate error, "},
    {0, FileOp::Flush, 5, u"flush file error, "},
    {0, FileOp::Close, 1, u"close file error, "},

    {1, FileOp::Create, 1, u"Write to file failed.,"},
    {1, FileOp::Seek, 1, u"Seek file error, "},
    {1, FileOp::Write, 1, u"write sms total numbers error, "},
    {1, FileOp::Write, 2, u"No.0:write msg class error, "},
    {1, FileOp::Write, 3, u"No.0:write folder name error, "},
    {1, FileOp::Write, 4, u"No.0:write ModifyTime LowDateTime error, "},
    {1, FileOp::Write, 5, u"No.0:write ModifyTime dwHighDateTime error, "},
    {1, FileOp::Write, 6, u"No.0:write DeliveryTime LowDateTime error, "},
    {1, FileOp::Write, 7, u"No.0:write DeliveryTime dwHighDateTime error, "},
    {1, FileOp::Write, 8, u"No.0:write flag error, "},
    {1, FileOp::Write, 9, u"No.0:write msg size error, "},
    {1, FileOp::Write, 10, u"No.0:write rcps error, "},
    {1, FileOp::Write, 11, u"No.0:write sender info error, "},
    {1, FileOp::Write, 12, u"No.0:write subject len error, "},
    {1, FileOp::Write, 13, u"No.0:write subject error, "},
    {1, FileOp::Size, 1, u"Write validate info(write file) error, "},
    {1, FileOp::Seek, 2, u"Write validate info(seekFile) error, "},
    {1, FileOp::Write, 50, u"Write validate info(write file) error, "},
    {1, FileOp::Flush, 1, u"flush file error, "},
    {2, FileOp::Create, 1, u"Write to file failed.,"},
    {2, FileOp::Write, 1, u"write file header error, "},
    {2, FileOp::Write, 2, u"No.0:write sender info error, "},
    {2, FileOp::Write, 3, u"No.0:write rcps error, "},
    {2, FileOp::Write, 4, u"No.0:write time error, "},
    {2, FileOp::Write, 5, u"No.0:write subject error, "},
    {2, FileOp::Flush, 1, u"close file error, "},
    {2, FileOp::Close, 1, u"close file error, "},
    {3, FileOp::Create, 1, u"open file to write error, "},
    {3, FileOp::Write, 1, u"write title error, "},
    {3, FileOp::Write, 2, u"No.0:write msg error, "},
    {3, FileOp::Flush, 1, u"No.0:write msg error, "},
    {3, FileOp::Flush, 5, u"close file error, "},
    {-1, FileOp::Create, 1, u"begin restore error, "},
    {-1, FileOp::Read, 1, u"File Validation Failed."},
    {-1, FileOp::Size, 1, u"File Validation Failed."},
    {-1, FileOp::Read, 17, u"read total error, "},
    {-1, FileOp::Read, 18, u"No.1:read sms error, "},
};

// Once the new file has taken its name the backup has succeeded: a folder that then cannot be
// synced is a warning, not a failure.
TEST_F(FaultSweep, AFolderSyncAfterTheRenameIsAWarning) {
    std::u16string text;
    ASSERT_TRUE(Backup(kFormats[0], file("complete"), text));
    static_cast<void>(TakeFileWarnings());
    WriteHostFile(folder_ / "target", "earlier");
    {
        const faults::FileFaultGuard disarm;
        faults::ArmFileFault(FileOp::Sync, 2, ERROR_DISK_FULL); // the file's own sync is the first
        EXPECT_TRUE(Backup(kFormats[0], file("target"), text)) << utf::Utf8(text);
    }
    EXPECT_EQ(text, u"Backup Completed.");
    EXPECT_TRUE(ReadHostFile(folder_ / "target") == ReadHostFile(folder_ / "complete"));
    const std::vector<std::string> warnings = TakeFileWarnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], (folder_ / "target").string() +
                               " was saved, but its folder could not be synced to the disk: "
                               "There is not enough space on the disk.");
}

TEST_F(FaultSweep, BackupsEndWithTheEarlierFileOrAValidOne) {
    for (const Format& format : kFormats) {
        std::u16string text;
        ASSERT_TRUE(Backup(format, file("complete"), text)) << utf::Utf8(text);
        const std::string complete = ReadHostFile(folder_ / "complete");
        SweepAll(
            format.name,
            [&](std::u16string& text) {
                WriteHostFile(folder_ / "target", "earlier");
                return Backup(format, file("target"), text);
            },
            [&](const Sweep&, bool ok, const std::u16string& text) {
                const std::string now = ReadHostFile(folder_ / "target");
                EXPECT_EQ(ok, text.starts_with(u"Backup Completed."));
                // A reported success holds exactly the store's records: a message whose
                // properties or recipients fail to read is left out and counted as not saved.
                if (!ok) {
                    EXPECT_TRUE(now == "earlier" || now == complete);
                } else if (text == u"Backup Completed.") {
                    EXPECT_TRUE(now == complete);
                } else {
                    ExpectValidFile(format, now, complete, std::stoi(utf::Utf8(text.substr(18))),
                                    true);
                }
            });
    }
}

// From a Unicode backup, and from the same messages as phone XML and JSON Lines.
TEST_F(FaultSweep, RestoresLeaveOnlyWholeMessages) {
    const char* const names[] = {"usms", "xml", "json"};
    std::u16string text;
    for (const char* name : names) {
        ASSERT_TRUE(Backup(FormatNamed(name), file(name), text)) << utf::Utf8(text);
    }
    ASSERT_TRUE(mapi_admin::CreateDeviceStore());
    for (const char* name : names) {
        const Format& format = FormatNamed(name);
        SweepAll(
            std::string("restore from ") + name,
            [&](std::u16string& text) { return Restore(file(name), text, format); },
            [&](const Sweep&, bool ok, const std::u16string& text) {
                EXPECT_EQ(ok, text == u"Restore Completed.");
                const std::vector<std::string> now = Snapshot();
                EXPECT_TRUE(!ok || now == source_);
                for (const std::string& message : now) {
                    EXPECT_TRUE(std::binary_search(source_.begin(), source_.end(), message))
                        << message;
                }
                EXPECT_TRUE(mapi_admin::CreateDeviceStore()); // empty for the next run
            });
        ASSERT_TRUE(Restore(file(name), text, format)) << utf::Utf8(text);
        EXPECT_EQ(Snapshot(), source_) << name;
        ASSERT_TRUE(mapi_admin::CreateDeviceStore());
    }
}

// The one round trip: a varied store, backed up, restored into an empty store and backed up
// again, gives the same file.
TEST_F(FaultSweep, BackupRestoreBackupGivesTheSameFile) {
    using enum SpecialFolder;
    std::uint64_t time = 130000000000000000ull;
    auto next = [&time](std::u16string body) { return SampleMessage(std::move(body), ++time); };
    mapi_admin::SeedMessage bare = next(u"line one\r\nline two");
    bare.senderEmail = u"+4912345";
    bare.senderName.clear(); // no PR_SENDER_NAME_W at all
    mapi_admin::SeedMessage nameOnly = next(u"Gr\u00FC\u00DFe \u674E \U0001F600");
    nameOnly.senderEmail.clear();
    nameOnly.senderName = u"J\u00FCrgen";
    nameOnly.recipients.clear();
    mapi_admin::SeedMessage zeroTime = next(u"");
    zeroTime.deliveryTime = FILETIME{};
    zeroTime.recipients = {{u"", u"", MAPI_BCC}, {u"+1", u"\"Quoted\" <x>", MAPI_TO}};
    ASSERT_EQ(mapi_admin::AddMessages(special(Inbox), {bare, nameOnly, zeroTime}).size(), 3u);
    const ObjectId deep = mapi_admin::AddFolder(special(Inbox), u"Deep \u00C4");
    mapi_admin::AddMessage(mapi_admin::AddFolder(deep, u"Er"), next(u"deep"));
    for (const SpecialFolder folder : {Draft, Outbox, Deleted}) {
        mapi_admin::AddMessage(special(folder), next(u"x"));
    }
    std::u16string text;
    ASSERT_TRUE(Backup(kFormats[0], file("first.usms"), text)) << utf::Utf8(text);
    ASSERT_TRUE(mapi_admin::CreateDeviceStore());
    ASSERT_TRUE(Restore(file("first.usms"), text)) << utf::Utf8(text);
    EXPECT_EQ(text, u"Restore Completed.");
    ASSERT_TRUE(Backup(kFormats[0], file("second.usms"), text)) << utf::Utf8(text);
    const std::string first = ReadHostFile(folder_ / "first.usms");
    EXPECT_EQ(first.substr(16, 4), U32Bytes(11)); // the total after the digest
    EXPECT_EQ(ReadHostFile(folder_ / "second.usms"), first);
}

TEST_F(FaultSweep, EachFailingStepReportsItsOwnText) {
    std::u16string text;
    ASSERT_TRUE(Backup(kFormats[0], file("source.usms"), text));
    for (const Step& step : kSteps) {
        text.clear();
        {
            const faults::FileFaultGuard disarm;
            faults::ArmFileFault(step.op, step.nth, ERROR_DISK_FULL);
            if (step.format < 0) {
                EXPECT_FALSE(Restore(file("source.usms"), text));
            } else {
                EXPECT_FALSE(Backup(kFormats[step.format], file("step"), text));
            }
        }
        const bool withSystemText = step.text.ends_with(u",") || step.text.ends_with(u", ");
        EXPECT_EQ(utf::Utf8(text),
                  utf::Utf8(step.text +
                            (withSystemText ? u"There is not enough space on the disk." : u"")))
            << step.format << " " << static_cast<int>(step.op) << " " << step.nth;
    }
}

} // namespace
