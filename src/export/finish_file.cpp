#include "export/finish_file.h"

#include "files/file_access.h"

bool FlushAndClose(HANDLE& handle, std::u16string& error) {
    if (!IsValidHandle(handle)) {
        return true;
    }
    bool ok = FlushFile(handle);
    std::u16string failure;
    if (!ok) {
        failure = ErrorText();
    }
    // The handle is given back even when the flush failed.
    if (!CloseIfValid(handle) && ok) {
        failure = ErrorText();
        ok = false;
    }
    if (!ok) {
        error = u"close file error, " + failure;
    }
    return ok;
}
