#include "app/launch.h"

#include "app/jobs.h"
#include "files/file_access.h"
#include "platform/threads.h"
#include "platform/unique_handle.h"

#include <memory>

namespace {

DWORD BackupThread(void* parameter) {
    RunBackup(*static_cast<BackupJob*>(parameter));
    return 0;
}

DWORD RestoreThread(void* parameter) {
    RunRestore(*static_cast<RestoreJob*>(parameter));
    return 0;
}

// Starts the one worker of a job; when no thread can be made the job ends at once with a text.
template <typename Job> void StartWorker(Job& job, LPTHREAD_START_ROUTINE body) {
    // The launcher neither waits for the thread nor keeps its handle.
    const OwnedHandle thread(CreateThread(nullptr, 0, body, &job, 0, nullptr));
    if (!thread) {
        job.resultText = u"create thread error, " + ErrorText();
        job.done.store(true, std::memory_order_release);
    }
}

// Shows progress, and never lets the job go before its worker has finished, even when the
// front end could not show anything.
template <typename Job> LaunchResult ShowUntilDone(Job& job, JobFrontEnd& frontEnd) {
    frontEnd.ShowProgress(JobProgress{job.done, job.total, job.current, job.resultText, &job.stop});
    while (!job.done.load(std::memory_order_acquire)) {
        Sleep(10);
    }
    LaunchResult result{true, job.completed, job.current.load(), job.total.load(), job.stopped};
    if constexpr (requires { job.storeError; }) {
        result.storeError = job.storeError;
    }
    return result;
}

} // namespace

LaunchResult LaunchBackup(BackupFile& format, const std::u16string& filter, JobFrontEnd& frontEnd,
                          const FolderSelection* folders) {
    const std::u16string path = frontEnd.ChooseBackupPath(filter);
    if (path.empty()) {
        return {};
    }
    std::u16string resultText;
    auto job = std::make_unique<BackupJob>(path, format, resultText, folders);
    StartWorker(*job, BackupThread);
    const LaunchResult result = ShowUntilDone(*job, frontEnd);
    job.reset(); // closes the store session on this thread
    return result;
}

LaunchResult LaunchRestore(BackupFile& format, const std::u16string& pattern,
                           JobFrontEnd& frontEnd) {
    const std::u16string path = frontEnd.ChooseRestorePath(pattern);
    if (path.empty()) {
        return {};
    }
    std::u16string resultText;
    auto job = std::make_unique<RestoreJob>(path, format, resultText);
    StartWorker(*job, RestoreThread);
    const LaunchResult result = ShowUntilDone(*job, frontEnd);
    job.reset();
    return result;
}
