// The formats that backup and convert write, by their command-line names: the seven kinds of the
// window's menu, with the same format objects, and the interchange formats xml and json.
#pragma once

#include "app/owned_format.h"
#include "files/backup_file.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Every name, for the help and the usage errors: "usms, sms, ..., xml or json".
inline constexpr char kOutputFormatNames[] =
    "usms, sms, txt-ansi, txt-utf8, txt-unicode, csv-ansi, csv-utf8, xml or json";

[[nodiscard]] bool IsOutputFormat(std::string_view name);

class OutputFormat {
public:
    // The format of a name for which IsOutputFormat holds.
    explicit OutputFormat(std::string_view name);
    OutputFormat(const OutputFormat&) = delete;
    OutputFormat& operator=(const OutputFormat&) = delete;

    BackupFile& format();
    // The Save-as filter, "description|pattern", that a job is launched with.
    std::u16string filter() const;

private:
    std::optional<OwnedFormat> owned_; // one of the seven kinds
    std::unique_ptr<BackupFile> interchange_;
    std::u16string filter_;
};
