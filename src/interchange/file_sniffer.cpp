#include "interchange/file_sniffer.h"

#include "files/file_access.h"
#include "files/size_digest.h"
#include "files/unicode_backup_file.h"
#include "interchange/json_backup_file.h"
#include "interchange/xml_backup_file.h"
#include "platform/files.h"

#include <algorithm>
#include <cctype>

using namespace std::string_view_literals;

namespace {

// Enough for an XML declaration and a comment or two before the root element.
constexpr std::size_t kHeadSize = 4096;
constexpr std::size_t kRecordsStart = 20; // digest and total

constexpr std::string_view kSpace = " \t\r\n";

// The start of a text as narrow characters: UTF-16 of either byte order (by its mark) reduced to
// its low bytes, a UTF-8 mark dropped, leading white space skipped. utf16 tells which it was.
std::string TextStart(std::string_view head, bool& utf16) {
    std::string text;
    const bool little = head.starts_with("\xFF\xFE");
    utf16 = little || head.starts_with("\xFE\xFF");
    if (utf16) {
        for (std::size_t i = 2; i + 1 < head.size(); i += 2) {
            const char low = little ? head[i] : head[i + 1];
            const char high = little ? head[i + 1] : head[i];
            text += high == 0 ? low : '?';
        }
    } else {
        text = std::string(head.starts_with("\xEF\xBB\xBF") ? head.substr(3) : head);
    }
    const std::size_t first = text.find_first_not_of(kSpace);
    return first == std::string::npos ? std::string() : text.substr(first);
}

// The name of the first element, past declarations, comments and a document type; empty when
// the head ends before it.
std::string_view RootElement(std::string_view text) {
    for (;;) {
        const std::size_t first = text.find_first_not_of(kSpace);
        if (first == std::string_view::npos) {
            return {};
        }
        text.remove_prefix(first);
        const std::string_view close = text.starts_with("<?")     ? "?>"
                                       : text.starts_with("<!--") ? "-->"
                                       : text.starts_with("<!")   ? ">"
                                                                  : "";
        if (close.empty()) {
            break;
        }
        const std::size_t end = text.find(close, 2);
        if (end == std::string_view::npos) {
            return {};
        }
        text.remove_prefix(end + close.size());
    }
    if (!text.starts_with("<")) {
        return {};
    }
    text.remove_prefix(1);
    return text.substr(0, text.find_first_of(" \t\r\n/>"));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) ==
                      std::toupper(static_cast<unsigned char>(b));
           });
}

FileKind MarkupKind(std::string_view text, bool utf16) {
    if (RootElement(text) == "calls") {
        return FileKind::CallLog;
    }
    const bool readable = utf16 || text.starts_with("<?xml") || text.starts_with("<smses") ||
                          text.starts_with("<!--");
    return readable ? FileKind::Xml : FileKind::OtherXml;
}

} // namespace

FileKind SniffBytes(std::string_view head, std::uint64_t size) {
    if (size == 0) {
        return FileKind::Empty;
    }
    const std::string_view records =
        head.size() > kRecordsStart ? head.substr(kRecordsStart) : std::string_view();
    if (size >= kRecordsStart && UnicodeDigestFits(head, size)) {
        return FileKind::UnicodeBackup;
    }
    if (records.starts_with("I\0P\0M\0"sv)) {
        return FileKind::DamagedUnicodeBackup;
    }
    if ((size >= kRecordsStart && AnsiDigestFits(head, size)) || records.starts_with("IPM.")) {
        return FileKind::AnsiBackup;
    }
    bool utf16 = false;
    const std::string text = TextStart(head, utf16);
    if (text.starts_with("\"Class Name\"")) {
        return FileKind::CsvExport;
    }
    if (text.starts_with("Sender: ")) {
        return FileKind::TextExport;
    }
    if (StartsWithNoCase(text, "BEGIN:VCARD")) {
        return FileKind::Contacts;
    }
    if (text.starts_with("<")) {
        return MarkupKind(text, utf16);
    }
    if (text.starts_with("{")) {
        return FileKind::JsonLines;
    }
    if (text.starts_with("[")) {
        return FileKind::OtherJson;
    }
    return FileKind::Unknown;
}

FileKind SniffFile(const std::u16string& path) {
    HANDLE file = OpenForReading(path);
    if (!IsValidHandle(file)) {
        return FileKind::Unknown;
    }
    std::uint64_t size = 0;
    if (!FileSize64(file, size)) {
        CloseIfValid(file);
        return FileKind::Unknown;
    }
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeadSize)), '\0');
    // A read may give fewer bytes than asked; the head is what the first reads give.
    std::size_t filled = 0;
    DWORD read = 0;
    while (filled < head.size() &&
           ReadFile(file, head.data() + filled, static_cast<DWORD>(head.size() - filled), &read,
                    nullptr) != FALSE &&
           read != 0) {
        filled += read;
    }
    CloseIfValid(file);
    head.resize(filled);
    return SniffBytes(head, size);
}

std::string DescribeKind(FileKind kind) {
    switch (kind) {
    case FileKind::UnicodeBackup:
        return "a Unicode backup (.usms)";
    case FileKind::DamagedUnicodeBackup:
        return "a damaged Unicode backup";
    case FileKind::AnsiBackup:
        return "an ANSI backup (.sms)";
    case FileKind::TextExport:
        return "a text export";
    case FileKind::CsvExport:
        return "a CSV export";
    case FileKind::Xml:
    case FileKind::OtherXml:
        return "an XML file";
    case FileKind::CallLog:
        return "a phone call log";
    case FileKind::JsonLines:
    case FileKind::OtherJson:
        return "a JSON file";
    case FileKind::Contacts:
        return "a contacts file (vCard)";
    case FileKind::Empty:
        return "an empty file";
    case FileKind::Unknown:
        break;
    }
    return "a file of an unknown kind";
}

std::string NotABackupHint(FileKind kind) {
    if (kind == FileKind::UnicodeBackup) {
        return {};
    }
    if (kind == FileKind::DamagedUnicodeBackup) {
        return "It looks like a damaged Unicode backup; 'msgkeeper-cli salvage FILE OUT' "
               "recovers the messages that still read whole.";
    }
    return "It looks like " + DescribeKind(kind) + ", not a Unicode backup (.usms).";
}

std::unique_ptr<BackupFile> MakeReader(FileKind kind) {
    switch (kind) {
    case FileKind::Xml:
    case FileKind::CallLog:
        return std::make_unique<XmlBackupFile>();
    case FileKind::JsonLines:
        return std::make_unique<JsonBackupFile>();
    default:
        break;
    }
    return std::make_unique<UnicodeBackupFile>();
}

std::unique_ptr<BackupFile> MakeInterchangeFormat(std::string_view name) {
    if (name == "xml") {
        return std::make_unique<XmlBackupFile>();
    }
    if (name == "json") {
        return std::make_unique<JsonBackupFile>();
    }
    return nullptr;
}
