// The second backup format (".sms"): the header of the Unicode format with a salted digest, and
// the texts of each message in the ANSI code page, short ones as lines and the body counted.
// Only written: no command reads it back, and its reading operations refuse.
#pragma once

#include "files/write_only_backup_file.h"

class AnsiBackupFile final : public WriteOnlyBackupFile {
public:
    // The reading operations fail with a short text.
    AnsiBackupFile();

    // Works on the caller's handle, which OpenForWrite sets on success.
    [[nodiscard]] bool OpenForWrite(std::u16string path, HANDLE& handle,
                                    std::u16string& error) override;
    [[nodiscard]] bool SkipValidationArea(HANDLE handle, std::u16string& error) override;
    [[nodiscard]] bool WriteTotal(HANDLE handle, DWORD total, std::u16string& error) override;
    // A message without a folder fails without a text of its own.
    [[nodiscard]] bool WriteRecord(HANDLE handle, MessageRecord& message,
                                   std::u16string& error) override;
    [[nodiscard]] bool WriteValidation(HANDLE handle, std::u16string& error) override;
    // Closes the handle; false when the final flush or close failed.
    [[nodiscard]] bool CloseAfterWrite(HANDLE handle, std::u16string& error) override;
};
