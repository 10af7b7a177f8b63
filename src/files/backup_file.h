// The one interface through which every file format is driven: five operations that read a file
// back during restore and six that write one during backup or export, in this slot order.
//
// Backup order: OpenForWrite, SkipValidationArea, WriteTotal, WriteRecord per message,
// WriteValidation, and CloseAfterWrite whenever OpenForWrite succeeded. WriteValidation comes
// only after every message was written, so it marks the file complete: only then does the
// close put it in the place of an earlier file of that name.
// Restore order: OpenForRead, CheckValidation, ReadTotal, ReadRecord per message up to the
// total, and CloseAfterRead whenever OpenForRead succeeded.
//
// The handle is an opaque word owned by the caller, 0 before an open; a format that keeps its
// own handle neither sets nor reads it. A failing operation returns false and, as a rule,
// replaces the error text with the whole reason as the user reads it, except that the callers
// put "No.<n>:" before the texts of ReadRecord and WriteRecord; a succeeding one leaves the text
// unchanged.
#pragma once

#include "model/message_fields.h"
#include "model/message_record.h"
#include "model/recipient.h"
#include "platform/wintypes.h"

#include <string>
#include <vector>

class BackupFile {
public:
    virtual ~BackupFile() = default;

    [[nodiscard]] virtual bool OpenForRead(std::u16string path, HANDLE& handle,
                                           std::u16string& error) = 0;
    // Fills the record and appends the recipients read with it to the caller's list.
    [[nodiscard]] virtual bool ReadRecord(HANDLE handle, MessageFields& record,
                                          std::vector<Recipient>& recipients,
                                          std::u16string& error) = 0;
    [[nodiscard]] virtual bool CheckValidation(HANDLE handle, std::u16string& error) = 0;
    [[nodiscard]] virtual bool ReadTotal(HANDLE handle, DWORD& total, std::u16string& error) = 0;
    virtual bool CloseAfterRead(HANDLE handle, std::u16string& error) = 0;

    [[nodiscard]] virtual bool OpenForWrite(std::u16string path, HANDLE& handle,
                                            std::u16string& error) = 0;
    [[nodiscard]] virtual bool SkipValidationArea(HANDLE handle, std::u16string& error) = 0;
    [[nodiscard]] virtual bool WriteTotal(HANDLE handle, DWORD total, std::u16string& error) = 0;
    [[nodiscard]] virtual bool WriteRecord(HANDLE handle, MessageRecord& message,
                                           std::u16string& error) = 0;
    [[nodiscard]] virtual bool WriteValidation(HANDLE handle, std::u16string& error) = 0;
    [[nodiscard]] virtual bool CloseAfterWrite(HANDLE handle, std::u16string& error) = 0;
};
