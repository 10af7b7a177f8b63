#include "cli/file_guess.h"

#include "files/file_access.h"
#include "files/size_digest.h"
#include "platform/files.h"

#include <algorithm>

namespace {

constexpr std::size_t kHeadSize = 4096;
constexpr std::size_t kRecordsStart = 20;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The start of a text as narrow characters: UTF-16 (with its byte order mark) reduced to its
// low bytes, a UTF-8 mark dropped, leading white space skipped.
std::string TextStart(std::string_view head) {
    std::string text;
    if (StartsWith(head, "\xFF\xFE")) {
        for (std::size_t i = 2; i + 1 < head.size(); i += 2) {
            text += head[i + 1] == 0 ? head[i] : '?';
        }
    } else {
        text = std::string(StartsWith(head, "\xEF\xBB\xBF") ? head.substr(3) : head);
    }
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : text.substr(first);
}

} // namespace

FileGuess SniffBytes(std::string_view head, std::uint64_t size) {
    if (size == 0) {
        return FileGuess::Empty;
    }
    const std::string_view records = head.size() > kRecordsStart ? head.substr(kRecordsStart) : "";
    if (size >= kRecordsStart && UnicodeDigestFits(head, size)) {
        return FileGuess::UnicodeBackup;
    }
    if (StartsWith(records, std::string_view("I\0P\0M\0", 6))) {
        return FileGuess::DamagedUnicodeBackup;
    }
    if ((size >= kRecordsStart && AnsiDigestFits(head, size)) || StartsWith(records, "IPM.")) {
        return FileGuess::AnsiBackup;
    }
    const std::string text = TextStart(head);
    if (StartsWith(text, "\"Class Name\"")) {
        return FileGuess::CsvExport;
    }
    if (StartsWith(text, "Sender: ")) {
        return FileGuess::TextExport;
    }
    if (StartsWith(text, "<")) {
        return FileGuess::Xml;
    }
    if (StartsWith(text, "{") || StartsWith(text, "[")) {
        return FileGuess::Json;
    }
    return FileGuess::Unknown;
}

FileGuess SniffFile(const std::u16string& path) {
    HANDLE file = OpenForReading(path);
    if (!IsValidHandle(file)) {
        return FileGuess::Unknown;
    }
    const DWORD size = FileSize(file);
    std::string head(std::min<std::size_t>(size, kHeadSize), '\0');
    DWORD read = 0;
    const bool ok = ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
    CloseIfValid(file);
    return ok ? SniffBytes(std::string_view(head).substr(0, read), size) : FileGuess::Unknown;
}

std::string DescribeKind(FileGuess kind) {
    switch (kind) {
    case FileGuess::UnicodeBackup:
        return "a Unicode backup (.usms)";
    case FileGuess::DamagedUnicodeBackup:
        return "a damaged Unicode backup";
    case FileGuess::AnsiBackup:
        return "an ANSI backup (.sms)";
    case FileGuess::TextExport:
        return "a text export";
    case FileGuess::CsvExport:
        return "a CSV export";
    case FileGuess::Xml:
        return "an XML file";
    case FileGuess::Json:
        return "a JSON file";
    case FileGuess::Empty:
        return "an empty file";
    case FileGuess::Unknown:
        break;
    }
    return "a file of an unknown kind";
}

std::string NotABackupHint(FileGuess kind) {
    if (kind == FileGuess::UnicodeBackup) {
        return {};
    }
    if (kind == FileGuess::DamagedUnicodeBackup) {
        return "It looks like a damaged Unicode backup; 'msgkeeper-cli salvage FILE OUT' "
               "recovers the messages that still read whole.";
    }
    return "It looks like " + DescribeKind(kind) + ", not a Unicode backup (.usms).";
}
