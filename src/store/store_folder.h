// One folder of the message store: its handle, name, entry identifier and parent, with the
// lists that the reading and restore code build on first use.
#pragma once

#include "model/message_folder.h"
#include "platform/mapi/mapi.h"
#include "platform/mapi/mapi_ptr.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class MessageStore;
class MessageList;
class StoreMessage;

class StoreFolder : public MessageFolder {
public:
    // Takes over handle. Without entryId the identifier is read from the folder (PR_ENTRYID);
    // parent is nullptr for the special folders and for folders made during restore.
    StoreFolder(MessageStore& store, std::u16string name, MapiPtr<IMAPIFolder> handle,
                const SBinary* entryId, const StoreFolder* parent);
    ~StoreFolder() override;
    StoreFolder(const StoreFolder&) = delete;
    StoreFolder& operator=(const StoreFolder&) = delete;

    std::u16string name() const override { return name_; }
    const MessageFolder* parent() const override { return parent_; }
    const StoreFolder* parentFolder() const { return parent_; }

    MessageStore& store() const { return store_; }
    IMAPIFolder* handle() const { return handle_.get(); }
    // The entry identifier; 0 bytes when it could not be read.
    ULONG entryIdSize() const { return static_cast<ULONG>(entryId_.size()); }
    const BYTE* entryIdBytes() const { return entryId_.data(); }

    using SubfolderList = std::vector<std::unique_ptr<StoreFolder>>;

    // Reading (store_folder_reading.cpp).
    // The folder's message list, made on the first successful call with batchSize rows per
    // fetch (0 means 10) and returned again later; nullptr when it cannot be made.
    MessageList* messages(ULONG batchSize);
    // The direct subfolders in hierarchy-table order, listed on the first successful call;
    // nullptr when the listing fails, a listed folder that cannot be opened included.
    SubfolderList* subfolders();
    // The names from the top folder down, joined by backslashes ("Inbox\Old\Work").
    std::u16string folderPath() const;

    // Restoring (store_folder_restore.cpp).
    // Opens the subfolder of that name, creating it when missing; a name of blanks only
    // becomes "NewFolder". The new folder has no parent. nullptr on failure.
    std::unique_ptr<StoreFolder> createSubfolder(const std::u16string& name);
    // The existing subfolder that createSubfolder(name) would open, found in the subfolder
    // list without changing the store; nullptr when there is none (or the list cannot be read).
    StoreFolder* findSubfolder(const std::u16string& name);
    // The name a subfolder created for name gets: a blank name becomes "NewFolder".
    static std::u16string subfolderName(const std::u16string& name);
    // The first listed message with exactly this delivery time; none for time 0, when there
    // is no such message, or on failure.
    std::unique_ptr<StoreMessage> findMessageByDeliveryTime(DWORD low, DWORD high);
    // A new, empty message of this folder; nullptr on failure.
    std::unique_ptr<StoreMessage> createMessage();

private:
    MessageStore& store_;
    MapiPtr<IMAPIFolder> handle_;
    std::unique_ptr<MessageList> messages_;
    const StoreFolder* parent_;
    // Direct subfolders; empty until listed.
    std::optional<std::vector<std::unique_ptr<StoreFolder>>> subfolders_;
    std::u16string name_;
    std::vector<BYTE> entryId_;
    // The delivery-time search's table, kept between searches.
    MapiPtr<IMAPITable> lookupTable_;
};
