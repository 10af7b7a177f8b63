// What every job that reads backup files and writes one output reports (convert, merge, salvage,
// and the archive above this layer), so that a front end turns any of them into its exit status
// and its failure lines in one place.
#pragma once

#include <string>

enum class TransferOutcome {
    Done,
    InputFailed,  // failedFile cannot be opened or read: error concerns it
    OutputFailed, // the output cannot be written: error concerns it
    Stopped,      // stop asked for it; no output was left
};

struct TransferResult {
    TransferOutcome outcome = TransferOutcome::Done;
    // On failure, the whole reason as the user reads it after the file it concerns.
    std::u16string error;
    std::u16string failedFile; // the input that failed, on InputFailed
    // Characters U+0000 left out of the inputs' texts, which no message can hold.
    unsigned long leftOut = 0;
};
