#include "store/store_message.h"

#include "model/address_items.h"
#include "platform/sizes.h"
#include "store/store_folder.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

namespace {

// The eight properties of one read, in the order asked.
SizedSPropTagArray<8> MessageTags() {
    return {8,
            {PR_ENTRYID, PR_MESSAGE_FLAGS, PR_SUBJECT_W, PR_LAST_MODIFICATION_TIME,
             PR_MESSAGE_DELIVERY_TIME, PR_SENDER_EMAIL_ADDRESS_W, PR_SENDER_NAME_W,
             PR_MESSAGE_SIZE}};
}

std::u16string TextOf(const SPropValue& value) {
    return value.Value.lpszW != nullptr ? std::u16string(value.Value.lpszW) : std::u16string();
}

Recipient RecipientOf(const SRow& row) {
    Recipient recipient;
    // A row without a type is a primary recipient.
    if (const SPropValue* type = FindProp(row.lpProps, row.cValues, PR_RECIPIENT_TYPE)) {
        recipient.setType(type->Value.ul);
    }
    if (const SPropValue* name = FindProp(row.lpProps, row.cValues, PR_DISPLAY_NAME_W)) {
        recipient.setDisplayName(TextOf(*name));
    }
    if (const SPropValue* address = FindProp(row.lpProps, row.cValues, PR_EMAIL_ADDRESS_W)) {
        recipient.setAddress(TextOf(*address));
    }
    return recipient;
}

std::vector<Recipient> ReadRecipientRows(IMAPITable& table) {
    std::vector<Recipient> list;
    RowSetPtr rows;
    for (;;) {
        const HRESULT hr = table.QueryRows(1, 0, rows.put());
        if (FAILED(hr) || !rows || rows->cRows == 0) {
            break;
        }
        list.push_back(RecipientOf(rows->aRow[0]));
    }
    return list;
}

SPropValue LongValue(ULONG tag, DWORD value) {
    SPropValue prop{};
    prop.ulPropTag = tag;
    prop.Value.ul = value;
    return prop;
}

SPropValue TimeValue(ULONG tag, FILETIME value) {
    SPropValue prop{};
    prop.ulPropTag = tag;
    prop.Value.ft = value;
    return prop;
}

// The text stays owned by the caller and must outlive the value.
SPropValue TextValue(ULONG tag, std::u16string& text) {
    SPropValue prop{};
    prop.ulPropTag = tag;
    prop.Value.lpszW = text.data();
    return prop;
}

// An address list for ModifyRecipients in library memory: the list and each entry's values
// are blocks of their own, the texts hang on their entry's block; all of it goes with this.
class AddressList {
public:
    AddressList() = default;
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;
    ~AddressList() {
        if (list_) {
            ADRENTRY* entries = &list_->aEntries[0];
            for (ULONG i = 0; i < list_->cEntries; ++i) {
                MAPIFreeBuffer(entries[i].rgPropVals);
            }
        }
    }

    bool build(const std::vector<Recipient>& recipients) {
        std::uint32_t bytes = 0;
        if (!sizes::Length32(offsetof(ADRLIST, aEntries), recipients.size(), sizeof(ADRENTRY),
                             bytes) ||
            !allocateZeroed(bytes, list_)) {
            return false;
        }
        for (const Recipient& recipient : recipients) {
            // Counted first, so that an entry whose values fail half-way is freed too.
            ADRENTRY& entry = (&list_->aEntries[0])[list_->cEntries++];
            if (!fillEntry(entry, recipient)) {
                return false;
            }
        }
        return true;
    }

    LPADRLIST get() const { return list_.get(); }

private:
    template <class T> static bool allocateZeroed(ULONG bytes, MapiBuffer<T>& out) {
        LPVOID block = nullptr;
        if (MAPIAllocateBuffer(bytes, &block) != S_OK || block == nullptr) {
            return false;
        }
        std::memset(block, 0, bytes);
        out.reset(static_cast<T*>(block));
        return true;
    }

    static bool copyText(const std::u16string& text, LPVOID root, LPWSTR& out) {
        std::uint32_t bytes = 0;
        LPVOID block = nullptr;
        if (!sizes::Length32(0, text.size() + 1, sizeof(char16_t), bytes) ||
            MAPIAllocateMore(bytes, root, &block) != S_OK || block == nullptr) {
            return false;
        }
        out = static_cast<LPWSTR>(block);
        std::char_traits<char16_t>::copy(out, text.c_str(), text.size() + 1);
        return true;
    }

    static bool fillEntry(ADRENTRY& entry, const Recipient& recipient) {
        MapiBuffer<SPropValue> values;
        if (!allocateZeroed(3 * sizeof(SPropValue), values)) {
            return false;
        }
        entry.rgPropVals = values.release();
        entry.cValues = 3;
        SPropValue* props = entry.rgPropVals;
        props[0].ulPropTag = PR_EMAIL_ADDRESS_W;
        props[1] = LongValue(PR_RECIPIENT_TYPE, recipient.type());
        props[2].ulPropTag = PR_DISPLAY_NAME_W;
        return copyText(recipient.address(), props, props[0].Value.lpszW) &&
               copyText(recipient.displayName(), props, props[2].Value.lpszW);
    }

    MapiBuffer<ADRLIST> list_;
};

const std::vector<Recipient>& NoRecipients() {
    static const std::vector<Recipient> none;
    return none;
}

} // namespace

StoreMessage::StoreMessage(StoreFolder& folder, MapiPtr<IMessage> handle, Origin origin)
    : handle_(std::move(handle)), folder_(folder) {
    // A new message has no properties yet, so reading them could fill no field.
    if (origin == Origin::Created) {
        recipients_.emplace();
        return;
    }
    readProperties();
}

const MessageFolder* StoreMessage::folder() const {
    return &folder_;
}

// A message that lacks some of the properties comes back with MAPI_W_ERRORS_RETURNED and
// PT_ERROR values in their places; the values that are there are kept all the same, since a
// message without a sender name is common and its text must not be lost.
void StoreMessage::readProperties() {
    if (!handle_) {
        return;
    }
    auto tags = MessageTags();
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    const HRESULT hr = handle_->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put());
    if ((hr != S_OK && hr != MAPI_W_ERRORS_RETURNED) || !values) {
        return;
    }
    for (ULONG i = 0; i < count; ++i) {
        takeValue(values[i]);
    }
}

// Matching by full tag passes over the PT_ERROR values of missing properties.
void StoreMessage::takeValue(const SPropValue& value) {
    switch (value.ulPropTag) {
    case PR_ENTRYID:
        entryId_.assign(value.Value.bin.lpb, value.Value.bin.lpb + value.Value.bin.cb);
        break;
    case PR_MESSAGE_FLAGS:
        flags_ = value.Value.ul;
        break;
    case PR_SUBJECT_W:
        body_ = TextOf(value);
        break;
    case PR_LAST_MODIFICATION_TIME:
        lastModified_ = value.Value.ft;
        break;
    case PR_MESSAGE_DELIVERY_TIME:
        deliveryTime_ = value.Value.ft;
        break;
    case PR_SENDER_EMAIL_ADDRESS_W: {
        // Either an address item with name and number, or the number alone.
        const std::u16string text = TextOf(value);
        if (!ParseSenderItem(text, senderName_, senderNumber_)) {
            senderName_ = text;
            senderNumber_ = text;
        }
        break;
    }
    case PR_SENDER_NAME_W:
        if (senderName_.empty()) {
            senderName_ = TextOf(value);
        }
        break;
    case PR_MESSAGE_SIZE:
        size_ = value.Value.ul;
        break;
    default:
        break;
    }
}

const std::vector<Recipient>& StoreMessage::recipients() {
    if (recipients_) {
        return *recipients_;
    }
    if (!handle_) {
        return NoRecipients();
    }
    MapiPtr<IMAPITable> table;
    const HRESULT hr = handle_->GetRecipientTable(0, table.put());
    if (hr == MAPI_E_NO_RECIPIENTS) {
        return recipients_.emplace();
    }
    if (hr != S_OK || !table) {
        // Not kept: the next request asks the store again.
        return NoRecipients();
    }
    recipients_ = ReadRecipientRows(*table);
    return *recipients_;
}

void StoreMessage::appendRecipient(Recipient recipient) {
    if (!recipients_) {
        // A list that could not be read is replaced by the one that restore builds.
        recipients();
        if (!recipients_) {
            recipients_.emplace();
        }
    }
    recipients_->push_back(std::move(recipient));
}

bool StoreMessage::deleteMessage() {
    SBinary entry{static_cast<ULONG>(entryId_.size()), entryId_.data()};
    ENTRYLIST list{1, &entry};
    const HRESULT hr = folder_.handle()->DeleteMessages(&list, 0, nullptr, 0);
    return hr == S_OK || hr == MAPI_W_PARTIAL_COMPLETION;
}

// Recipients first: the properties list a new message, so other readers never see it
// without its recipients.
bool StoreMessage::saveMessage() {
    return writeRecipients() && writeProperties();
}

bool StoreMessage::writeProperties() {
    if (!handle_) {
        return false;
    }
    // Private copies that live until the call returns. The sender item is written whole.
    std::u16string body = body_;
    std::u16string messageClass = messageClass_;
    std::u16string sender = senderText();
    std::array<SPropValue, 7> values = {
        LongValue(PR_MESSAGE_FLAGS, flags_),
        TextValue(PR_SUBJECT_W, body),
        TimeValue(PR_LAST_MODIFICATION_TIME, lastModified_),
        TimeValue(PR_MESSAGE_DELIVERY_TIME, deliveryTime_),
        TextValue(PR_MESSAGE_CLASS_W, messageClass),
        TextValue(PR_SENDER_EMAIL_ADDRESS_W, sender),
        LongValue(PR_MESSAGE_SIZE, size_),
    };
    return handle_->SetProps(static_cast<ULONG>(values.size()), values.data(), nullptr) == S_OK;
}

bool StoreMessage::writeRecipients() {
    if (!recipients_ || recipients_->empty()) {
        return true;
    }
    AddressList list;
    if (!list.build(*recipients_)) {
        return false;
    }
    return handle_->ModifyRecipients(MODRECIP_ADD, list.get()) == S_OK;
}
