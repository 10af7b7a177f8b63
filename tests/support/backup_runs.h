// Drives a file format through the backup and restore orders as the jobs do, and builds the
// bytes of backup files by hand, for the tests of the formats and of what writes or reads them.
#pragma once

#include "files/backup_file.h"
#include "model/memory_record.h"

#include <string>
#include <vector>

// The outcome of one run: the first operation that failed (empty when none) and its text.
struct RunOutcome {
    bool ok = false;
    std::string failedAt;
    std::u16string error;
};

// OpenForWrite, SkipValidationArea, WriteTotal, WriteRecord per message, WriteValidation and,
// once the file is open, CloseAfterWrite, whose failure counts when nothing failed before.
RunOutcome WriteBackupOf(BackupFile& format, const std::u16string& path,
                         std::vector<MemoryRecord>& messages);

struct RestoreOutcome : RunOutcome {
    DWORD total = 0;
    std::vector<MessageFields> records;
    std::vector<std::vector<Recipient>> recipients;
};

// OpenForRead, CheckValidation, ReadTotal, ReadRecord up to the total, CloseAfterRead.
RestoreOutcome ReadBackupFrom(BackupFile& format, const std::u16string& path);

// A message of the worked example: class IPM.SMStext, folder Inbox, sender Home <555>, one
// recipient Work <777> of type 1, body Hi, and distinct times, flags and size.
MemoryRecord WorkedExampleMessage();

// Bytes from hexadecimal text such as "49 00 0A"; spaces are ignored.
std::string Hex(const std::string& text);
// Little-endian encodings, as the backup files store them.
std::string U32Bytes(DWORD value);
std::string Utf16Bytes(const std::u16string& text); // the units and one 0 unit

// MD5 of the given bytes, straight from libcrypto.
std::string Md5Of(const std::string& bytes);
