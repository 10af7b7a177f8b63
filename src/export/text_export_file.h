// The text export: one block of four labelled pieces per message (sender, recipients, time,
// content), in the encoding of its TextEncoder. Writing only; it works on the caller's handle.
#pragma once

#include "export/text_encoder.h"
#include "files/write_only_backup_file.h"

class TextExportFile final : public WriteOnlyBackupFile {
public:
    // The encoder is not owned and must outlive the export.
    explicit TextExportFile(const TextEncoder& encoder) : encoder_(encoder) {}

    // Creates (or replaces) the file, hands its handle to the caller and writes the header; a
    // failed header closes the file again, since nothing further is called.
    [[nodiscard]] bool OpenForWrite(std::u16string path, HANDLE& handle,
                                    std::u16string& error) override;
    [[nodiscard]] bool SkipValidationArea(HANDLE handle, std::u16string& error) override;
    [[nodiscard]] bool WriteTotal(HANDLE handle, DWORD total, std::u16string& error) override;
    [[nodiscard]] bool WriteRecord(HANDLE handle, MessageRecord& message,
                                   std::u16string& error) override;
    [[nodiscard]] bool WriteValidation(HANDLE handle, std::u16string& error) override;
    // Flushes and closes; false when either fails, since the file may then be incomplete.
    [[nodiscard]] bool CloseAfterWrite(HANDLE handle, std::u16string& error) override;

private:
    [[nodiscard]] bool WritePiece(HANDLE handle, const std::u16string& text,
                                  std::u16string_view errorPrefix, std::u16string& error) const;

    const TextEncoder& encoder_;
    std::u16string piece_;
};
