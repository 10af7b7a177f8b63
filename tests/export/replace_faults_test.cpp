// A backup or export over an existing file while the n-th platform file call fails, once or from
// then on, for every n: the name holds the earlier file or the complete new one, never a part.
#include "export/ansi_encoder.h"
#include "export/csv_export_file.h"
#include "export/text_export_file.h"
#include "export/unicode_encoder.h"
#include "export/utf8_encoder.h"
#include "files/ansi_backup_file.h"
#include "files/unicode_backup_file.h"
#include "platform/faults.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const AnsiEncoder kAnsi;
const Utf8Encoder kUtf8;
const UnicodeEncoder kUnicode;

struct Format {
    const char* name;
    std::function<std::unique_ptr<BackupFile>()> make;
};

void PrintTo(const Format& f, std::ostream* out) {
    *out << f.name;
}

class ReplaceFaultTest : public testing::TestWithParam<Format> {
protected:
    RunOutcome run(const std::filesystem::path& path) {
        std::vector<MemoryRecord> messages;
        messages.push_back(WorkedExampleMessage());
        messages.push_back(WorkedExampleMessage());
        const std::unique_ptr<BackupFile> format = GetParam().make();
        return RunBackup(*format, dir_.file(path.filename().string()), messages);
    }

    const TempDir dir_;
};

TEST_P(ReplaceFaultTest, TheNameHoldsTheEarlierFileOrTheCompleteNewOne) {
    ASSERT_TRUE(run(dir_.path() / "reference").ok);
    const std::string complete = ReadHostFile(dir_.path() / "reference");
    const std::filesystem::path target = dir_.path() / "target";
    for (const bool persistent : {false, true}) {
        bool succeeded = false;
        for (int n = 1; !succeeded && n < 1000; ++n) {
            SCOPED_TRACE((persistent ? "from then on, call " : "once, call ") + std::to_string(n));
            WriteHostFile(target, "earlier");
            RunOutcome outcome;
            {
                const faults::FileFaultGuard guard;
                faults::ArmFileFault(faults::FileOp::Any, n, ERROR_DISK_FULL, persistent);
                outcome = run(target);
            }
            const std::string now = ReadHostFile(target);
            EXPECT_TRUE(now == "earlier" || now == complete) << outcome.failedAt;
            // Only the sync of the folder after the rename can fail once the new file is there.
            if (now == complete) {
                EXPECT_TRUE(outcome.ok || outcome.failedAt == "CloseAfterWrite");
            }
            if (outcome.ok) {
                EXPECT_EQ(now, complete);
            }
            succeeded = outcome.ok;
        }
        EXPECT_TRUE(succeeded);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ReplaceFaultTest,
    testing::Values(Format{"usms", [] { return std::make_unique<UnicodeBackupFile>(); }},
                    Format{"sms", [] { return std::make_unique<AnsiBackupFile>(); }},
                    Format{"txt_ansi", [] { return std::make_unique<TextExportFile>(kAnsi); }},
                    Format{"txt_unicode",
                           [] { return std::make_unique<TextExportFile>(kUnicode); }},
                    Format{"csv_utf8", [] { return std::make_unique<CsvExportFile>(kUtf8); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
