#include "transfer/convert.h"

#include "files/message_prefix.h"
#include "files/unicode_backup_file.h"
#include "interchange/read_ahead.h"
#include "transfer/backup_input.h"
#include "transfer/convert_input.h"
#include "transfer/finish_writing.h"

#include <limits>
#include <optional>

namespace {

using Outcome = TransferOutcome;

// Writes every record of the input; on failure the outcome says whose fault it was.
Outcome WriteConverted(ConvertInput& input, BackupFile& format, HANDLE handle,
                       const StopCheck& stop, DWORD& written, std::u16string& error) {
    const DWORD total = input.Total();
    if (!format.SkipValidationArea(handle, error) || !format.WriteTotal(handle, total, error)) {
        return Outcome::OutputFailed;
    }
    // A one-pass input parses on threads of its own already: its records are mapped here, beside
    // their writing, where a further thread would only hand each record across cores.
    std::optional<ReadAhead<MemoryRecord>> ahead;
    if (!input.OnePass()) {
        ahead.emplace(
            [&input](DWORD number, MemoryRecord& record, std::u16string& readError) {
                return input.Next(number, record, readError);
            },
            &RecordWeight);
    }
    MemoryRecord here; // the record in hand when read here, refilled in place
    DWORD& n = written;
    for (;;) {
        if (StopRequested(stop)) {
            return Outcome::Stopped;
        }
        MemoryRecord* record = &here;
        const ReadStep step = ahead ? ahead->Next(record, error) : input.Next(n + 1, here, error);
        if (step == ReadStep::End) {
            break;
        }
        if (step == ReadStep::Record && n == std::numeric_limits<DWORD>::max()) {
            error = u"read total error, the file holds more messages than a backup can.";
        }
        if (step == ReadStep::Failed || n == std::numeric_limits<DWORD>::max()) {
            return Outcome::InputFailed;
        }
        ++n;
        if (!format.WriteRecord(handle, *record, error)) {
            error = MessagePrefix(n) + error;
            return Outcome::OutputFailed;
        }
    }
    // A one-pass input learns its total only now: the output declares what it holds.
    const bool declared = n == total || (format.SkipValidationArea(handle, error) &&
                                         format.WriteTotal(handle, n, error));
    return declared ? Outcome::Done : Outcome::OutputFailed;
}

} // namespace

ConvertResult ConvertFile(const std::u16string& file, BackupFile& target, const std::u16string& out,
                          const StopCheck& stop) {
    ConvertResult result;
    // The output takes its name only when complete, so a flush per record buys nothing.
    if (auto* usms = dynamic_cast<UnicodeBackupFile*>(&target)) {
        usms->FlushEachRecord(false);
    }
    ConvertInput input(file);
    if (!input.Open(file, result.error)) {
        result.outcome = Outcome::InputFailed;
        result.error = ReadFailureText(file, result.error);
        result.failedFile = file;
        return result;
    }
    HANDLE handle = 0;
    if (!target.OpenForWrite(out, handle, result.error)) {
        result.outcome = Outcome::OutputFailed;
        return result;
    }
    result.outcome = WriteConverted(input, target, handle, stop, result.written, result.error);
    if (!FinishWriting(target, handle, result.outcome == Outcome::Done, result.error) &&
        result.outcome == Outcome::Done) {
        result.outcome = Outcome::OutputFailed;
    }
    if (result.outcome == Outcome::InputFailed) {
        result.failedFile = file;
        if (input.OnePass()) {
            // A one-pass input fails as its check would, in the words of a failed open or check.
            result.error = ReadFailureText(file, result.error);
        }
    }
    if (result.outcome == Outcome::Done) {
        result.skipped = input.Skipped();
        result.leftOut = input.LeftOut();
    }
    return result;
}
