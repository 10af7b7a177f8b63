#include "cli/file_commands.h"

#include "app/format_kind.h"
#include "cli/console.h"
#include "cli/file_guess.h"
#include "cli/host_reason.h"
#include "cli/interrupt.h"
#include "cli/visible_text.h"
#include "export/export_text.h"
#include "export/local_time.h"
#include "files/backup_salvage.h"
#include "files/file_access.h"
#include "files/unicode_backup_file.h"
#include "interchange/file_kind.h"
#include "interchange/read_ahead.h"
#include "interchange/streamed_backup_file.h"
#include "model/memory_record.h"
#include "platform/device.h"
#include "platform/utf.h"
#include "resources/string_table.h"
#include "store/message_prefix.h"
#include "store/transfer.h"

#include <filesystem>
#include <limits>

namespace {

constexpr char16_t kOpenPhrase[] = u"begin restore error, ";

// "msgkeeper-cli: FILE: text" on stderr, and the host's reason when one is plain; 1. input,
// when given, is the file that the command reads, for an output that is the same file.
int Fail(const std::u16string& file, const std::u16string& text,
         const std::u16string* input = nullptr) {
    console::Err(u"msgkeeper-cli: " + file + u": " + text + u"\n");
    if (const std::string reason = HostReason(file, input); !reason.empty()) {
        console::Err(u"msgkeeper-cli: " + file + u" " + utf::Utf16(reason) + u"\n");
    }
    return 1;
}

// A read failure in words that fit a command that is no restore, with what the file looks
// like when it failed validation.
std::u16string ReadFailure(const std::u16string& file, const std::u16string& error) {
    if (error.starts_with(kOpenPhrase)) {
        return u"cannot open the file, " +
               error.substr(std::char_traits<char16_t>::length(kOpenPhrase));
    }
    if (error == ResourceString(resources::kIdsValidationFailed)) {
        const std::string hint = NotABackupHint(SniffFile(file));
        return error + (hint.empty() ? u"" : u" " + std::u16string(hint.begin(), hint.end()));
    }
    return error;
}

// The text export's block, with the record's folder path first and control characters shown.
std::u16string Block(DWORD number, MemoryRecord& record) {
    return u"No." + NumberToText(static_cast<int>(number)) + u"\nFolder: " +
           VisibleText(record.folderPath()) + u"\nSender: " + VisibleText(SenderText(record)) +
           u"\nRecipients: " + VisibleText(RecipientsText(record)) + u"\nTime: " +
           FormatLocalTime(record.deliveryTime()) + u"\nContent:\n" +
           VisibleText(record.body(), true) + u"\n\n";
}

// Notes on stderr what an XML file held besides messages (its <mms> elements, for example).
void ReportSkipped(const BackupFile& backup) {
    const auto* streamed = dynamic_cast<const StreamedBackupFile*>(&backup);
    if (streamed != nullptr && streamed->Skipped() != 0) {
        console::Err(u"Skipped: " + NumberToText(static_cast<int>(streamed->Skipped())) +
                     u" elements that hold no SMS (for example MMS).\n");
    }
}

// Writes the validation after records that were all written, and closes the file in any case;
// a close that fails turns a success into a failure with its text.
bool FinishWriting(BackupFile& format, HANDLE handle, bool ok, std::u16string& error) {
    ok = ok && format.WriteValidation(handle, error);
    std::u16string closeError;
    if (!format.CloseAfterWrite(handle, closeError) && ok) {
        error = closeError;
        ok = false;
    }
    return ok;
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
    record = MemoryRecord(std::move(fields), std::move(recipients));
    return true;
}

// The whole file in memory: salvage must see every byte, and a damaged file gives nothing
// better to stream by.
bool ReadWholeFile(const std::u16string& file, std::string& bytes, std::u16string& error) {
    HANDLE handle = OpenForReading(file);
    if (!IsValidHandle(handle)) {
        error = u"cannot open the file, " + ErrorText();
        return false;
    }
    bytes.assign(FileSize(handle), '\0');
    const bool read = ReadExactly(handle, bytes.data(), static_cast<DWORD>(bytes.size()));
    if (!read) {
        error = u"cannot read the file, " + ErrorText();
    }
    CloseIfValid(handle);
    return read;
}

// The records that salvage can recover, written to out as a valid Unicode backup.
bool WriteSalvaged(std::string_view bytes, DWORD count, const std::u16string& out,
                   std::u16string& error) {
    UnicodeBackupFile format;
    HANDLE handle = 0;
    if (!format.OpenForWrite(out, handle, error)) {
        return false;
    }
    bool ok = format.SkipValidationArea(handle, error) && format.WriteTotal(handle, count, error);
    BackupSalvage salvage(bytes);
    MessageFields fields;
    std::vector<Recipient> recipients;
    for (DWORD n = 1; ok && n <= count && salvage.Next(fields, recipients); ++n) {
        if (interrupt::Requested()) {
            error = kStoppedText;
            ok = false;
            break;
        }
        MemoryRecord record(fields, std::move(recipients));
        if (!format.WriteRecord(handle, record, error)) {
            error = MessagePrefix(n) + error;
            ok = false;
        }
    }
    return FinishWriting(format, handle, ok, error);
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// The stretches that salvage passed over, the first 20 one a line, then how many more.
void ReportDamage(const std::vector<BackupSalvage::Damage>& damaged) {
    constexpr std::size_t kShown = 20;
    for (std::size_t i = 0; i < std::min(damaged.size(), kShown); ++i) {
        console::Out("Damaged: bytes " + std::to_string(damaged[i].begin) + "-" +
                     std::to_string(damaged[i].end - 1) + " held no whole message.\n");
    }
    if (damaged.size() > kShown) {
        console::Out("Damaged: " + std::to_string(damaged.size() - kShown) + " more stretches.\n");
    }
}

} // namespace

int InspectBackup(const std::u16string& file) {
    const std::unique_ptr<BackupFile> reader = MakeReader(DetectFileKind(file));
    BackupFile& backup = *reader;
    std::u16string error;
    DWORD total = 0;
    if (!OpenBackup(backup, file, total, error)) {
        return Fail(file, ReadFailure(file, error));
    }
    ReportSkipped(backup);
    console::Out(u"Total: " + NumberToText(static_cast<int>(total)) + u"\n\n");
    for (DWORD n = 1; n <= total && n != 0; ++n) {
        MemoryRecord record;
        if (!ReadOne(backup, n, record, error)) {
            backup.CloseAfterRead(0, error);
            return Fail(file, error);
        }
        console::Out(Block(n, record));
    }
    backup.CloseAfterRead(0, error);
    return 0;
}

namespace {

// The records of the input one at a time: a Unicode backup up to its checked total, an
// interchange file in one pass up to its end.
class ConvertInput {
public:
    explicit ConvertInput(const std::u16string& file)
        : reader_(MakeReader(DetectFileKind(file))),
          streamed_(dynamic_cast<StreamedBackupFile*>(reader_.get())) {}
    ~ConvertInput() {
        std::u16string ignored;
        reader_->CloseAfterRead(0, ignored);
    }
    ConvertInput(const ConvertInput&) = delete;
    ConvertInput& operator=(const ConvertInput&) = delete;

    bool Open(const std::u16string& file, std::u16string& error) {
        if (streamed_ == nullptr) {
            return OpenBackup(*reader_, file, total_, error);
        }
        HANDLE unused = 0;
        return streamed_->OpenForRead(file, unused, error) && streamed_->StartOnePass(error);
    }

    // The total the output announces first; a one-pass input corrects it at the end.
    DWORD Total() const { return total_; }

    ReadStep Next(DWORD number, MemoryRecord& record, std::u16string& error) {
        if (streamed_ == nullptr) {
            if (number > total_ || number == 0) {
                return ReadStep::End;
            }
            return ReadOne(*reader_, number, record, error) ? ReadStep::Record : ReadStep::Failed;
        }
        MessageFields fields;
        std::vector<Recipient> recipients;
        switch (streamed_->Next(fields, recipients, error)) {
        case MessageReader::Result::End:
            return ReadStep::End;
        case MessageReader::Result::Failed:
            return ReadStep::Failed;
        case MessageReader::Result::Message:
            break;
        }
        record = MemoryRecord(std::move(fields), std::move(recipients));
        return ReadStep::Record;
    }

    // A one-pass input fails the way its check pass would: without a record number.
    bool OnePass() const { return streamed_ != nullptr; }
    const BackupFile& reader() const { return *reader_; }

private:
    std::unique_ptr<BackupFile> reader_;
    StreamedBackupFile* streamed_;
    DWORD total_ = 0;
};

// About what a record holds in memory, to keep a batch near its byte budget.
std::size_t RecordWeight(MemoryRecord& record) {
    return 256 + record.body().size() * sizeof(char16_t) + record.recipients().size() * 96;
}

// Writes every record of the input; false with error set, readFailed telling whose fault.
bool WriteConverted(ConvertInput& input, BackupFile& format, HANDLE handle, bool& readFailed,
                    std::u16string& error) {
    const DWORD total = input.Total();
    if (!format.SkipValidationArea(handle, error) || !format.WriteTotal(handle, total, error)) {
        return false;
    }
    ReadAhead<MemoryRecord> ahead(
        [&input](DWORD number, MemoryRecord& record, std::u16string& readError) {
            return input.Next(number, record, readError);
        },
        &RecordWeight);
    DWORD n = 0;
    for (;;) {
        if (interrupt::Requested()) {
            error = kStoppedText;
            return false;
        }
        MemoryRecord* record = nullptr;
        const ReadStep step = ahead.Next(record, error);
        if (step == ReadStep::End) {
            break;
        }
        if (step == ReadStep::Record && n == std::numeric_limits<DWORD>::max()) {
            error = u"read total error, the file holds more messages than a backup can.";
        }
        if (step == ReadStep::Failed || n == std::numeric_limits<DWORD>::max()) {
            readFailed = true;
            return false;
        }
        ++n;
        if (!format.WriteRecord(handle, *record, error)) {
            error = MessagePrefix(n) + error;
            return false;
        }
    }
    return n == total ||
           (format.SkipValidationArea(handle, error) && format.WriteTotal(handle, n, error));
}

// The output as the user named it, for the line that says it is unchanged.
std::string ShownOut(const std::u16string& out) {
    std::string bytes;
    return utf::ToHostBytes(out, bytes) ? bytes : utf::Utf8(out);
}

bool OutputExists(const std::u16string& out) {
    std::filesystem::path host;
    std::error_code ignored;
    return device::ToHostPath(out, host) && std::filesystem::exists(host, ignored);
}

int Convert(const std::u16string& file, BackupFile& format, const std::u16string& out) {
    const bool existed = OutputExists(out);
    interrupt::InstallHandlers();
    ConvertInput input(file);
    std::u16string error;
    if (!input.Open(file, error)) {
        return Fail(file, ReadFailure(file, error));
    }
    if (!input.OnePass()) {
        ReportSkipped(input.reader());
    }
    HANDLE handle = 0;
    bool readFailed = false;
    bool ok = format.OpenForWrite(out, handle, error);
    if (ok) {
        ok = WriteConverted(input, format, handle, readFailed, error);
        ok = FinishWriting(format, handle, ok, error);
    }
    if (!ok && error == kStoppedText) {
        console::Out(interrupt::StoppedText("Convert", ShownOut(out), existed));
        return interrupt::ExitStatus();
    }
    if (readFailed && input.OnePass()) {
        return Fail(file, ReadFailure(file, error)); // the unfinished output is gone already
    }
    if (ok && input.OnePass()) {
        ReportSkipped(input.reader());
    }
    return ok ? 0 : readFailed ? Fail(file, error) : Fail(out, error, &file);
}

} // namespace

int SalvageBackup(const std::u16string& file, const std::u16string& out, bool quiet) {
    std::string bytes;
    std::u16string error;
    if (!ReadWholeFile(file, bytes, error)) {
        return Fail(file, error);
    }
    const FileGuess kind = SniffBytes(bytes, bytes.size());
    if (kind != FileGuess::UnicodeBackup && kind != FileGuess::DamagedUnicodeBackup &&
        kind != FileGuess::Unknown) {
        return Fail(file, u"nothing to salvage. " + Wide(NotABackupHint(kind)));
    }
    BackupSalvage counting(bytes);
    MessageFields fields;
    std::vector<Recipient> recipients;
    while (counting.Next(fields, recipients)) {
    }
    const bool existed = OutputExists(out);
    interrupt::InstallHandlers();
    if (!WriteSalvaged(bytes, counting.recovered(), out, error)) {
        if (error == kStoppedText) {
            console::Out(interrupt::StoppedText("Salvage", ShownOut(out), existed));
            return interrupt::ExitStatus();
        }
        return Fail(out, error);
    }
    if (!quiet) {
        const std::string declared =
            counting.declaredTotal() ? " of " + std::to_string(*counting.declaredTotal()) : "";
        console::Out(u"Salvaged " + Wide(std::to_string(counting.recovered()) + declared) +
                     u" messages to " + out + u"; reading stopped at byte " +
                     Wide(std::to_string(counting.stopOffset())) + u": " +
                     Wide(counting.stopReason()) + u".\n");
        ReportDamage(counting.damaged());
    }
    return 0;
}

bool IsConvertFormat(std::string_view name) {
    return FormatKindFromName(name) || MakeInterchangeFormat(name);
}

int ConvertBackup(const std::u16string& file, std::string_view formatName,
                  const std::u16string& out) {
    if (const auto kind = FormatKindFromName(formatName)) {
        OwnedFormat target(*kind);
        // The output takes its name only when complete, so a flush per record buys nothing.
        if (auto* usms = dynamic_cast<UnicodeBackupFile*>(&target.format())) {
            usms->FlushEachRecord(false);
        }
        return Convert(file, target.format(), out);
    }
    const std::unique_ptr<BackupFile> target = MakeInterchangeFormat(formatName);
    return target ? Convert(file, *target, out) : Fail(out, u"unknown format");
}
