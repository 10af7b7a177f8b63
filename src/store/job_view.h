// What the store's backup walk and restore need of a running job: the file format that reads or
// writes the records, the counters that a progress display polls, and the text of the outcome.
// The jobs own these and lend them for the length of the work.
#pragma once

#include "files/backup_file.h"
#include "platform/result_codes.h"
#include "platform/wintypes.h"

#include <atomic>
#include <string>

struct JobView {
    BackupFile& format;
    std::atomic<DWORD>& current;
    std::atomic<DWORD>& total;
    std::u16string& resultText;
    // When given and set, the work ends after the message in hand, with kStoppedText.
    const std::atomic<bool>* stop = nullptr;
    // The mail library's result of a store write that failed, for a reason beyond the text.
    HRESULT storeError = S_OK;

    [[nodiscard]] bool stopRequested() const {
        return stop != nullptr && stop->load(std::memory_order_relaxed);
    }
};

// The result text of work that ended because it was asked to stop.
inline constexpr char16_t kStoppedText[] = u"Stopped on request.";
