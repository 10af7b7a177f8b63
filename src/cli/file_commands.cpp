#include "cli/file_commands.h"

#include "archive/archive.h"
#include "cli/console.h"
#include "cli/host_reason.h"
#include "cli/interrupt.h"
#include "cli/other_kind.h"
#include "cli/output_format.h"
#include "cli/salvage_hint.h"
#include "cli/transfer_report.h"
#include "cli/visible_text.h"
#include "export/export_text.h"
#include "export/local_time.h"
#include "files/file_access.h"
#include "interchange/streamed_backup_file.h"
#include "platform/device.h"
#include "transfer/convert.h"
#include "transfer/inspect.h"
#include "transfer/merge.h"
#include "transfer/salvage.h"

#include <filesystem>
#include <optional>

namespace {

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
    if (const std::optional<int> status =
            UnfinishedStatus(result, output, {.job = "Convert", .out = out, .input = &file})) {
        return *status;
    }
    ReportSkipped(result.skipped);
    console::Err(LeftOutNote(result.leftOut));
    return 0;
}

int SalvageBackup(const std::u16string& file, const std::u16string& out, bool quiet) {
    if (RefuseFileOfOtherKind(file)) {
        return 1;
    }
    const interrupt::StoppableOutput output(out);
    const SalvageResult result = SalvageFile(file, out, &interrupt::Requested);
    if (const std::optional<int> status = UnfinishedStatus(
            result, output, {.job = "Salvage", .out = out, .suggestSalvage = false})) {
        return *status;
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
    if (const std::optional<int> status =
            UnfinishedStatus(result, output, {.job = "Merge", .out = out})) {
        return *status;
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
    if (const std::optional<int> status = UnfinishedStatus(
            result, output, {.job = "Archive", .out = dir, .errorNamesOutput = true})) {
        return *status;
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
