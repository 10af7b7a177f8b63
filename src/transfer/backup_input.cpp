#include "transfer/backup_input.h"

#include "files/file_access.h"
#include "files/message_prefix.h"
#include "interchange/file_sniffer.h"
#include "resources/string_table.h"

namespace {

constexpr char16_t kOpenPhrase[] = u"begin restore error, ";

} // namespace

bool OpenBackup(BackupFile& backup, const std::u16string& file, DWORD& total,
                std::u16string& error) {
    HANDLE handle = 0;
    if (!backup.OpenForRead(file, handle, error)) {
        return false;
    }
    if (!backup.CheckValidation(handle, error) || !backup.ReadTotal(handle, total, error)) {
        std::u16string ignored; // the check's reason is the one to report
        backup.CloseAfterRead(handle, ignored);
        return false;
    }
    return true;
}

bool ReadOne(BackupFile& backup, DWORD number, MemoryRecord& record, std::u16string& error) {
    MessageFields fields;
    std::vector<Recipient> recipients;
    if (!backup.ReadRecord(0, fields, recipients, error)) {
        error = MessagePrefix(number) + error;
        return false;
    }
    record = MemoryRecord(std::move(fields), std::move(recipients));
    return true;
}

std::u16string ReadFailureText(const std::u16string& file, const std::u16string& error) {
    if (error.starts_with(kOpenPhrase)) {
        return u"cannot open the file, " +
               error.substr(std::char_traits<char16_t>::length(kOpenPhrase));
    }
    if (error == ResourceString(resources::kIdsValidationFailed)) {
        const std::string hint = NotABackupHint(SniffFile(file));
        return error + (hint.empty() ? u"" : u" " + std::u16string(hint.begin(), hint.end()));
    }
    return error;
}
