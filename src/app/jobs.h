// The records that a backup or restore job's launcher, its worker thread and its progress
// display share, and the two worker bodies.
//
// The worker writes current, total and the result text, and sets done as its very last access
// to the job (release); the user-interface thread reads the result only after it has seen done
// set (acquire). The store is opened and closed on the launching thread and used in between
// only by the worker.
#pragma once

#include "app/folder_selection.h"
#include "files/backup_file.h"
#include "platform/handset_lock.h"
#include "store/message_store.h"

#include <atomic>
#include <string>

// What a backup and a restore job hold alike: the store, the file and the data the two threads
// share. Only the two jobs below are built from it.
struct JobCommon {
    MessageStore store; // declared first: the session opens before anything else is built
    HandsetLock lock;   // held for the job's whole life; a job without it does nothing
    std::u16string path;
    BackupFile& format;
    std::u16string& resultText;
    std::atomic<DWORD> current{0};
    std::atomic<DWORD> total{0};
    std::atomic<bool> done{false};
    std::atomic<bool> stop{false}; // set by the launching thread: end after the message in hand
    bool completed = false;        // the worker's result, written before done
    bool stopped = false;          // it ended because stop was set

protected:
    // Opens the store named "SMS" and takes the handset for this job.
    JobCommon(std::u16string path, BackupFile& format, std::u16string& resultText);
    ~JobCommon() = default;
};

struct BackupJob : JobCommon {
    // Loads the folder selection from settings.dat, unless the caller chose the folders for this
    // one job.
    BackupJob(std::u16string path, BackupFile& format, std::u16string& resultText,
              const FolderSelection* chosen = nullptr);

    FolderSelection folders;
};

struct RestoreJob : JobCommon {
    RestoreJob(std::u16string path, BackupFile& format, std::u16string& resultText);

    HRESULT storeError = S_OK; // the mail library's result of a failed save
};

// The result text of a job that finds another backup or restore running on the handset; a lock
// that cannot be tried at all says why instead (LockRefusalText).
inline constexpr char16_t kHandsetBusyText[] =
    u"The handset is busy with another backup or restore. Try again when it has finished.";

// The worker bodies; each ends by setting done. The result is what the job achieved; resultText
// then holds the whole text the user reads, on failure as on success.
bool RunBackup(BackupJob& job);
bool RunRestore(RestoreJob& job);
