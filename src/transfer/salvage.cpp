#include "transfer/salvage.h"

#include "files/backup_salvage.h"
#include "files/file_access.h"
#include "files/message_prefix.h"
#include "files/unicode_backup_file.h"
#include "interchange/byte_source.h"
#include "interchange/file_sniffer.h"
#include "model/memory_record.h"
#include "transfer/finish_writing.h"
#include "transfer/interchange_salvage.h"

namespace {

using Outcome = TransferOutcome;

// The whole file in memory: salvage must see every byte.
bool ReadWholeFile(const std::u16string& file, std::string& bytes, std::u16string& error) {
    HANDLE handle = OpenForReading(file);
    if (!IsValidHandle(handle)) {
        error = u"cannot open the file, " + ErrorText();
        return false;
    }
    // A size that cannot be learnt must not become the size of the buffer.
    DWORD size = 0;
    const bool read = FileSize(handle, size) && (bytes.assign(size, '\0'), true) &&
                      ReadExactly(handle, bytes.data(), size);
    if (!read) {
        error = u"cannot read the file, " + ErrorText();
    }
    CloseIfValid(handle);
    return read;
}

// The count records that salvage can recover, written to out as a valid Unicode backup.
Outcome WriteSalvaged(std::string_view bytes, DWORD count, const std::u16string& out,
                      const StopCheck& stop, std::u16string& error) {
    UnicodeBackupFile format;
    HANDLE handle = 0;
    if (!format.OpenForWrite(out, handle, error)) {
        return Outcome::OutputFailed;
    }
    Outcome outcome =
        format.SkipValidationArea(handle, error) && format.WriteTotal(handle, count, error)
            ? Outcome::Done
            : Outcome::OutputFailed;
    BackupSalvage salvage(bytes);
    MessageFields fields;
    std::vector<Recipient> recipients;
    for (DWORD n = 1; outcome == Outcome::Done && n <= count && salvage.Next(fields, recipients);
         ++n) {
        if (StopRequested(stop)) {
            outcome = Outcome::Stopped;
            break;
        }
        MemoryRecord record(fields, std::move(recipients));
        if (!format.WriteRecord(handle, record, error)) {
            error = MessagePrefix(n) + error;
            outcome = Outcome::OutputFailed;
        }
    }
    if (!FinishWriting(format, handle, outcome == Outcome::Done, error) &&
        outcome == Outcome::Done) {
        outcome = Outcome::OutputFailed;
    }
    return outcome;
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// A phone XML or JSON Lines file, read and written in one pass; the total is corrected at the
// end, as convert does for these files.
void SalvageInterchange(const std::u16string& file, FileKind kind, const std::u16string& out,
                        const StopCheck& stop, SalvageResult& result) {
    result.interchange = true;
    HANDLE input = OpenForReading(file);
    if (!IsValidHandle(input)) {
        result.outcome = Outcome::InputFailed;
        result.error = u"cannot open the file, " + ErrorText();
        return;
    }
    FileByteSource source(input);
    char mark[2] = {};
    const bool utf16 = source.Read(mark, 2) == 2 && ((mark[0] == '\xFF' && mark[1] == '\xFE') ||
                                                     (mark[0] == '\xFE' && mark[1] == '\xFF'));
    // A file that cannot go back to its start would be salvaged without its first two bytes.
    if (!source.Rewind()) {
        result.outcome = Outcome::InputFailed;
        result.error = u"cannot read the file, " + ErrorText();
        CloseIfValid(input);
        return;
    }
    InterchangeSalvage salvage(source, kind, utf16);
    UnicodeBackupFile format;
    format.FlushEachRecord(false); // the output takes its name only when complete
    HANDLE handle = 0;
    if (!format.OpenForWrite(out, handle, result.error)) {
        result.outcome = Outcome::OutputFailed;
        CloseIfValid(input);
        return;
    }
    bool ok = format.SkipValidationArea(handle, result.error) &&
              format.WriteTotal(handle, 0, result.error);
    MessageFields fields;
    std::vector<Recipient> recipients;
    while (ok && salvage.Next(fields, recipients)) {
        if (StopRequested(stop)) {
            result.outcome = Outcome::Stopped;
            ok = false;
            break;
        }
        MemoryRecord record(std::move(fields), std::move(recipients));
        if (!format.WriteRecord(handle, record, result.error)) {
            result.error = MessagePrefix(static_cast<DWORD>(salvage.recovered())) + result.error;
            ok = false;
        }
    }
    // Damage in the file ends a salvage that keeps what came before it; a disk that fails to
    // read it ends it as a failure, as for a Unicode backup.
    if (ok && !source.failure().empty()) {
        result.outcome = Outcome::InputFailed;
        result.error = u"cannot read the file, " + source.failure();
        ok = false;
    }
    CloseIfValid(input);
    result.recovered = static_cast<DWORD>(salvage.recovered());
    ok = ok && format.SkipValidationArea(handle, result.error) &&
         format.WriteTotal(handle, result.recovered, result.error);
    if (!FinishWriting(format, handle, ok, result.error) && result.outcome != Outcome::Stopped) {
        result.outcome = Outcome::OutputFailed;
    }
    result.unmapped = salvage.unmapped();
    result.replaced = salvage.replaced();
    result.leftOut = salvage.leftOut();
    result.stopPlace = salvage.stopReason();
}

// A Unicode backup, read whole and written in two passes.
void SalvageUnicodeBackup(const std::u16string& file, const std::u16string& out,
                          const StopCheck& stop, SalvageResult& result) {
    std::string bytes;
    if (!ReadWholeFile(file, bytes, result.error)) {
        result.outcome = Outcome::InputFailed;
        return;
    }
    const FileKind kind = SniffBytes(bytes, bytes.size());
    if (kind != FileKind::UnicodeBackup && kind != FileKind::DamagedUnicodeBackup &&
        kind != FileKind::Unknown) {
        result.outcome = Outcome::InputFailed;
        result.error = u"nothing to salvage. " + Wide(NotABackupHint(kind));
        return;
    }
    // A first pass counts what reads whole, so that the new file declares it from the start.
    BackupSalvage counting(bytes);
    MessageFields fields;
    std::vector<Recipient> recipients;
    while (counting.Next(fields, recipients)) {
    }
    result.recovered = counting.recovered();
    result.declaredTotal = counting.declaredTotal();
    result.stopOffset = counting.stopOffset();
    result.stopReason = counting.stopReason();
    result.damaged = counting.damaged();
    result.outcome = WriteSalvaged(bytes, result.recovered, out, stop, result.error);
}

} // namespace

SalvageResult SalvageFile(const std::u16string& file, const std::u16string& out,
                          const StopCheck& stop) {
    SalvageResult result;
    const FileKind sniffed = SniffFile(file);
    if (sniffed == FileKind::Xml || sniffed == FileKind::JsonLines) {
        SalvageInterchange(file, sniffed, out, stop, result);
    } else {
        SalvageUnicodeBackup(file, out, stop, result);
    }
    if (result.outcome == Outcome::InputFailed) {
        result.failedFile = file;
    }
    return result;
}
