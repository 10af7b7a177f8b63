// What kind of file a path holds, judged from its first bytes and its size, never its name: which
// reader takes it, and for a file that no reader takes, what it looks like, so that a command
// given the wrong file can say what it was given. Every command that reads files asks here.
#pragma once

#include "files/backup_file.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

enum class FileKind {
    UnicodeBackup,        // the digest fits the size
    DamagedUnicodeBackup, // records in UTF-16 after a digest that does not fit
    AnsiBackup,
    TextExport,
    CsvExport,
    Xml,       // markup that the XML reader takes: "<?xml", "<smses", "<!--", or a UTF-16 mark
    OtherXml,  // any other markup
    CallLog,   // XML whose root element is <calls>
    JsonLines, // an object begins it
    OtherJson, // an array begins it: JSON, but not one object a line
    Contacts,  // vCards
    Empty,
    Unknown,
};

// Judges the first bytes of a file of the given total size.
FileKind SniffBytes(std::string_view head, std::uint64_t size);
// Reads the start of the file; Unknown when it cannot be read.
FileKind SniffFile(const std::u16string& path);

// "a CSV export", "an ANSI backup (.sms)", ... for "it looks like ...".
std::string DescribeKind(FileKind kind);

// Why a file that should be a Unicode backup was refused, as a sentence for the user: what it
// looks like, or for a damaged backup that salvage can recover from it. Empty for a backup.
std::string NotABackupHint(FileKind kind);

// The reader for a kind of file: the XML or JSON Lines reader where one takes it, else the
// Unicode backup's, so that a file of any other kind fails validation as a damaged backup does.
std::unique_ptr<BackupFile> MakeReader(FileKind kind);

// The interchange formats by their command-line names, "xml" and "json"; null for others.
std::unique_ptr<BackupFile> MakeInterchangeFormat(std::string_view name);
