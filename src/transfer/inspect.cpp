#include "transfer/inspect.h"

#include "interchange/file_sniffer.h"
#include "interchange/streamed_backup_file.h"
#include "transfer/backup_input.h"

InspectResult InspectFile(const std::u16string& file,
                          const std::function<void(DWORD total, unsigned long skipped)>& opened,
                          const std::function<void(DWORD number, MemoryRecord& record)>& each) {
    InspectResult result;
    const std::unique_ptr<BackupFile> backup = MakeReader(SniffFile(file));
    DWORD total = 0;
    if (!OpenBackup(*backup, file, total, result.error)) {
        result.error = ReadFailureText(file, result.error);
        return result;
    }
    const auto* streamed = dynamic_cast<const StreamedBackupFile*>(backup.get());
    opened(total, streamed != nullptr ? streamed->Skipped() : 0);
    result.leftOut = streamed != nullptr ? streamed->LeftOut() : 0;
    std::u16string ignored;
    for (DWORD n = 1; n <= total && n != 0; ++n) {
        MemoryRecord record;
        if (!ReadOne(*backup, n, record, result.error)) {
            backup->CloseAfterRead(0, ignored);
            return result;
        }
        each(n, record);
    }
    backup->CloseAfterRead(0, ignored);
    result.ok = true;
    return result;
}
