#include "cli/file_commands.h"

#include "app/format_kind.h"
#include "cli/console.h"
#include "export/export_text.h"
#include "export/local_time.h"
#include "files/file_access.h"
#include "interchange/file_kind.h"
#include "interchange/streamed_backup_file.h"
#include "model/memory_record.h"
#include "store/message_prefix.h"

namespace {

int Fail(const std::u16string& text) {
    console::Err(text + u"\n");
    return 1;
}

// The text export's block, with the record's folder path first.
std::u16string Block(DWORD number, MemoryRecord& record) {
    return u"No." + NumberToText(static_cast<int>(number)) + u"\nFolder: " + record.folderPath() +
           u"\nSender: " + SenderText(record) + u"\nRecipients: " + RecipientsText(record) +
           u"\nTime: " + FormatLocalTime(record.deliveryTime()) + u"\nContent:\n" + record.body() +
           u"\n\n";
}

// Notes on stderr what an XML file held besides messages (its <mms> elements, for example).
void ReportSkipped(const BackupFile& backup) {
    const auto* streamed = dynamic_cast<const StreamedBackupFile*>(&backup);
    if (streamed != nullptr && streamed->Skipped() != 0) {
        console::Err(u"Skipped: " + NumberToText(static_cast<int>(streamed->Skipped())) +
                     u" elements that hold no SMS (for example MMS).\n");
    }
}

// Opens a backup and checks it and its total, as a restore does first.
bool OpenBackup(BackupFile& backup, const std::u16string& file, DWORD& total,
                std::u16string& error) {
    HANDLE handle = 0;
    if (!backup.OpenForRead(file, handle, error)) {
        return false;
    }
    if (!backup.CheckValidation(handle, error) || !backup.ReadTotal(handle, total, error)) {
        backup.CloseAfterRead(handle, error);
        return false;
    }
    return true;
}

bool ReadOne(BackupFile& backup, DWORD number, MemoryRecord& record, std::u16string& error) {
    MessageFields fields;
    std::vector<Recipient> recipients;
    if (!backup.ReadRecord(0, fields, recipients, error)) {
        error = MessagePrefix(number) + error;
        return false;
    }
    record = MemoryRecord(fields, std::move(recipients));
    return true;
}

} // namespace

int InspectBackup(const std::u16string& file) {
    const std::unique_ptr<BackupFile> reader = MakeReader(DetectFileKind(file));
    BackupFile& backup = *reader;
    std::u16string error;
    DWORD total = 0;
    if (!OpenBackup(backup, file, total, error)) {
        return Fail(error);
    }
    ReportSkipped(backup);
    console::Out(u"Total: " + NumberToText(static_cast<int>(total)) + u"\n\n");
    for (DWORD n = 1; n <= total && n != 0; ++n) {
        MemoryRecord record;
        if (!ReadOne(backup, n, record, error)) {
            backup.CloseAfterRead(0, error);
            return Fail(error);
        }
        console::Out(Block(n, record));
    }
    backup.CloseAfterRead(0, error);
    return 0;
}

namespace {

int Convert(const std::u16string& file, BackupFile& format, const std::u16string& out) {
    const std::unique_ptr<BackupFile> reader = MakeReader(DetectFileKind(file));
    BackupFile& backup = *reader;
    std::u16string error;
    DWORD total = 0;
    if (!OpenBackup(backup, file, total, error)) {
        return Fail(error);
    }
    ReportSkipped(backup);
    HANDLE handle = 0;
    bool ok = format.OpenForWrite(out, handle, error);
    if (ok) {
        ok = format.SkipValidationArea(handle, error) && format.WriteTotal(handle, total, error);
        for (DWORD n = 1; ok && n <= total && n != 0; ++n) {
            MemoryRecord record;
            ok = ReadOne(backup, n, record, error);
            if (ok && !format.WriteRecord(handle, record, error)) {
                error = MessagePrefix(n) + error;
                ok = false;
            }
        }
        ok = ok && format.WriteValidation(handle, error);
        std::u16string closeError;
        if (!format.CloseAfterWrite(handle, closeError) && ok) {
            error = closeError;
            ok = false;
        }
    }
    backup.CloseAfterRead(0, error);
    return ok ? 0 : Fail(error);
}

} // namespace

bool IsConvertFormat(std::string_view name) {
    return FormatKindFromName(name) || MakeInterchangeFormat(name);
}

int ConvertBackup(const std::u16string& file, std::string_view formatName,
                  const std::u16string& out) {
    if (const auto kind = FormatKindFromName(formatName)) {
        OwnedFormat target(*kind);
        return Convert(file, target.format(), out);
    }
    const std::unique_ptr<BackupFile> target = MakeInterchangeFormat(formatName);
    return target ? Convert(file, *target, out) : Fail(u"unknown format");
}
