// The primary backup format (".usms"): a 16-byte MD5 digest of the file size, the message total,
// then every message with all of its fields in UTF-16. Backups, convert, merge and salvage
// write it; the window's restore reads only this format, and every command that reads a file
// reads it.
#pragma once

#include "files/backup_file.h"
#include "files/file_stream.h"

#include <string_view>
#include <vector>

class UnicodeBackupFile final : public BackupFile {
public:
    UnicodeBackupFile() = default;
    // Closes a file that a run left open.
    ~UnicodeBackupFile() override;
    UnicodeBackupFile(const UnicodeBackupFile&) = delete;
    UnicodeBackupFile& operator=(const UnicodeBackupFile&) = delete;

    // The format keeps its own handle: the handle arguments are neither read nor set.
    [[nodiscard]] bool OpenForRead(std::u16string path, HANDLE& handle,
                                   std::u16string& error) override;
    // Changes the record and the list only when the whole record was read.
    [[nodiscard]] bool ReadRecord(HANDLE handle, MessageFields& record,
                                  std::vector<Recipient>& recipients,
                                  std::u16string& error) override;
    [[nodiscard]] bool CheckValidation(HANDLE handle, std::u16string& error) override;
    [[nodiscard]] bool ReadTotal(HANDLE handle, DWORD& total, std::u16string& error) override;
    bool CloseAfterRead(HANDLE handle, std::u16string& error) override;

    [[nodiscard]] bool OpenForWrite(std::u16string path, HANDLE& handle,
                                    std::u16string& error) override;
    [[nodiscard]] bool SkipValidationArea(HANDLE handle, std::u16string& error) override;
    [[nodiscard]] bool WriteTotal(HANDLE handle, DWORD total, std::u16string& error) override;
    // Succeeds only when every write of the record and the flush behind it succeeded.
    [[nodiscard]] bool WriteRecord(HANDLE handle, MessageRecord& message,
                                   std::u16string& error) override;
    [[nodiscard]] bool WriteValidation(HANDLE handle, std::u16string& error) override;
    // False when the final flush or close failed, so that no lost bytes pass unnoticed.
    [[nodiscard]] bool CloseAfterWrite(HANDLE handle, std::u16string& error) override;

    // A writer whose file is of use only when complete (it replaces its target only then) may
    // leave the records in the file layer's buffer instead of handing each to the system.
    void FlushEachRecord(bool flush) { flushEachRecord_ = flush; }

private:
    [[nodiscard]] bool Open(HANDLE file, const char16_t* phrase, std::u16string& error);

    FileStream stream_;
    std::string record_; // the record being written, reused from one to the next
    std::vector<std::u16string_view> recipientTexts_; // its recipients' names and addresses
    bool flushEachRecord_ = true;
};
