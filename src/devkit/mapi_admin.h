// Shaping the emulated handset's message store from outside the mail library: creating the
// store database of a new device, adding or removing stores, folders, messages and
// properties, and making objects fail to open. Used by device set-up, demo data, tests and
// benchmarks; each call works through a connection of its own, so open sessions see its changes.
#pragma once

#include "platform/mapi/mapi.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mapi_admin {

using ObjectId = std::int64_t;

// The store database in the device folder.
std::filesystem::path DatabasePath();
// Replaces the device's store database with a new one: the store "SMS" with Drafts, Inbox,
// Outbox, Sent Items and Deleted Items. No session may be open on it.
bool CreateDeviceStore();
// Creates the database as above when the device has none yet.
[[nodiscard]] bool EnsureDeviceStore();

struct StoreInfo {
    ObjectId id = 0;
    std::u16string name;
};
// The stores in stores-table order.
std::vector<StoreInfo> Stores();
// The first store named exactly name, 0 when there is none.
ObjectId FindStore(const std::u16string& name);
// Adds a store; with folders it gets the five special folders and the store properties that
// lead to them, otherwise only its display name.
ObjectId AddStore(const std::u16string& name, bool withFolders = true);
[[nodiscard]] bool RemoveStore(ObjectId store);

// The folder a store property (PR_CE_IPM_INBOX_ENTRYID, ...) leads to, 0 when none.
ObjectId SpecialFolder(ObjectId store, ULONG storeProperty);
ObjectId AddFolder(ObjectId parent, const std::u16string& name);
std::vector<ObjectId> Subfolders(ObjectId folder);

// Property edits of any object.
[[nodiscard]] bool RemoveProperty(ObjectId object, ULONG tag);
[[nodiscard]] bool SetText(ObjectId object, ULONG tag, const std::u16string& text);
// The stored text of a property; false when the object lacks it.
bool GetText(ObjectId object, ULONG tag, std::u16string& text);
// Every later OpenEntry of the object fails with error; S_OK makes it open again.
[[nodiscard]] bool SetOpenError(ObjectId object, HRESULT error);

// The entry identifier OpenEntry takes for an object; empty when there is no such object.
std::vector<BYTE> EntryId(ObjectId object);
// The object an entry identifier names, 0 when none.
ObjectId ObjectOf(const std::vector<BYTE>& entryId);

struct SeedRecipient {
    std::u16string address;
    std::u16string displayName;
    ULONG type = MAPI_TO;
};
// An SMS message as the handset stores it. An empty sender name is not stored at all, as on a
// handset where the message has no PR_SENDER_NAME_W.
struct SeedMessage {
    std::u16string messageClass = u"IPM.SMStext";
    std::u16string body;
    ULONG flags = 0;
    FILETIME lastModified;
    FILETIME deliveryTime;
    std::u16string senderEmail;
    std::u16string senderName;
    ULONG size = 0;
    std::vector<SeedRecipient> recipients;
};
// Adds messages to a folder in one transaction; returns their ids (empty on failure).
std::vector<ObjectId> AddMessages(ObjectId folder, const std::vector<SeedMessage>& messages);
ObjectId AddMessage(ObjectId folder, const SeedMessage& message);
// Listed messages of a folder, in contents-table order.
std::vector<ObjectId> Messages(ObjectId folder);
// All messages of a folder, listed or not (a created message without properties is not).
std::int64_t AllMessageCount(ObjectId folder);
std::vector<SeedRecipient> Recipients(ObjectId message);

} // namespace mapi_admin
