// The records of a file that convert reads, one at a time: a Unicode backup up to its checked
// total, an XML or JSON Lines file in one pass up to its end (its output is discarded when the
// input proves damaged, so no check pass is needed first).
#pragma once

#include "files/backup_file.h"
#include "interchange/read_ahead.h"
#include "model/memory_record.h"

#include <memory>
#include <string>

class StreamedBackupFile;

class ConvertInput {
public:
    // Chooses the reader by the file's content.
    explicit ConvertInput(const std::u16string& file);
    ~ConvertInput();
    ConvertInput(const ConvertInput&) = delete;
    ConvertInput& operator=(const ConvertInput&) = delete;

    // False with the reader's own text in error, which the caller rewords with ReadFailureText.
    [[nodiscard]] bool Open(const std::u16string& file, std::u16string& error);

    // The total the output announces first; a one-pass input corrects it at the end.
    DWORD Total() const { return total_; }

    // Record number (1, 2, ...), the end, or a failure with its text: "No.n:" before it for a
    // Unicode backup; the reader's own for a one-pass input, which the caller rewords.
    [[nodiscard]] ReadStep Next(DWORD number, MemoryRecord& record, std::u16string& error);

    // A one-pass input fails the way its check pass would: without a record number.
    [[nodiscard]] bool OnePass() const { return streamed_ != nullptr; }
    // Elements of a one-pass input read so far that held no message (an XML file's <mms>).
    unsigned long Skipped() const;
    // Characters U+0000 of a one-pass input read so far that were left out of its texts.
    unsigned long LeftOut() const;

private:
    std::unique_ptr<BackupFile> reader_;
    StreamedBackupFile* streamed_;
    DWORD total_ = 0;
};

// About what a record holds in memory, to keep a batch of ReadAhead near its byte budget.
std::size_t RecordWeight(MemoryRecord& record);
