// The real jobs with the n-th file or mail-library call failing, once or from then on, for
// n = 1, 2, ... until a run no longer reaches call n; and with transfers cut short. Every run
// must end with a documented text, a target that is the earlier file or a complete one, a store
// without half-written messages, and nothing of the mail library or the files left open.
#include "app/app_fixture.h"
#include "platform/files.h"

#include <regex>

namespace {

using faults::FileOp;

const auto kFileCallsReach = [](int n) { return faults::FileCallCount(FileOp::Any) >= n; };
const auto kMailCallsReach = [](int n) { return mapi_faults::CallCount(Op::Any) >= n; };

// How a sweep breaks call n, and whether the run reached call n.
struct Sweep {
    const char* name;
    std::function<void(int)> arm;
    std::function<bool(int)> reached;
    bool shortTransfer = false; // one that completes is no failure
    bool zeroWrite = false;     // an empty write is one
};

const Sweep kSweeps[] = {
    {"file once", [](int n) { faults::ArmFileFault(FileOp::Any, n, ERROR_DISK_FULL); },
     kFileCallsReach},
    {"file from then on",
     [](int n) { faults::ArmFileFault(FileOp::Any, n, ERROR_DISK_FULL, true); }, kFileCallsReach},
    {"mail once", [](int n) { mapi_faults::Arm(Op::Any, n, MAPI_E_CALL_FAILED); }, kMailCallsReach},
    {"mail from then on", [](int n) { mapi_faults::Arm(Op::Any, n, MAPI_E_CALL_FAILED, true); },
     kMailCallsReach},
    {"short transfer", [](int n) { faults::ArmShortTransfer(FileOp::Any, n, 1); },
     [](int n) {
         return faults::FileCallCount(FileOp::Read) + faults::FileCallCount(FileOp::Write) >= n;
     },
     true},
    {"zero write", [](int n) { faults::ArmShortTransfer(FileOp::Write, n, 0); },
     [](int n) { return faults::FileCallCount(FileOp::Write) >= n; }, false, true},
    // The disk takes 7 (n - 1) bytes of file data, then refuses every write.
    {"disk full", [](int n) { faults::ArmDiskFull(7 * static_cast<std::uint64_t>(n - 1)); },
     [](int) { return faults::DiskFilled(); }},
};

const char* const kFormats[] = {"usms", "sms", "txt-unicode", "csv-utf8", "xml", "json"};

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

class FaultSweep : public AppFixture {
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

    // A restore from the named file in a format that restores: usms, xml or json.
    bool Restore(const std::string& format, const std::string& name, std::u16string& text) const {
        const std::unique_ptr<BackupFile> reader = Reader(format);
        RestoreJob job(path(name), *reader, text);
        return RunRestore(job);
    }

    // Every listed message of the store as one line of its fields and recipients, sorted; a
    // message that does not read back whole shows as an empty line.
    std::vector<std::string> Snapshot() const {
        std::u16string text;
        EXPECT_TRUE(BackupAll("usms", "snapshot.usms", text)) << utf::Utf8(text);
        const RestoreOutcome read = ReadBack("snapshot.usms");
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

    // Runs the job with the fault at n = 1, 2, ... of each sweep until the run no longer reaches
    // call n, checking the invariants that all jobs share and then the job's own.
    template <typename Run, typename Check>
    void SweepAll(const std::string& job, Run run, Check check) {
        for (const Sweep& sweep : kSweeps) {
            bool reached = true;
            for (int n = 1; reached; ++n) {
                SCOPED_TRACE(job + ", " + sweep.name + " at call " + std::to_string(n));
                std::u16string text;
                bool ok = false;
                {
                    const faults::FileFaultGuard disarm;
                    mapi_faults::ResetCounts();
                    sweep.arm(n);
                    ok = run(text);
                    reached = sweep.reached(n);
                    mapi_faults::Disarm();
                }
                ExpectNothingHeld();
                EXPECT_EQ(OpenFileHandleCount(), handles_);
                EXPECT_TRUE(std::regex_match(utf::Utf8(text), kDocumented)) << utf::Utf8(text);
                // Whatever the run's end, no partial file stays beside a target.
                for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
                    EXPECT_FALSE(entry.path().string().ends_with(".partial")) << entry.path();
                }
                check(ok, text);
                EXPECT_TRUE(ok || !sweep.shortTransfer) << utf::Utf8(text);
                EXPECT_TRUE(!ok || !sweep.zeroWrite || !reached);
                EXPECT_TRUE(reached || text.ends_with(u"Completed.")) << utf::Utf8(text);
            }
        }
    }

    // A successful backup's file is valid, declares the records it holds (saved) and holds only
    // records of the complete file.
    void ExpectValidFile(const std::string& name, const std::string& bytes,
                         const std::string& complete, int saved) const {
        int records = 0;
        if (name == "usms" || name == "xml" || name == "json") {
            WriteHostFile(folder_ / "check", bytes);
            records = static_cast<int>(ReadBack("check", name).records.size());
            // Each message is a line of its own: an <sms> element, or a JSON object.
            const std::string mark = name == "xml" ? "  <sms " : "{";
            for (std::size_t start = 0; name != "usms" && start < bytes.size();) {
                const std::size_t stop = bytes.find('\n', start);
                const std::string line = bytes.substr(start, stop - start + 1);
                EXPECT_TRUE(!line.starts_with(mark) || complete.find(line) != std::string::npos)
                    << line;
                start = stop == std::string::npos ? stop : stop + 1;
            }
        } else if (name == "sms") {
            records = static_cast<int>(bytes.size() < 20 ? 0 : bytes[16]);
            EXPECT_EQ(bytes.substr(0, 16), Md5Of(std::to_string(bytes.size()) + "PaxRenTulVio"));
        } else {
            // Export records are cut where each one's first field begins.
            const std::string mark =
                name == "csv-utf8" ? "\"IPM" : Utf16Bytes(u"Sender: ").substr(0, 16);
            std::size_t start = bytes.find(mark);
            EXPECT_EQ(bytes.substr(0, start), complete.substr(0, complete.find(mark)));
            for (; start < bytes.size(); ++records) {
                const std::size_t stop = bytes.find(mark, start + 1);
                EXPECT_NE(complete.find(bytes.substr(start, stop - start)), std::string::npos);
                start = stop;
            }
        }
        EXPECT_EQ(records, saved);
    }

    std::vector<std::string> source_;
    int handles_ = 0;
};

// Where texts differ per step, each step's own: the first-th call of op fails with a full disk
// and gives the first text, the next call the next text, and so on.
struct Steps {
    const char* format; // nullptr for the restore
    FileOp op;
    int first;
    std::vector<std::u16string> texts;
};

const Steps kSteps[] = {
    {"usms", FileOp::Create, 1, {u"begin backup error, "}},
    {"usms", FileOp::Seek, 1, {u"seek file(16) error, ", u"seek file(0) error, "}},
    {"usms", FileOp::Write, 1, {u"write total error, ", u"No.0:write sms content error, "}},
    {"usms", FileOp::Flush, 1, {u"No.0:write sms content error, "}},
    {"usms", FileOp::Size, 1, {u"write validate error, "}},
    {"usms", FileOp::Flush, 5, {u"flush file error, "}},
    {"usms", FileOp::Close, 1, {u"close file error, "}},
    {"sms", FileOp::Create, 1, {u"Write to file failed.,"}},
    {"sms", FileOp::Seek, 1, {u"Seek file error, ", u"Write validate info(seekFile) error, "}},
    {"sms",
     FileOp::Write,
     1,
     {u"write sms total numbers error, ", u"No.0:write msg class error, ",
      u"No.0:write folder name error, ", u"No.0:write ModifyTime LowDateTime error, ",
      u"No.0:write ModifyTime dwHighDateTime error, ",
      u"No.0:write DeliveryTime LowDateTime error, ",
      u"No.0:write DeliveryTime dwHighDateTime error, ", u"No.0:write flag error, ",
      u"No.0:write msg size error, ", u"No.0:write rcps error, ", u"No.0:write sender info error, ",
      u"No.0:write subject len error, ", u"No.0:write subject error, "}},
    {"sms", FileOp::Size, 1, {u"Write validate info(write file) error, "}},
    {"sms", FileOp::Write, 50, {u"Write validate info(write file) error, "}},
    {"sms", FileOp::Flush, 1, {u"flush file error, "}},
    {"txt-unicode", FileOp::Create, 1, {u"Write to file failed.,"}},
    {"txt-unicode",
     FileOp::Write,
     1,
     {u"write file header error, ", u"No.0:write sender info error, ", u"No.0:write rcps error, ",
      u"No.0:write time error, ", u"No.0:write subject error, "}},
    {"txt-unicode", FileOp::Flush, 1, {u"close file error, "}},
    {"txt-unicode", FileOp::Close, 1, {u"close file error, "}},
    {"csv-utf8", FileOp::Create, 1, {u"open file to write error, "}},
    {"csv-utf8", FileOp::Write, 1, {u"write title error, ", u"No.0:write msg error, "}},
    {"csv-utf8", FileOp::Flush, 1, {u"No.0:write msg error, "}},
    {"csv-utf8", FileOp::Flush, 5, {u"close file error, "}},
    {nullptr, FileOp::Create, 1, {u"begin restore error, "}},
    {nullptr, FileOp::Read, 1, {u"File Validation Failed."}},
    {nullptr, FileOp::Size, 1, {u"File Validation Failed."}},
};

// Each failing step reports its own text; and once the new file has taken its name the backup
// has succeeded: a folder that then cannot be synced is a warning, not a failure.
TEST_F(FaultSweep, EachFailingStepReportsItsOwnTextAndAFolderSyncAfterwardsIsAWarning) {
    std::u16string text;
    ASSERT_TRUE(BackupAll("usms", "complete", text));
    for (const Steps& steps : kSteps) {
        for (std::size_t i = 0; i < steps.texts.size(); ++i) {
            const int nth = steps.first + static_cast<int>(i);
            text.clear();
            {
                const faults::FileFaultGuard disarm;
                faults::ArmFileFault(steps.op, nth, ERROR_DISK_FULL);
                EXPECT_FALSE(steps.format == nullptr ? Restore("usms", "complete", text)
                                                     : BackupAll(steps.format, "step", text));
            }
            const std::u16string& step = steps.texts[i];
            const bool withSystemText = step.ends_with(u",") || step.ends_with(u", ");
            EXPECT_EQ(utf::Utf8(text),
                      utf::Utf8(step +
                                (withSystemText ? u"There is not enough space on the disk." : u"")))
                << (steps.format == nullptr ? "restore" : steps.format) << " "
                << static_cast<int>(steps.op) << " " << nth;
        }
    }
    static_cast<void>(TakeFileWarnings());
    WriteHostFile(folder_ / "target", "earlier");
    {
        const faults::FileFaultGuard disarm;
        faults::ArmFileFault(FileOp::Sync, 2, ERROR_DISK_FULL); // the file's own sync is the first
        EXPECT_TRUE(BackupAll("usms", "target", text)) << utf::Utf8(text);
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
    for (const std::string format : kFormats) {
        std::u16string text;
        ASSERT_TRUE(BackupAll(format, "complete", text)) << utf::Utf8(text);
        const std::string complete = ReadHostFile(folder_ / "complete");
        SweepAll(
            format,
            [&](std::u16string& text) {
                WriteHostFile(folder_ / "target", "earlier");
                return BackupAll(format, "target", text);
            },
            [&](bool ok, const std::u16string& text) {
                const std::string now = ReadHostFile(folder_ / "target");
                EXPECT_EQ(ok, text.starts_with(u"Backup Completed."));
                // A reported success holds exactly the store's records: a message whose
                // properties or recipients fail to read is left out and counted as not saved.
                if (!ok) {
                    EXPECT_TRUE(now == "earlier" || now == complete);
                } else if (text == u"Backup Completed.") {
                    EXPECT_TRUE(now == complete);
                } else {
                    ExpectValidFile(format, now, complete, std::stoi(utf::Utf8(text.substr(18))));
                }
            });
    }
}

// From a Unicode backup, and from the same messages as phone XML and JSON Lines.
TEST_F(FaultSweep, RestoresLeaveOnlyWholeMessages) {
    const char* const formats[] = {"usms", "xml", "json"};
    std::u16string text;
    for (const char* format : formats) {
        ASSERT_TRUE(BackupAll(format, format, text)) << utf::Utf8(text);
    }
    ASSERT_TRUE(mapi_admin::CreateDeviceStore());
    for (const char* format : formats) {
        SweepAll(
            std::string("restore from ") + format,
            [&](std::u16string& text) { return Restore(format, format, text); },
            [&](bool ok, const std::u16string& text) {
                EXPECT_EQ(ok, text == u"Restore Completed.");
                const std::vector<std::string> now = Snapshot();
                EXPECT_TRUE(!ok || now == source_);
                for (const std::string& message : now) {
                    EXPECT_TRUE(std::binary_search(source_.begin(), source_.end(), message))
                        << message;
                }
                EXPECT_TRUE(mapi_admin::CreateDeviceStore()); // empty for the next run
            });
        ASSERT_TRUE(Restore(format, format, text)) << utf::Utf8(text);
        EXPECT_EQ(Snapshot(), source_) << format;
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
    std::u16string text;
    ASSERT_TRUE(BackupAll("usms", "first.usms", text)) << utf::Utf8(text);
    ASSERT_TRUE(mapi_admin::CreateDeviceStore());
    ASSERT_TRUE(Restore("usms", "first.usms", text)) << utf::Utf8(text);
    ASSERT_TRUE(BackupAll("usms", "second.usms", text)) << utf::Utf8(text);
    const std::string first = ReadHostFile(folder_ / "first.usms");
    EXPECT_EQ(first.substr(16, 4), U32Bytes(8)); // the total after the digest
    EXPECT_EQ(ReadHostFile(folder_ / "second.usms"), first);
}

} // namespace
