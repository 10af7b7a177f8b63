// What kind of file a path holds, judged from its first bytes and its size, so that a command
// given the wrong file can say what it was given instead of only "File Validation Failed.".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class FileGuess {
    UnicodeBackup,        // digest fits
    DamagedUnicodeBackup, // records in UTF-16 but the digest does not fit
    AnsiBackup,
    TextExport,
    CsvExport,
    Xml,
    Json,
    Empty,
    Unknown,
};

// Judges the first bytes of a file of the given total size.
FileGuess SniffBytes(std::string_view head, std::uint64_t size);
// Reads the start of the file; Unknown when it cannot be read.
FileGuess SniffFile(const std::u16string& path);

// "a CSV export", "an ANSI backup (.sms)", ... for "it looks like ...".
std::string DescribeKind(FileGuess kind);

// Why a file that should be a Unicode backup was refused, as a sentence for the user: what it
// looks like, or for a damaged backup that salvage can recover from it. Empty for a backup.
std::string NotABackupHint(FileGuess kind);
