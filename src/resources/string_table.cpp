#include "resources/string_table.h"

namespace resources {
namespace {

constexpr StringResource kStrings[] = {
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

std::span<const StringResource> StringTable() {
    return kStrings;
}

} // namespace resources
