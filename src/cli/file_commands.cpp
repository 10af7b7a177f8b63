#include "cli/file_commands.h"

#include "archive/archive.h"
#include "cli/console.h"
#include "cli/host_reason.h"
#include "cli/interrupt.h"
#include "cli/other_kind.h"
#include "cli/output_format.h"
#include "cli/salvage_hint.h"
#include "cli/visible_text.h"
#include "export/export_text.h"
#include "export/local_time.h"
#include "files/file_access.h"
#include "interchange/streamed_backup_file.h"
#include "platform/device.h"
#include "platform/utf.h"
#include "transfer/convert.h"
#include "transfer/inspect.h"
#include "transfer/merge.h"
#include "transfer/salvage.h"

#include <filesystem>

namespace {

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

// The text export's block, with the record's folder path first and control characters shown.
std::u16string Block(DWORD number, MemoryRecord& record) {
    return u"No." + NumberToText(static_cast<int>(number)) + u"\nFolder: " +
           VisibleText(record.folderPath()) + u"\nSender: " + VisibleText(SenderText(record)) +
           u"\nRecipients: " + VisibleText(RecipientsText(record)) + u"\nTime: " +
           FormatLocalTime(record.deliveryTime()) + u"\nContent:\n" +
           VisibleText(record.body(), true) + u"\n\n";
}

// Notes on stderr what an XML file held besides messages (its <mms> elements, for example).
void ReportSkipped(unsigned long skipped) {
    if (skipped != 0) {
        console::Err(u"Skipped: " + NumberToText(static_cast<int>(skipped)) +
                     u" elements that hold no SMS (for example MMS).\n");
    }
}

std::u16string Wide(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// What salvage of a phone XML or JSON Lines file kept, passed over and replaced.
void ReportInterchangeSalvage(const SalvageResult& result, const std::u16string& out) {
    console::Out(u"Salvaged " + Wide(std::to_string(result.recovered)) + u" messages to " + out +
                 u"; reading stopped at " + result.stopPlace + u".\n");
    for (const std::u16string& skipped : result.unmapped.first) {
        console::Out(u"Skipped: " + VisibleText(skipped) + u"\n");
    }
    if (result.unmapped.count > result.unmapped.first.size()) {
        console::Out(
            "Skipped: " + std::to_string(result.unmapped.count - result.unmapped.first.size()) +
            " more messages whose values do not map.\n");
    }
    if (result.replaced != 0) {
        console::Out("Replaced: " + std::to_string(result.replaced) +
                     (result.replaced == 1 ? " byte that is" : " bytes that are") +
                     " not UTF-8, each with U+FFFD.\n");
    }
    console::Err(LeftOutNote(result.leftOut));
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

// The output as the user named it, for the line that says it is unchanged.
std::string ShownOut(const std::u16string& out) {
    std::string bytes;
    return utf::ToHostBytes(out, bytes) ? bytes : utf::Utf8(out);
}

// "1 file", "2,000 files".
std::string Counted(unsigned long long n, const std::string& noun) {
    return interrupt::Grouped(n) + " " + noun + (n == 1 ? "" : "s");
}

} // namespace

int InspectBackup(const std::u16string& file) {
    if (RefuseFileOfOtherKind(file)) {
        return 1;
    }
    const InspectResult result = InspectFile(
        file,
        [](DWORD total, unsigned long skipped) {
            ReportSkipped(skipped);
            console::Out(u"Total: " + NumberToText(static_cast<int>(total)) + u"\n\n");
        },
        [](DWORD number, MemoryRecord& record) { console::Out(Block(number, record)); });
    console::Err(LeftOutNote(result.leftOut));
    if (!result.ok) {
        Fail(file, result.error);
        SuggestSalvage(result.error, file);
        return 1;
    }
    return 0;
}

int ConvertBackup(const std::u16string& file, std::string_view formatName,
                  const std::u16string& out) {
    if (!IsOutputFormat(formatName)) {
        return Fail(out, u"unknown format");
    }
    if (RefuseFileOfOtherKind(file)) {
        return 1;
    }
    OutputFormat target(formatName);
    const interrupt::StoppableOutput output(out);
    const ConvertResult result = ConvertFile(file, target.format(), out, &interrupt::Requested);
    switch (result.outcome) {
    case ConvertResult::Outcome::Converted:
        ReportSkipped(result.skipped);
        console::Err(LeftOutNote(result.leftOut));
        return 0;
    case ConvertResult::Outcome::Stopped:
        return output.Stopped("Convert", ShownOut(out));
    case ConvertResult::Outcome::InputFailed:
        Fail(file, result.error); // the unfinished output is gone already
        SuggestSalvage(result.error, file);
        return 1;
    case ConvertResult::Outcome::OutputFailed:
        break;
    }
    return Fail(out, result.error, &file);
}

int SalvageBackup(const std::u16string& file, const std::u16string& out, bool quiet) {
    if (RefuseFileOfOtherKind(file)) {
        return 1;
    }
    const interrupt::StoppableOutput output(out);
    const SalvageResult result = SalvageFile(file, out, &interrupt::Requested);
    switch (result.outcome) {
    case SalvageResult::Outcome::Salvaged:
        break;
    case SalvageResult::Outcome::Stopped:
        return output.Stopped("Salvage", ShownOut(out));
    case SalvageResult::Outcome::InputFailed:
        return Fail(file, result.error);
    case SalvageResult::Outcome::OutputFailed:
        return Fail(out, result.error);
    }
    if (!quiet && result.interchange) {
        ReportInterchangeSalvage(result, out);
    } else if (!quiet) {
        const std::string declared =
            result.declaredTotal ? " of " + std::to_string(*result.declaredTotal) : "";
        console::Out(u"Salvaged " + Wide(std::to_string(result.recovered) + declared) +
                     u" messages to " + out + u"; reading stopped at byte " +
                     Wide(std::to_string(result.stopOffset)) + u": " + Wide(result.stopReason) +
                     u".\n");
        ReportDamage(result.damaged);
    }
    return 0;
}

int MergeBackups(const std::vector<std::u16string>& files, const std::u16string& out, bool quiet) {
    for (const std::u16string& file : files) {
        if (RefuseFileOfOtherKind(file)) {
            return 1;
        }
        // Its earlier messages would be read while its new ones are written.
        if (IsSameFile(out, file)) {
            return Fail(out, u"is one of the files to merge; choose another name for the output");
        }
    }
    const interrupt::StoppableOutput output(out);
    const MergeResult result = MergeFiles(files, out, &interrupt::Requested);
    switch (result.outcome) {
    case MergeResult::Outcome::Merged:
        break;
    case MergeResult::Outcome::Stopped:
        return output.Stopped("Merge", ShownOut(out));
    case MergeResult::Outcome::InputFailed:
        Fail(result.failedFile, result.error); // the unfinished output is gone already
        SuggestSalvage(result.error, result.failedFile);
        return 1;
    case MergeResult::Outcome::OutputFailed:
        return Fail(out, result.error);
    }
    ReportSkipped(result.skipped);
    console::Err(LeftOutNote(result.leftOut));
    if (!quiet) {
        console::Out("Merged " + Counted(files.size(), "file") + ": " +
                     Counted(result.written, "message") + ", " +
                     Counted(result.duplicates, "duplicate") + " left out.\n");
    }
    return 0;
}

std::string ArchivedText(const std::string& shownDir, unsigned long long messages,
                         std::size_t conversations) {
    return "Archived " + Counted(messages, "message") + " in " +
           Counted(conversations, "conversation") + " to " + shownDir + "; open " + shownDir +
           "/index.html in a browser.\n";
}

int ArchiveBackups(const std::vector<std::u16string>& files, const std::u16string& dir,
                   bool quiet) {
    for (const std::u16string& file : files) {
        if (RefuseFileOfOtherKind(file)) {
            return 1;
        }
    }
    const interrupt::StoppableOutput output(dir);
    const ArchiveResult result = ArchiveFiles(files, dir, &interrupt::Requested);
    switch (result.outcome) {
    case ArchiveResult::Outcome::Written:
        break;
    case ArchiveResult::Outcome::Stopped:
        return output.Stopped("Archive", ShownOut(dir));
    case ArchiveResult::Outcome::InputFailed:
        Fail(result.failedFile, result.error); // the unfinished site is gone already
        SuggestSalvage(result.error, result.failedFile);
        return 1;
    case ArchiveResult::Outcome::OutputFailed:
        console::Err(u"msgkeeper-cli: " + result.error + u"\n");
        return 1;
    }
    ReportSkipped(result.skipped);
    console::Err(LeftOutNote(result.leftOut));
    if (!quiet) {
        std::string line =
            ArchivedText(ShownOut(dir), result.counts.messages, result.counts.conversations);
        if (result.counts.duplicates != 0) {
            line.insert(line.find(" to "),
                        " (" + Counted(result.counts.duplicates, "duplicate") + " left out)");
        }
        console::Out(line);
    }
    return 0;
}
