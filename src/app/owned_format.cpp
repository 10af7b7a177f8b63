#include "app/owned_format.h"

#include "export/ansi_encoder.h"
#include "export/csv_export_file.h"
#include "export/text_export_file.h"
#include "export/unicode_encoder.h"
#include "export/utf8_encoder.h"
#include "files/ansi_backup_file.h"
#include "files/unicode_backup_file.h"

#include <array>

namespace {

struct KindInfo {
    FormatKind kind;
    std::string_view name;
    std::u16string_view filter;
};

constexpr std::array<KindInfo, 7> kKinds = {{
    {FormatKind::Usms, "usms", u"Unicode SMS Manager File(*.usms)|*.usms"},
    {FormatKind::Sms, "sms", u"SMS Manager File(*.sms)|*.sms"},
    {FormatKind::TextAnsi, "txt-ansi", u"Text File(*.txt)|*.txt"},
    {FormatKind::TextUtf8, "txt-utf8", u"Text File(*.txt)|*.txt"},
    {FormatKind::TextUnicode, "txt-unicode", u"Text File(*.txt)|*.txt"},
    {FormatKind::CsvAnsi, "csv-ansi", u"CSV File(*.csv)|*.csv"},
    {FormatKind::CsvUtf8, "csv-utf8", u"CSV File(*.csv)|*.csv"},
}};

const KindInfo& InfoOf(FormatKind kind) {
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind) {
            return info;
        }
    }
    return kKinds.front();
}

std::unique_ptr<TextEncoder> MakeEncoder(FormatKind kind) {
    switch (kind) {
    case FormatKind::TextAnsi:
    case FormatKind::CsvAnsi:
        return std::make_unique<AnsiEncoder>();
    case FormatKind::TextUtf8:
    case FormatKind::CsvUtf8:
        return std::make_unique<Utf8Encoder>();
    case FormatKind::TextUnicode:
        return std::make_unique<UnicodeEncoder>();
    default:
        return nullptr;
    }
}

std::unique_ptr<BackupFile> MakeFormat(FormatKind kind, const TextEncoder* encoder) {
    switch (kind) {
    case FormatKind::Sms:
        return std::make_unique<AnsiBackupFile>();
    case FormatKind::Usms:
        return std::make_unique<UnicodeBackupFile>();
    case FormatKind::TextAnsi:
    case FormatKind::TextUtf8:
    case FormatKind::TextUnicode:
        return std::make_unique<TextExportFile>(*encoder);
    case FormatKind::CsvAnsi:
    case FormatKind::CsvUtf8:
        return std::make_unique<CsvExportFile>(*encoder);
    }
    return nullptr;
}

} // namespace

OwnedFormat::OwnedFormat(FormatKind kind)
    : encoder_(MakeEncoder(kind)), format_(MakeFormat(kind, encoder_.get())) {}

OwnedFormat::~OwnedFormat() {
    format_.reset(); // the export refers to the encoder until it is gone
}

std::u16string FilterOf(FormatKind kind) {
    return std::u16string(InfoOf(kind).filter);
}

std::optional<FormatKind> FormatKindFromName(std::string_view name) {
    for (const KindInfo& info : kKinds) {
        if (info.name == name) {
            return info.kind;
        }
    }
    return std::nullopt;
}
