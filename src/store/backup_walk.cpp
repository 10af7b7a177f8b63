#include "store/backup_walk.h"

#include "store/message_list.h"
#include "store/message_prefix.h"
#include "store/store_folder.h"
#include "store/transfer.h"

namespace {

// Hands every listed message to the format. A failed fetch ends the listing like the end of
// the table does; only a failed write is an error.
bool WriteMessages(Transfer& job, HANDLE handle, MessageList& list, std::u16string& resultText,
                   const std::u16string& prefix) {
    while (list.next()) {
        StoreMessage& message = *list.current();
        if (message.messageClass() != kSmsMessageClass) {
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

DWORD countFolderMessages(StoreFolder& folder) {
    DWORD count = 0;
    if (MessageList* list = folder.messages(MessageList::kDefaultBatchSize); list != nullptr) {
        count = list->rowCount();
    }
    if (StoreFolder::SubfolderList* children = folder.subfolders(); children != nullptr) {
        for (const auto& child : *children) {
            count += countFolderMessages(*child);
        }
    }
    return count;
}

bool backupFolder(Transfer& job, HANDLE handle, StoreFolder& folder, std::u16string& resultText) {
    const std::u16string prefix = MessagePrefix(job.current.load());
    MessageList* list = folder.messages(MessageList::kDefaultBatchSize);
    if (list == nullptr) {
        resultText = prefix + u"get msg list error.";
        return false;
    }
    if (!list->reset()) {
        resultText = prefix + u"reset msg list error.";
        return false;
    }
    if (!WriteMessages(job, handle, *list, resultText, prefix)) {
        return false;
    }
    StoreFolder::SubfolderList* children = folder.subfolders();
    if (children == nullptr) {
        resultText = prefix + u"get sub folders error.";
        return false;
    }
    for (const auto& child : *children) {
        if (!backupFolder(job, handle, *child, resultText)) {
            return false;
        }
    }
    return true;
}
