#include "app/dry_run.h"

#include "files/file_access.h"
#include "model/message_record.h"
#include "resources/string_table.h"
#include "store/message_prefix.h"
#include "store/message_store.h"
#include "store/store_folder.h"
#include "store/store_message.h"

#include <cstdint>
#include <set>
#include <utility>

namespace {

// The folder a restore would write a record into, found without creating anything: the
// existing folder, or none when the restore would create it (and so it holds no message yet).
// The key names it the way the restore's folder creation does: blank names become NewFolder.
struct PlannedFolder {
    bool valid = false;
    StoreFolder* existing = nullptr;
    std::u16string key;
};

std::u16string UsedName(const std::u16string& name) {
    return name.find_first_not_of(u' ') == std::u16string::npos ? u"NewFolder" : name;
}

StoreFolder* ExistingChild(StoreFolder* parent, const std::u16string& name) {
    StoreFolder::SubfolderList* children = parent == nullptr ? nullptr : parent->subfolders();
    if (children == nullptr) {
        return nullptr;
    }
    for (const auto& child : *children) {
        if (child->name() == name) {
            return child.get();
        }
    }
    return nullptr;
}

PlannedFolder PlanFolder(MessageStore& store, const std::u16string& path) {
    const std::size_t first = path.find(u'\\');
    const std::u16string token = path.substr(0, first);
    PlannedFolder planned;
    for (const SpecialFolderInfo& info : kSpecialFolders) {
        if (token == info.token) {
            planned.existing = store.specialFolder(info.folder);
        }
    }
    if (planned.existing == nullptr) {
        return planned;
    }
    planned.valid = true;
    planned.key = token;
    for (std::size_t start = first; start != std::u16string::npos;) {
        const std::size_t end = path.find(u'\\', start + 1);
        const std::u16string name = UsedName(path.substr(start + 1, end - start - 1));
        planned.existing = ExistingChild(planned.existing, name);
        planned.key += u'\\' + name;
        start = end;
    }
    return planned;
}

struct Counter {
    MessageStore& store;
    std::set<std::pair<std::u16string, std::uint64_t>> seen;
    DryRunOutcome outcome;

    // The restore's checks for one record, in its order; false with its text.
    bool Count(const MessageFields& record) {
        const PlannedFolder folder = PlanFolder(store, record.folderPath);
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
             (folder.existing != nullptr && folder.existing->findMessageByDeliveryTime(low, high)));
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
