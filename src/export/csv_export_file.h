// The CSV export: a title row, then one row of nine quoted fields per message, rows ending in
// LF, no byte-order mark. Writing only; it keeps its own handle and ignores the caller's.
#pragma once

#include "export/text_encoder.h"
#include "files/write_only_backup_file.h"
#include "platform/unique_handle.h"

class CsvExportFile final : public WriteOnlyBackupFile {
public:
    // The encoder is not owned and must outlive the export.
    explicit CsvExportFile(const TextEncoder& encoder) : encoder_(encoder) {}
    CsvExportFile(const CsvExportFile&) = delete;
    CsvExportFile& operator=(const CsvExportFile&) = delete;

    // Creates (or replaces) the file and writes the title row.
    [[nodiscard]] bool OpenForWrite(std::u16string path, HANDLE& handle,
                                    std::u16string& error) override;
    [[nodiscard]] bool SkipValidationArea(HANDLE handle, std::u16string& error) override;
    [[nodiscard]] bool WriteTotal(HANDLE handle, DWORD total, std::u16string& error) override;
    // Writes and flushes one row. Splits a sender item held in the message's sender name into
    // name and number, on the message itself. A message without a folder fails at once and
    // leaves the error text alone.
    [[nodiscard]] bool WriteRecord(HANDLE handle, MessageRecord& message,
                                   std::u16string& error) override;
    [[nodiscard]] bool WriteValidation(HANDLE handle, std::u16string& error) override;
    // Flushes and closes; false when either fails, since the file may then be incomplete.
    [[nodiscard]] bool CloseAfterWrite(HANDLE handle, std::u16string& error) override;

private:
    const TextEncoder& encoder_;
    OwnedHandle file_;
};
