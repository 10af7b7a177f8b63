#include "store/restore.h"

#include "files/message_prefix.h"
#include "model/message_fields.h"
#include "store/job_view.h"
#include "store/message_store.h"
#include "store/store_folder.h"
#include "store/store_message.h"

#include <cstdint>
#include <vector>

namespace {

// Split at every backslash: "Inbox\Old" gives Inbox and Old, "Inbox\" ends in an empty
// component, and the empty path is one empty component.
std::vector<std::u16string> PathComponents(const std::u16string& path) {
    std::vector<std::u16string> components;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(u'\\', start);
        if (end == std::u16string::npos) {
            components.push_back(path.substr(start));
            return components;
        }
        components.push_back(path.substr(start, end - start));
        start = end + 1;
    }
}

// The special folder whose token is exactly the component (case counts), or nullptr.
StoreFolder* SpecialFolderOf(MessageStore& store, const std::u16string& component) {
    for (const SpecialFolderInfo& info : kSpecialFolders) {
        if (component == info.token) {
            return store.specialFolder(info.folder);
        }
    }
    return nullptr;
}

// The texts and the recipient list are moved, not copied: the record is not used again, and a
// long body or recipient list then exists once.
void MoveFields(MessageFields& record, std::vector<Recipient>& recipients, StoreMessage& message) {
    message.setLastModified(record.lastModified);
    message.setDeliveryTime(record.deliveryTime);
    message.setFlags(record.flags);
    message.setSize(record.size);
    message.appendRecipients(std::move(recipients));
    message.setSenderName(std::move(record.senderName));
    message.setSenderNumber(std::move(record.senderNumber));
    message.setBody(std::move(record.body));
}

// Writes the record as a new message of folder. The message it replaces goes in the save's own
// transaction: a failed or interrupted save keeps it, and no reader ever sees both.
bool WriteMessage(StoreFolder& folder, MessageFields& record, std::vector<Recipient>& recipients,
                  std::u16string& resultText, HRESULT& storeError) {
    const std::unique_ptr<StoreMessage> replaced = folder.findMessageByDeliveryTime(
        record.deliveryTime.dwLowDateTime, record.deliveryTime.dwHighDateTime);
    const std::unique_ptr<StoreMessage> message = folder.createMessage();
    if (!message) {
        resultText = u"Create message error!";
        return false;
    }
    MoveFields(record, recipients, *message);
    if (replaced) {
        message->replaceOnSave(*replaced);
    }
    if (!message->saveMessage()) {
        storeError = message->lastError();
        resultText = u"save sms error!";
        return false;
    }
    return true;
}

} // namespace

ResolvedFolder resolveFolderPath(MessageStore& store, const std::u16string& folderPath,
                                 FolderUse use) {
    const std::vector<std::u16string> components = PathComponents(folderPath);
    ResolvedFolder resolved;
    if (components.size() - 1 > kMaxSubfolderDepth) {
        return resolved;
    }
    resolved.folder = SpecialFolderOf(store, components.front());
    if (resolved.folder == nullptr) {
        return resolved;
    }
    resolved.valid = true;
    resolved.key = components.front();
    for (std::size_t i = 1; i < components.size(); ++i) {
        resolved.key += u'\\' + StoreFolder::subfolderName(components[i]);
        if (use == FolderUse::LookOnly) {
            // Below a folder still to be created, every folder is still to be created.
            if (resolved.folder != nullptr) {
                resolved.folder = resolved.folder->findSubfolder(components[i]);
            }
            continue;
        }
        std::unique_ptr<StoreFolder> next = resolved.folder->createSubfolder(components[i]);
        if (!next) {
            return ResolvedFolder{};
        }
        resolved.folder = next.get();
        resolved.owned = std::move(next);
    }
    return resolved;
}

bool restoreOneMessage(MessageStore& store, JobView& job, HANDLE handle,
                       std::u16string& resultText) {
    MessageFields record;
    std::vector<Recipient> recipients;
    if (!job.format.ReadRecord(handle, record, recipients, resultText)) {
        return false;
    }
    const ResolvedFolder target = resolveFolderPath(store, record.folderPath);
    if (!target.valid) {
        resultText = u"create folder '" + record.folderPath + u"' error.";
        return false;
    }
    if (record.messageClass != kSmsMessageClass) {
        resultText = u"unknown message class name!";
        return false;
    }
    return WriteMessage(*target.folder, record, recipients, resultText, job.storeError);
}

bool restoreMessages(MessageStore& store, JobView& job, HANDLE handle) {
    if (!job.format.CheckValidation(handle, job.resultText)) {
        return false;
    }
    DWORD total = 0;
    if (!job.format.ReadTotal(handle, total, job.resultText)) {
        return false;
    }
    job.total.store(total);
    // Counted in 64 bits so that a total of 0xFFFFFFFF still ends.
    for (std::uint64_t i = 1; i <= total; ++i) {
        // Between two messages: what was restored stays, and current counts it.
        if (job.stopRequested()) {
            job.resultText = kStoppedText;
            return false;
        }
        const DWORD number = static_cast<DWORD>(i);
        job.current.store(number);
        if (!restoreOneMessage(store, job, handle, job.resultText)) {
            job.resultText = MessagePrefix(number) + job.resultText;
            return false;
        }
    }
    return true;
}
