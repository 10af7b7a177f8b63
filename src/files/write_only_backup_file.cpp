#include "files/write_only_backup_file.h"

bool WriteOnlyBackupFile::OpenForRead(std::u16string /*path*/, HANDLE& /*handle*/,
                                      std::u16string& error) {
    return Refuse(error);
}

bool WriteOnlyBackupFile::ReadRecord(HANDLE /*handle*/, MessageFields& /*record*/,
                                     std::vector<Recipient>& /*recipients*/,
                                     std::u16string& error) {
    return Refuse(error);
}

bool WriteOnlyBackupFile::CheckValidation(HANDLE /*handle*/, std::u16string& error) {
    return Refuse(error);
}

bool WriteOnlyBackupFile::ReadTotal(HANDLE /*handle*/, DWORD& /*total*/, std::u16string& error) {
    return Refuse(error);
}

bool WriteOnlyBackupFile::CloseAfterRead(HANDLE /*handle*/, std::u16string& error) {
    return Refuse(error);
}

bool WriteOnlyBackupFile::Refuse(std::u16string& error) const {
    if (!refusal_.empty()) {
        error = refusal_;
    }
    return false;
}
