#include "transfer/finish_writing.h"

bool FinishWriting(BackupFile& format, HANDLE handle, bool ok, std::u16string& error) {
    ok = ok && format.WriteValidation(handle, error);
    std::u16string closeError;
    if (!format.CloseAfterWrite(handle, closeError) && ok) {
        error = closeError;
        ok = false;
    }
    return ok;
}
