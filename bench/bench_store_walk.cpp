// Backup and restore through the store on the emulated handset: a backup of n messages of one
// folder to a .usms file, the restore of that file into an empty store, and a restore over the
// same messages (every record replaces one). The replace search finds a record's message by its
// delivery time through the store's index, so its cost per record does not grow with the folder.
#include "app/jobs.h"
#include "devkit/mapi_admin.h"
#include "files/unicode_backup_file.h"
#include "platform/device.h"
#include "platform/utf.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A device folder of its own for the benchmark's lifetime.
class BenchDevice {
public:
    BenchDevice() {
        std::string pattern = std::filesystem::temp_directory_path() / "msgkeeper-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a device folder");
        }
        path_ = pattern;
        device::SetFolder(path_);
        device::EnsureLayout();
    }
    ~BenchDevice() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    BenchDevice(const BenchDevice&) = delete;
    BenchDevice& operator=(const BenchDevice&) = delete;

    std::u16string file(const std::string& name) const {
        return utf::Utf16((path_ / name).string());
    }

private:
    std::filesystem::path path_;
};

// A new store whose Inbox holds count messages with distinct delivery times.
void SeedInbox(int count) {
    if (!mapi_admin::CreateDeviceStore()) {
        throw std::runtime_error("cannot create the store");
    }
    const auto inbox =
        mapi_admin::SpecialFolder(mapi_admin::FindStore(u"SMS"), PR_CE_IPM_INBOX_ENTRYID);
    std::vector<mapi_admin::SeedMessage> messages(static_cast<std::size_t>(count));
    std::uint64_t time = 130000000000000000ull;
    for (auto& message : messages) {
        message.body = u"See you at the station at eight, the usual platform.";
        message.flags = MSGFLAG_READ;
        message.deliveryTime = U64ToFileTime(++time);
        message.lastModified = U64ToFileTime(time + 7);
        message.senderEmail = u"\"Ann Example\" <+4915112345678>";
        message.senderName = u"Ann Example";
        message.size = 120;
        message.recipients = {{u"+4917098765432", u"Bob", MAPI_TO}};
    }
    if (mapi_admin::AddMessages(inbox, messages).size() != messages.size()) {
        throw std::runtime_error("cannot seed the store");
    }
}

bool Backup(const std::u16string& path) {
    UnicodeBackupFile format;
    std::u16string text;
    BackupJob job(path, format, text);
    job.folders = FolderSelection::All();
    return RunBackup(job);
}

bool Restore(const std::u16string& path) {
    UnicodeBackupFile format;
    std::u16string text;
    RestoreJob job(path, format, text);
    return RunRestore(job);
}

void BM_BackupToUsms(benchmark::State& state) {
    const BenchDevice device;
    SeedInbox(static_cast<int>(state.range(0)));
    const std::u16string path = device.file("backup.usms");
    for (auto _ : state) {
        if (!Backup(path)) {
            state.SkipWithError("backup failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Restores a backup of range(0) inbox messages; with emptyFirst each run starts from an
// empty store, otherwise each run replaces every message that the one before left.
void RestoreBenchmark(benchmark::State& state, bool emptyFirst) {
    const BenchDevice device;
    SeedInbox(static_cast<int>(state.range(0)));
    const std::u16string path = device.file("backup.usms");
    if (!Backup(path)) {
        state.SkipWithError("backup failed");
        return;
    }
    for (auto _ : state) {
        if (emptyFirst) {
            state.PauseTiming();
            mapi_admin::CreateDeviceStore();
            state.ResumeTiming();
        }
        if (!Restore(path)) {
            state.SkipWithError("restore failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RestoreIntoEmptyStore(benchmark::State& state) {
    RestoreBenchmark(state, true);
}
void BM_RestoreOverSameMessages(benchmark::State& state) {
    RestoreBenchmark(state, false);
}

} // namespace

BENCHMARK(BM_BackupToUsms)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestoreIntoEmptyStore)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_RestoreOverSameMessages)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
