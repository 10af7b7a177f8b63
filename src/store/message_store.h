// The session with the handset's message store: logs on, finds the store by its display name
// and hands out its five special folders.
#pragma once

#include "platform/mapi/mapi.h"
#include "platform/mapi/mapi_ptr.h"
#include "store/special_folders.h"
#include "store/store_folder.h"

#include <array>
#include <memory>
#include <string>

inline constexpr char16_t kSmsStoreName[] = u"SMS";

// ReadOnly opens the store database for reading alone: nothing is written at the start, so a
// handset whose folder this user cannot write can still be read; every write fails.
enum class StoreAccess { ReadWrite, ReadOnly };

class MessageStore {
public:
    // Logs on and opens the first store whose display name equals storeName, case ignored.
    explicit MessageStore(const std::u16string& storeName,
                          StoreAccess access = StoreAccess::ReadWrite);
    ~MessageStore();
    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

    [[nodiscard]] bool isOpen() const { return open_; }

    // The special folders, owned by the store; nullptr when one cannot be opened (the next
    // request tries again).
    StoreFolder* draftFolder() { return specialFolder(SpecialFolder::Draft); }
    StoreFolder* inboxFolder() { return specialFolder(SpecialFolder::Inbox); }
    StoreFolder* outboxFolder() { return specialFolder(SpecialFolder::Outbox); }
    StoreFolder* sentFolder() { return specialFolder(SpecialFolder::Sent); }
    StoreFolder* deletedFolder() { return specialFolder(SpecialFolder::Deleted); }
    StoreFolder* specialFolder(SpecialFolder which);

    // A new, caller-owned handle of the folder with this entry identifier; none on failure.
    MapiPtr<IMAPIFolder> openFolderByEntryId(ULONG cb, const BYTE* entryId);

private:
    [[nodiscard]] bool open(const std::u16string& storeName, StoreAccess access);
    [[nodiscard]] bool openMatchingStore(IMAPITable& stores, const std::u16string& storeName);

    MapiPtr<IMAPISession> session_;
    MapiPtr<IMsgStore> store_;
    std::array<std::unique_ptr<StoreFolder>, kSpecialFolders.size()> folders_;
    bool open_ = false;
};
