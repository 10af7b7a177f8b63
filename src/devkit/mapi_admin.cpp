#include "devkit/mapi_admin.h"

#include "platform/mapi/database.h"

#include <cstring>

namespace mapi_admin {
namespace {

using mapi_impl::Database;
using mapi_impl::ObjectKind;
using mapi_impl::StoredProp;
using mapi_impl::TextBytes;

std::shared_ptr<Database> Connect() {
    HRESULT hr = S_OK;
    return Database::Open(DatabasePath(), hr);
}

std::string TimeBytes(FILETIME value) {
    SPropValue v{};
    v.ulPropTag = PR_LAST_MODIFICATION_TIME;
    v.Value.ft = value;
    std::string bytes;
    mapi_impl::EncodeValue(v, bytes);
    return bytes;
}

std::string LongBytes(LONG value) {
    SPropValue v{};
    v.ulPropTag = PR_MESSAGE_FLAGS;
    v.Value.l = value;
    std::string bytes;
    mapi_impl::EncodeValue(v, bytes);
    return bytes;
}

bool Write(ObjectId object, StoredProp prop) {
    const auto db = Connect();
    mapi_impl::ObjectRow row;
    return db != nullptr && db->object(object, row) &&
           db->writeProps(object, {prop}, false) == S_OK;
}

std::vector<StoredProp> MessageProps(const SeedMessage& message) {
    std::vector<StoredProp> props{
        {PR_MESSAGE_CLASS_W, TextBytes(message.messageClass)},
        {PR_SUBJECT_W, TextBytes(message.body)},
        {PR_MESSAGE_FLAGS, LongBytes(static_cast<LONG>(message.flags))},
        {PR_LAST_MODIFICATION_TIME, TimeBytes(message.lastModified)},
        {PR_MESSAGE_DELIVERY_TIME, TimeBytes(message.deliveryTime)},
        {PR_SENDER_EMAIL_ADDRESS_W, TextBytes(message.senderEmail)},
        {PR_MESSAGE_SIZE, LongBytes(static_cast<LONG>(message.size))},
    };
    if (!message.senderName.empty()) {
        props.push_back({PR_SENDER_NAME_W, TextBytes(message.senderName)});
    }
    return props;
}

std::vector<std::vector<StoredProp>> RecipientRows(const SeedMessage& message) {
    std::vector<std::vector<StoredProp>> rows;
    for (const SeedRecipient& recipient : message.recipients) {
        rows.push_back({
            {PR_EMAIL_ADDRESS_W, TextBytes(recipient.address)},
            {PR_RECIPIENT_TYPE, LongBytes(static_cast<LONG>(recipient.type))},
            {PR_DISPLAY_NAME_W, TextBytes(recipient.displayName)},
        });
    }
    return rows;
}

const StoredProp* Find(const std::vector<StoredProp>& props, ULONG tag) {
    for (const StoredProp& prop : props) {
        if (prop.tag == tag) {
            return &prop;
        }
    }
    return nullptr;
}

ULONG LongOf(const StoredProp* prop) {
    LONG value = 0;
    if (prop != nullptr && prop->bytes.size() == sizeof(value)) {
        std::memcpy(&value, prop->bytes.data(), sizeof(value));
    }
    return static_cast<ULONG>(value);
}

} // namespace

std::filesystem::path DatabasePath() {
    return mapi_impl::StorePath();
}

bool CreateDeviceStore() {
    std::error_code error;
    const std::filesystem::path path = DatabasePath();
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(path.string() + suffix, error);
        if (error) {
            return false;
        }
    }
    return Connect() != nullptr;
}

bool EnsureDeviceStore() {
    return Connect() != nullptr;
}

std::vector<StoreInfo> Stores() {
    std::vector<StoreInfo> stores;
    const auto db = Connect();
    std::vector<mapi_impl::ObjectId> ids;
    if (db == nullptr || !db->children(0, ObjectKind::Store, 0, 1 << 30, ids)) {
        return stores;
    }
    for (const auto id : ids) {
        StoreInfo info{id, {}};
        GetText(id, PR_DISPLAY_NAME_W, info.name);
        stores.push_back(std::move(info));
    }
    return stores;
}

ObjectId FindStore(const std::u16string& name) {
    for (const StoreInfo& store : Stores()) {
        if (store.name == name) {
            return store.id;
        }
    }
    return 0;
}

ObjectId AddStore(const std::u16string& name, bool withFolders) {
    const auto db = Connect();
    if (db == nullptr) {
        return 0;
    }
    ObjectId store = 0;
    if (withFolders) {
        return mapi_impl::CreateSmsStyleStore(*db, name, store) == S_OK ? store : 0;
    }
    mapi_impl::Transaction tx(*db);
    if (tx.status() != S_OK || db->insertStore(store) != S_OK ||
        db->writeProps(store, {{PR_DISPLAY_NAME_W, TextBytes(name)}}, false) != S_OK) {
        return 0;
    }
    return tx.commit() == S_OK ? store : 0;
}

bool RemoveStore(ObjectId store) {
    const auto db = Connect();
    mapi_impl::ObjectRow row;
    return db != nullptr && db->object(store, row) && row.kind == ObjectKind::Store &&
           db->deleteTree(store) == S_OK;
}

ObjectId SpecialFolder(ObjectId store, ULONG storeProperty) {
    const auto db = Connect();
    std::vector<StoredProp> props;
    if (db == nullptr || !db->readProps(store, props)) {
        return 0;
    }
    const StoredProp* prop = Find(props, storeProperty);
    return prop == nullptr ? 0
                           : ObjectOf(std::vector<BYTE>(prop->bytes.begin(), prop->bytes.end()));
}

ObjectId AddFolder(ObjectId parent, const std::u16string& name) {
    const auto db = Connect();
    mapi_impl::ObjectRow row;
    ObjectId id = 0;
    if (db == nullptr || !db->object(parent, row) || row.kind != ObjectKind::Folder ||
        db->createFolder(parent, row.store, name, u"", false, id) != S_OK) {
        return 0;
    }
    return id;
}

std::vector<ObjectId> Subfolders(ObjectId folder) {
    std::vector<mapi_impl::ObjectId> ids;
    const auto db = Connect();
    if (db == nullptr || !db->children(folder, ObjectKind::Folder, 0, 1 << 30, ids)) {
        ids.clear();
    }
    return ids;
}

bool RemoveProperty(ObjectId object, ULONG tag) {
    const auto db = Connect();
    return db != nullptr && db->deleteProp(object, tag) == S_OK;
}

bool SetText(ObjectId object, ULONG tag, const std::u16string& text) {
    return Write(object, {tag, TextBytes(text)});
}

bool GetText(ObjectId object, ULONG tag, std::u16string& text) {
    const auto db = Connect();
    std::vector<StoredProp> props;
    if (db == nullptr || !db->readProps(object, props)) {
        return false;
    }
    const StoredProp* prop = Find(props, tag);
    if (prop == nullptr) {
        return false;
    }
    text = mapi_impl::BytesText(prop->bytes);
    return true;
}

bool SetOpenError(ObjectId object, HRESULT error) {
    const auto db = Connect();
    return db != nullptr && db->setOpenError(object, error) == S_OK;
}

std::vector<BYTE> EntryId(ObjectId object) {
    const auto db = Connect();
    mapi_impl::ObjectRow row;
    if (db == nullptr || !db->object(object, row)) {
        return {};
    }
    const std::string bytes = mapi_impl::MakeEntryId(row.kind, object);
    return std::vector<BYTE>(bytes.begin(), bytes.end());
}

ObjectId ObjectOf(const std::vector<BYTE>& entryId) {
    ObjectKind kind = ObjectKind::Store;
    ObjectId id = 0;
    if (!mapi_impl::ParseEntryId(static_cast<ULONG>(entryId.size()), entryId.data(), kind, id)) {
        return 0;
    }
    return id;
}

std::vector<ObjectId> AddMessages(ObjectId folder, const std::vector<SeedMessage>& messages) {
    std::vector<ObjectId> ids;
    const auto db = Connect();
    mapi_impl::ObjectRow row;
    if (db == nullptr || !db->object(folder, row) || row.kind != ObjectKind::Folder) {
        return ids;
    }
    mapi_impl::Transaction tx(*db);
    if (tx.status() != S_OK) {
        return ids;
    }
    for (const SeedMessage& message : messages) {
        ObjectId id = 0;
        if (db->insertObject(ObjectKind::Message, folder, row.store, false, id) != S_OK ||
            db->replaceRecipients(id, RecipientRows(message)) != S_OK ||
            db->writeProps(id, MessageProps(message), true) != S_OK) {
            return {};
        }
        ids.push_back(id);
    }
    if (tx.commit() != S_OK) {
        ids.clear();
    }
    return ids;
}

ObjectId AddMessage(ObjectId folder, const SeedMessage& message) {
    const std::vector<ObjectId> ids = AddMessages(folder, {message});
    return ids.empty() ? 0 : ids.front();
}

std::vector<ObjectId> Messages(ObjectId folder) {
    std::vector<mapi_impl::ObjectId> ids;
    const auto db = Connect();
    if (db == nullptr || !db->children(folder, ObjectKind::Message, 0, 1 << 30, ids)) {
        ids.clear();
    }
    return ids;
}

std::int64_t AllMessageCount(ObjectId folder) {
    const auto db = Connect();
    return db == nullptr
               ? -1
               : db->scalar("SELECT count(*) FROM objects WHERE parent = ?1 AND kind = 5", folder);
}

std::vector<SeedRecipient> Recipients(ObjectId message) {
    std::vector<SeedRecipient> result;
    const auto db = Connect();
    std::vector<mapi_impl::RecipientRow> rows;
    if (db == nullptr || !db->recipients(message, 0, 1 << 30, rows)) {
        return result;
    }
    for (const auto& row : rows) {
        SeedRecipient recipient;
        if (const StoredProp* p = Find(row.props, PR_EMAIL_ADDRESS_W)) {
            recipient.address = mapi_impl::BytesText(p->bytes);
        }
        if (const StoredProp* p = Find(row.props, PR_DISPLAY_NAME_W)) {
            recipient.displayName = mapi_impl::BytesText(p->bytes);
        }
        recipient.type = LongOf(Find(row.props, PR_RECIPIENT_TYPE));
        result.push_back(std::move(recipient));
    }
    return result;
}

} // namespace mapi_admin
