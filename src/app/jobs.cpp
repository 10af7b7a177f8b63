#include "app/jobs.h"

#include "app/lock_refusal.h"
#include "files/file_access.h"
#include "files/md5.h"
#include "files/message_prefix.h"
#include "platform/device.h"
#include "resources/string_table.h"
#include "store/backup_walk.h"
#include "store/job_view.h"
#include "store/restore.h"

namespace {

std::u16string Count(DWORD n) {
    return NumberToText(static_cast<int>(n));
}

// A selected special folder that the store cannot open stops the backup with a text.
bool OpenFolder(BackupJob& job, const SpecialFolderInfo& entry, StoreFolder*& folder) {
    folder = job.store.specialFolder(entry.folder);
    if (folder == nullptr) {
        job.resultText =
            MessagePrefix(job.current.load()) + u"open folder '" + entry.token + u"' error.";
        return false;
    }
    return true;
}

bool BackupBody(BackupJob& job, HANDLE handle) {
    JobView view{job.format, job.current, job.total, job.resultText, &job.stop};
    DWORD total = 0;
    for (const SpecialFolderInfo& entry : kSpecialFolders) {
        if (job.folders.flag(entry.folder) == 0) {
            continue;
        }
        StoreFolder* folder = job.store.specialFolder(entry.folder);
        if (folder != nullptr) {
            total += countFolderMessages(*folder);
            job.total.store(total);
        }
    }
    if (!job.format.SkipValidationArea(handle, job.resultText) ||
        !job.format.WriteTotal(handle, total, job.resultText)) {
        return false;
    }
    for (const SpecialFolderInfo& entry : kSpecialFolders) {
        if (job.folders.flag(entry.folder) == 0) {
            continue;
        }
        StoreFolder* folder = nullptr;
        if (!OpenFolder(job, entry, folder) ||
            !backupFolder(view, handle, *folder, job.resultText)) {
            job.stopped = view.stopRequested() && job.resultText == kStoppedText;
            return false;
        }
    }
    // A listing that ended early, or messages that arrived during the walk, make the count
    // differ from what was written: declare exactly the records the file holds.
    const DWORD written = job.current.load();
    if (written != total && (!job.format.SkipValidationArea(handle, job.resultText) ||
                             !job.format.WriteTotal(handle, written, job.resultText))) {
        return false;
    }
    return job.format.WriteValidation(handle, job.resultText);
}

std::u16string BackupCompletedText(DWORD written, DWORD counted) {
    std::u16string text = ResourceString(resources::kIdsBackupCompleted);
    if (written < counted) {
        text += u" " + Count(written) + u" of " + Count(counted) +
                u" messages were saved; the others could not be read from the store.";
    }
    return text;
}

} // namespace

JobCommon::JobCommon(std::u16string path_, BackupFile& format_, std::u16string& resultText_)
    : store(kSmsStoreName), lock(device::Folder()), path(std::move(path_)), format(format_),
      resultText(resultText_) {}

BackupJob::BackupJob(std::u16string path_, BackupFile& format_, std::u16string& resultText_,
                     const FolderSelection* chosen)
    : JobCommon(std::move(path_), format_, resultText_) {
    if (chosen != nullptr) {
        folders = *chosen;
    } else {
        LoadFolderSelection(folders);
    }
}

RestoreJob::RestoreJob(std::u16string path_, BackupFile& format_, std::u16string& resultText_)
    : JobCommon(std::move(path_), format_, resultText_) {}

namespace {

// Sets done as the worker's very last access to the job; the result text was written before.
bool Finish(JobCommon& job, bool ok) {
    // The digest library's state for this thread goes first: once done is set, the program may
    // end before a detached worker has.
    ReleaseDigestThreadState();
    job.completed = ok;
    job.done.store(true, std::memory_order_release);
    return ok;
}

// The common start of both workers: the handset must be this job's alone and the store must
// have opened; the counters start at 0.
bool Start(JobCommon& job) {
    if (!job.lock.held()) {
        job.resultText = LockRefusalText(job.lock);
        return false;
    }
    if (!job.store.isOpen()) {
        job.resultText = ResourceString(resources::kIdsAccountInitFailed);
        return false;
    }
    job.current.store(0);
    job.total.store(0);
    return true;
}

} // namespace

bool RunBackup(BackupJob& job) {
    HANDLE handle = 0;
    if (!Start(job) || !job.format.OpenForWrite(job.path, handle, job.resultText)) {
        return Finish(job, false);
    }
    bool ok = BackupBody(job, handle);
    std::u16string closeText;
    // A file whose last bytes did not reach the device is not a completed backup.
    if (!job.format.CloseAfterWrite(handle, closeText) && ok) {
        job.resultText = closeText;
        ok = false;
    }
    if (ok) {
        job.resultText = BackupCompletedText(job.current.load(), job.total.load());
    }
    return Finish(job, ok);
}

bool RunRestore(RestoreJob& job) {
    HANDLE handle = 0;
    if (!Start(job) || !job.format.OpenForRead(job.path, handle, job.resultText)) {
        return Finish(job, false);
    }
    JobView view{job.format, job.current, job.total, job.resultText, &job.stop};
    const bool ok = restoreMessages(job.store, view, handle);
    job.stopped = !ok && job.resultText == kStoppedText;
    job.storeError = view.storeError;
    std::u16string ignored;
    job.format.CloseAfterRead(handle, ignored);
    if (ok) {
        job.resultText = ResourceString(resources::kIdsRestoreCompleted);
    }
    return Finish(job, ok);
}
