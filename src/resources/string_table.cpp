#include "resources/string_table.h"

namespace resources {
namespace {

struct StringEntry {
    unsigned id;
    std::u16string_view text;
};

constexpr StringEntry kStrings[] = {
    {kIdsAppTitle, u"Brennomatic Msg Keeper v3.1"},
    {kIdsAccountInitFailed, u"SMS Account Initialization Failed."},
    {kIdsWriteFileFailed, u"Write to file failed."},
    {kIdsBackupCompleted, u"Backup Completed."},
    {kIdsValidationFailed, u"File Validation Failed."},
    {kIdsRestoreCompleted, u"Restore Completed."},
    {kIdsExit, u"Exit"},
    {kIdsSave, u"Save"},
    {kIdsDone, u"Done"},
    {kIdsCancel, u"Cancel"},
    {kIdsMenu, u"Menu"},
};

} // namespace

std::u16string_view FindString(unsigned id) {
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}

} // namespace resources
