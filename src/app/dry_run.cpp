#include "app/dry_run.h"

#include "files/file_access.h"
#include "model/message_record.h"
#include "resources/string_table.h"
#include "files/message_prefix.h"
#include "store/message_store.h"
#include "store/restore.h"
#include "store/store_folder.h"
#include "store/store_message.h"

#include <cstdint>
#include <set>
#include <utility>

namespace {

struct Counter {
    MessageStore& store;
    std::set<std::pair<std::u16string, std::uint64_t>> seen;
    DryRunOutcome outcome;

    // The restore's checks for one record, in its order; false with its text.
    bool Count(const MessageFields& record) {
        // The restore's own resolution, looking only: a folder it would create holds nothing.
        const ResolvedFolder folder =
            resolveFolderPath(store, record.folderPath, FolderUse::LookOnly);
        if (!folder.valid) {
            outcome.text = u"create folder '" + record.folderPath + u"' error.";
            return false;
        }
        if (record.messageClass != kSmsMessageClass) {
            outcome.text = u"unknown message class name!";
            return false;
        }
        const DWORD low = record.deliveryTime.dwLowDateTime;
        const DWORD high = record.deliveryTime.dwHighDateTime;
        const std::uint64_t time = (std::uint64_t{high} << 32) | low;
        const bool replaces =
            time != 0 &&
            (!seen.emplace(folder.key, time).second ||
             (folder.folder != nullptr && folder.folder->findMessageByDeliveryTime(low, high)));
        ++(replaces ? outcome.toReplace : outcome.toAdd);
        return true;
    }
};

bool CountRecords(BackupFile& format, Counter& counter) {
    DryRunOutcome& outcome = counter.outcome;
    DWORD total = 0;
    if (!format.CheckValidation(0, outcome.text) || !format.ReadTotal(0, total, outcome.text)) {
        return false;
    }
    for (std::uint64_t i = 1; i <= total; ++i) {
        MessageFields record;
        std::vector<Recipient> recipients;
        if (!format.ReadRecord(0, record, recipients, outcome.text) || !counter.Count(record)) {
            outcome.text = MessagePrefix(static_cast<DWORD>(i)) + outcome.text;
            return false;
        }
    }
    return true;
}

} // namespace

DryRunOutcome DryRunRestore(BackupFile& format, const std::u16string& path) {
    MessageStore store(kSmsStoreName, StoreAccess::ReadOnly);
    Counter counter{store, {}, {}};
    if (!store.isOpen()) {
        counter.outcome.text = ResourceString(resources::kIdsAccountInitFailed);
        return counter.outcome;
    }
    HANDLE handle = 0;
    if (!format.OpenForRead(path, handle, counter.outcome.text)) {
        return counter.outcome;
    }
    counter.outcome.ok = CountRecords(format, counter);
    std::u16string ignored;
    format.CloseAfterRead(handle, ignored);
    return counter.outcome;
}
