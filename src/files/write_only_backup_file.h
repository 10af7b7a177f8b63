// The base of the formats that are only ever written (the ANSI backup and the two exports):
// their five reading operations refuse here, once, and touch no file.
#pragma once

#include "files/backup_file.h"

#include <string_view>

class WriteOnlyBackupFile : public BackupFile {
public:
    [[nodiscard]] bool OpenForRead(std::u16string path, HANDLE& handle,
                                   std::u16string& error) final;
    [[nodiscard]] bool ReadRecord(HANDLE handle, MessageFields& record,
                                  std::vector<Recipient>& recipients, std::u16string& error) final;
    [[nodiscard]] bool CheckValidation(HANDLE handle, std::u16string& error) final;
    [[nodiscard]] bool ReadTotal(HANDLE handle, DWORD& total, std::u16string& error) final;
    bool CloseAfterRead(HANDLE handle, std::u16string& error) final;

protected:
    // A refusal text replaces the error text on every refused operation; without one the text
    // stays as it was.
    explicit WriteOnlyBackupFile(std::u16string_view refusal = {}) : refusal_(refusal) {}

private:
    [[nodiscard]] bool Refuse(std::u16string& error) const;

    std::u16string_view refusal_;
};
