#include "interchange/xml_backup_file.h"

#include "interchange/text_codec.h"
#include "interchange/xml_mapping.h"
#include "interchange/xml_message_reader.h"

#include <string_view>

namespace {

constexpr std::string_view kProlog = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n";
constexpr std::string_view kRootStart = "<smses ";
// count="4294967295": the count is padded with spaces to this width, so that the final count
// can replace the announced one in place.
constexpr std::size_t kCountWidth = 18;

std::string CountAttribute(DWORD count) {
    std::string text = "count=\"";
    interchange::AppendNumber(text, count);
    text += '"';
    text.resize(kCountWidth, ' ');
    return text;
}

} // namespace

std::unique_ptr<MessageReader> XmlBackupFile::NewReader(ByteSource& source) const {
    return std::make_unique<XmlMessageReader>(source);
}

void XmlBackupFile::AppendHeader(std::string& out, DWORD total) const {
    out += kProlog;
    out += kRootStart;
    out += CountAttribute(total);
    out += ">\n";
}

void XmlBackupFile::AppendRecord(std::string& out, MessageRecord& message,
                                 const std::u16string& folderPath) const {
    interchange::AppendSmsElement(out, message, folderPath);
}

void XmlBackupFile::AppendFooter(std::string& out) const {
    out += "</smses>\n";
}

std::optional<StreamedBackupFile::CountPatch> XmlBackupFile::PatchCount(DWORD written) const {
    return CountPatch{kProlog.size() + kRootStart.size(), CountAttribute(written)};
}
