#include "store/backup_walk.h"

#include "files/message_prefix.h"
#include "store/job_view.h"
#include "store/message_list.h"
#include "store/store_folder.h"

#include <vector>

namespace {

// Hands every listed message to the format. A failed fetch ends the listing like the end of
// the table does, and a message whose properties or recipients fail to read is left out: the
// job then reports fewer messages saved than counted. Only a failed write is an error.
bool WriteMessages(JobView& job, HANDLE handle, MessageList& list, std::u16string& resultText,
                   const std::u16string& prefix) {
    while (list.next()) {
        if (job.stopRequested()) {
            resultText = kStoppedText;
            return false;
        }
        StoreMessage& message = *list.current();
        if (message.messageClass() != kSmsMessageClass || !message.readWhole()) {
            continue;
        }
        job.current.fetch_add(1);
        if (!job.format.WriteRecord(handle, message, resultText)) {
            resultText = prefix + resultText;
            return false;
        }
    }
    return true;
}

} // namespace

bool walkFolders(StoreFolder& top, const std::function<bool(StoreFolder&)>& enter,
                 const std::function<bool(StoreFolder&)>& unlisted) {
    // Each level keeps its subfolder list and the position of the next one to enter.
    struct Level {
        StoreFolder::SubfolderList* children;
        std::size_t next;
    };
    std::vector<Level> levels;
    StoreFolder* folder = &top;
    for (;;) {
        if (folder != nullptr) {
            if (!enter(*folder)) {
                return false;
            }
            StoreFolder::SubfolderList* children = folder->subfolders();
            if (children == nullptr) {
                if (!unlisted(*folder)) {
                    return false;
                }
            } else {
                levels.push_back(Level{children, 0});
            }
            folder = nullptr;
        }
        if (levels.empty()) {
            return true;
        }
        Level& level = levels.back();
        if (level.next < level.children->size()) {
            folder = (*level.children)[level.next++].get();
        } else {
            levels.pop_back();
        }
    }
}

DWORD countFolderMessages(StoreFolder& folder) {
    DWORD count = 0;
    walkFolders(
        folder,
        [&count](StoreFolder& each) {
            if (MessageList* list = each.messages(MessageList::kDefaultBatchSize);
                list != nullptr) {
                count += list->rowCount();
            }
            return true;
        },
        [](StoreFolder&) { return true; });
    return count;
}

bool backupFolder(JobView& job, HANDLE handle, StoreFolder& folder, std::u16string& resultText) {
    // Each folder's texts carry the count written before it was entered.
    std::u16string prefix;
    const auto enter = [&](StoreFolder& each) {
        prefix = MessagePrefix(job.current.load());
        MessageList* list = each.messages(MessageList::kDefaultBatchSize);
        if (list == nullptr) {
            resultText = prefix + u"get msg list error.";
            return false;
        }
        if (!list->reset()) {
            resultText = prefix + u"reset msg list error.";
            return false;
        }
        return WriteMessages(job, handle, *list, resultText, prefix);
    };
    // Called right after its folder was entered, so prefix is that folder's.
    const auto unlisted = [&](StoreFolder&) {
        resultText = prefix + u"get sub folders error.";
        return false;
    };
    return walkFolders(folder, enter, unlisted);
}
