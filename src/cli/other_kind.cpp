#include "cli/other_kind.h"

#include "cli/console.h"
#include "interchange/file_sniffer.h"

bool RefuseFileOfOtherKind(const std::u16string& file) {
    const FileKind kind = SniffFile(file);
    if (kind != FileKind::CallLog && kind != FileKind::Contacts) {
        return false;
    }
    const std::string what = DescribeKind(kind);
    console::Err(u"msgkeeper-cli: " + file + u" is " + std::u16string(what.begin(), what.end()) +
                 u", not messages\n");
    return true;
}
