#include "app/default_name.h"

#include "files/file_access.h"

std::u16string DefaultBackupName(const SYSTEMTIME& now) {
    return u"Msgkeeper_" + NumberToText(now.wYear) + NumberToText(now.wMonth) +
           NumberToText(now.wDay) + NumberToText(now.wHour) + NumberToText(now.wMinute) + u".*";
}
