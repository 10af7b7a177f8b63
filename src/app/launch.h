// Starting a backup, export or restore: the launchers carry one command from the choice of a
// file to the acknowledged result. The windows and the command-line tool differ only in how the
// file is chosen and how progress and the result are shown: the JobFrontEnd.
#pragma once

#include "app/folder_selection.h"
#include "files/backup_file.h"
#include "platform/result_codes.h"
#include "platform/wintypes.h"

#include <atomic>
#include <string>

// The counters and the result of a running job, as the progress display sees them. The result
// text may be read only after done was seen set (acquire).
struct JobProgress {
    const std::atomic<bool>& done;
    const std::atomic<DWORD>& total;
    const std::atomic<DWORD>& current;
    const std::u16string& result;
    // Setting it asks the job to end after the message in hand (the command-line tool's Ctrl-C).
    std::atomic<bool>* stop = nullptr;
};

class JobFrontEnd {
public:
    virtual ~JobFrontEnd() = default;
    // The full path of the file to write, for a filter "description|pattern"; empty when the
    // user did not confirm.
    virtual std::u16string ChooseBackupPath(const std::u16string& filter) = 0;
    // The full path of a file to restore, for a pattern such as "*.usms"; empty when the user
    // did not confirm.
    virtual std::u16string ChooseRestorePath(const std::u16string& pattern) = 0;
    // Shows the job's progress until done is set, then its result; returns once the user has
    // acknowledged it. Must not return before done is set.
    virtual void ShowProgress(const JobProgress& progress) = 0;
};

// How a launched command ended. A command whose file choice was cancelled started no job.
struct LaunchResult {
    bool started = false;
    bool completed = false;    // the job ran to its end (its result text says how)
    DWORD handled = 0;         // messages written or restored, plus the record that failed
    DWORD total = 0;           // messages counted in the store, or declared by the file
    bool stopped = false;      // it ended early because the front end asked it to stop
    HRESULT storeError = S_OK; // a restore's failed save: the mail library's result
};

// folders, when given, replaces the saved selection for this job alone.
LaunchResult LaunchBackup(BackupFile& format, const std::u16string& filter, JobFrontEnd& frontEnd,
                          const FolderSelection* folders = nullptr);
LaunchResult LaunchRestore(BackupFile& format, const std::u16string& pattern,
                           JobFrontEnd& frontEnd);
