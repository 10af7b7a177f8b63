#include "transfer/merge.h"

#include "files/message_prefix.h"
#include "files/unicode_backup_file.h"
#include "interchange/read_ahead.h"
#include "transfer/backup_input.h"
#include "transfer/convert_input.h"
#include "transfer/digest_set.h"
#include "transfer/finish_writing.h"

#include <limits>

namespace {

using Outcome = MergeResult::Outcome;

// The output and what it holds so far.
struct Target {
    explicit Target(const StopCheck& check) : stop(check) {
        // The output takes its name only when complete, so a flush per record buys nothing.
        format.FlushEachRecord(false);
    }
    const StopCheck& stop;
    UnicodeBackupFile format;
    HANDLE handle = 0;
    MessageDigester digester;
    DigestSet seen;
};

// Writes the one message if the output does not hold it yet.
Outcome TakeMessage(Target& target, MemoryRecord& record, MergeResult& result) {
    MessageDigest digest;
    if (!target.digester.Digest(record, digest)) {
        result.error = u"cannot tell duplicates apart: the crypto library gives no SHA-256.";
        return Outcome::OutputFailed;
    }
    if (!target.seen.Insert(digest)) {
        ++result.duplicates;
        return Outcome::Merged;
    }
    if (result.written == std::numeric_limits<DWORD>::max()) {
        result.error = u"write total error, the files hold more messages than a backup can.";
        return Outcome::OutputFailed;
    }
    ++result.written;
    if (!target.format.WriteRecord(target.handle, record, result.error)) {
        result.error = MessagePrefix(result.written) + result.error;
        return Outcome::OutputFailed;
    }
    return Outcome::Merged;
}

// Every message of one input that the output does not hold yet, read on a second thread.
Outcome TakeFile(Target& target, const std::u16string& file, MergeResult& result) {
    ConvertInput input(file);
    if (!input.Open(file, result.error)) {
        result.error = ReadFailureText(file, result.error);
        return Outcome::InputFailed;
    }
    ReadAhead<MemoryRecord> ahead(
        [&input](DWORD number, MemoryRecord& record, std::u16string& error) {
            return input.Next(number, record, error);
        },
        &RecordWeight);
    for (;;) {
        MemoryRecord* record = nullptr;
        switch (ahead.Next(record, result.error)) {
        case ReadStep::End:
            result.skipped += input.Skipped();
            result.leftOut += input.LeftOut();
            return Outcome::Merged;
        case ReadStep::Failed:
            // A one-pass input fails as its check would, in the words of a failed open.
            if (input.OnePass()) {
                result.error = ReadFailureText(file, result.error);
            }
            return Outcome::InputFailed;
        case ReadStep::Record:
            break;
        }
        if (StopRequested(target.stop)) { // before the message in hand goes out
            return Outcome::Stopped;
        }
        if (const Outcome taken = TakeMessage(target, *record, result); taken != Outcome::Merged) {
            return taken;
        }
    }
}

Outcome TakeFiles(Target& target, const std::vector<std::u16string>& files, MergeResult& result) {
    if (!target.format.SkipValidationArea(target.handle, result.error) ||
        !target.format.WriteTotal(target.handle, 0, result.error)) {
        return Outcome::OutputFailed;
    }
    for (const std::u16string& file : files) {
        if (const Outcome taken = TakeFile(target, file, result); taken != Outcome::Merged) {
            if (taken == Outcome::InputFailed) {
                result.failedFile = file;
            }
            return taken;
        }
    }
    // The total is known only now: the header declares what the output holds.
    const bool declared = target.format.SkipValidationArea(target.handle, result.error) &&
                          target.format.WriteTotal(target.handle, result.written, result.error);
    return declared ? Outcome::Merged : Outcome::OutputFailed;
}

} // namespace

MergeResult MergeFiles(const std::vector<std::u16string>& files, const std::u16string& out,
                       const StopCheck& stop) {
    MergeResult result;
    Target target(stop);
    if (!target.format.OpenForWrite(out, target.handle, result.error)) {
        result.outcome = Outcome::OutputFailed;
        return result;
    }
    result.outcome = TakeFiles(target, files, result);
    if (!FinishWriting(target.format, target.handle, result.outcome == Outcome::Merged,
                       result.error) &&
        result.outcome == Outcome::Merged) {
        result.outcome = Outcome::OutputFailed;
    }
    return result;
}
