// The second backup format (".sms"): the header of the Unicode format with a salted digest, and
// the texts of each message in the ANSI code page, short ones as lines and the body counted.
// Only written: no command reads it back, and its reading operations refuse.
#pragma once

#include "files/backup_file.h"

class AnsiBackupFile final : public BackupFile {
public:
    // The reading operations fail with a short text and touch no file.
    bool OpenForRead(std::u16string path, HANDLE& handle, std::u16string& error) override;
    bool ReadRecord(HANDLE handle, MessageFields& record, std::vector<Recipient>& recipients,
                    std::u16string& error) override;
    bool CheckValidation(HANDLE handle, std::u16string& error) override;
    bool ReadTotal(HANDLE handle, DWORD& total, std::u16string& error) override;
    bool CloseAfterRead(HANDLE handle, std::u16string& error) override;

    // Works on the caller's handle, which OpenForWrite sets on success.
    bool OpenForWrite(std::u16string path, HANDLE& handle, std::u16string& error) override;
    bool SkipValidationArea(HANDLE handle, std::u16string& error) override;
    bool WriteTotal(HANDLE handle, DWORD total, std::u16string& error) override;
    // A message without a folder fails without a text of its own.
    bool WriteRecord(HANDLE handle, MessageRecord& message, std::u16string& error) override;
    bool WriteValidation(HANDLE handle, std::u16string& error) override;
    // Closes the handle; false when the final flush or close failed.
    bool CloseAfterWrite(HANDLE handle, std::u16string& error) override;
};
