#include "interchange/file_kind.h"

#include "files/file_access.h"
#include "files/size_digest.h"
#include "files/unicode_backup_file.h"
#include "interchange/json_backup_file.h"
#include "interchange/xml_backup_file.h"
#include "platform/files.h"

using namespace std::string_view_literals;

namespace {

constexpr std::size_t kHeadSize = 64;
constexpr std::uint64_t kUsmsMinimum = 20; // digest and total

bool DigestFits(std::string_view head, std::uint64_t size) {
    return size >= kUsmsMinimum && UnicodeDigestFits(head, size);
}

std::string_view AfterSpace(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

} // namespace

FileKind DetectFileKind(std::string_view head, std::uint64_t size) {
    if (DigestFits(head, size)) {
        return FileKind::Usms;
    }
    if (head.starts_with("\xEF\xBB\xBF")) {
        head.remove_prefix(3);
    } else if (head.starts_with("\xFF\xFE<\0"sv) || head.starts_with("\xFE\xFF\0<"sv)) {
        return FileKind::Xml; // UTF-16 with its byte-order mark; the parser decodes it
    }
    const std::string_view text = AfterSpace(head);
    if (text.starts_with("<?xml") || text.starts_with("<smses") || text.starts_with("<!--")) {
        return FileKind::Xml;
    }
    if (text.starts_with("{")) {
        return FileKind::Json;
    }
    return FileKind::Other;
}

FileKind DetectFileKind(const std::u16string& path) {
    HANDLE file = OpenForReading(path);
    if (!IsValidHandle(file)) {
        return FileKind::Other;
    }
    const std::uint64_t size = FileSize(file);
    std::string head(kHeadSize, '\0');
    DWORD read = 0;
    std::size_t filled = 0;
    while (filled < head.size() &&
           ReadFile(file, head.data() + filled, static_cast<DWORD>(head.size() - filled), &read,
                    nullptr) != FALSE &&
           read != 0) {
        filled += read;
    }
    CloseIfValid(file);
    head.resize(filled);
    return DetectFileKind(head, size);
}

std::unique_ptr<BackupFile> MakeReader(FileKind kind) {
    switch (kind) {
    case FileKind::Xml:
        return std::make_unique<XmlBackupFile>();
    case FileKind::Json:
        return std::make_unique<JsonBackupFile>();
    case FileKind::Usms:
    case FileKind::Other:
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
