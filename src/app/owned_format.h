// The seven kinds of file that the window's backup and export commands write, each with its
// format object, its text encoder (for the exports) and its Save-as filter. The windows and the
// command-line tool build these formats here, so both use the same objects; the tool adds the
// interchange formats of its own.
#pragma once

#include "files/backup_file.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class TextEncoder;

enum class FormatKind { Sms, Usms, TextAnsi, TextUtf8, TextUnicode, CsvAnsi, CsvUtf8 };

// A format object together with the encoder it refers to; the encoder is built first and
// destroyed last.
class OwnedFormat {
public:
    explicit OwnedFormat(FormatKind kind);
    ~OwnedFormat();
    OwnedFormat(const OwnedFormat&) = delete;
    OwnedFormat& operator=(const OwnedFormat&) = delete;

    BackupFile& format() { return *format_; }
    const TextEncoder* encoder() const { return encoder_.get(); }

private:
    std::unique_ptr<TextEncoder> encoder_;
    std::unique_ptr<BackupFile> format_;
};

// The Save-as filter, "description|pattern".
std::u16string FilterOf(FormatKind kind);

// The command-line names: usms, sms, txt-ansi, txt-utf8, txt-unicode, csv-ansi, csv-utf8.
std::optional<FormatKind> FormatKindFromName(std::string_view name);

// The pattern of the backups that a restore offers.
inline constexpr char16_t kRestorePattern[] = u"*.usms";
