#include "store/store_message.h"

#include "model/address_items.h"
#include "platform/sizes.h"
#include "store/store_folder.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <iterator>
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

// Every row of the table; false when a row cannot be read, so that a damaged list is never
// taken for a shorter one.
bool ReadRecipientRows(IMAPITable& table, std::vector<Recipient>& list) {
    RowSetPtr rows;
    for (;;) {
        const HRESULT hr = table.QueryRows(1, 0, rows.put());
        if (FAILED(hr) || !rows) {
            return false;
        }
        if (rows->cRows == 0) {
            return true;
        }
        list.push_back(RecipientOf(rows->aRow[0]));
    }
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

// An address list for ModifyRecipients in library memory: the list and each entry's values are
// blocks of their own, each entry's two texts copied into its values' block behind the values,
// so that a long list costs two allocations per entry, not four. All of it goes with this.
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
            ADRENTRY& entry = (&list_->aEntries[0])[list_->cEntries];
            if (!fillEntry(entry, recipient)) {
                return false;
            }
            ++list_->cEntries;
        }
        return true;
    }

    LPADRLIST get() const { return list_.get(); }

private:
    static constexpr ULONG kValues = 3;

    template <class T> static bool allocateZeroed(ULONG bytes, MapiBuffer<T>& out) {
        LPVOID block = nullptr;
        if (MAPIAllocateBuffer(bytes, &block) != S_OK || block == nullptr) {
            return false;
        }
        std::memset(block, 0, bytes);
        out.reset(static_cast<T*>(block));
        return true;
    }

    // Copies text with its terminator to at and returns the unit after it.
    static char16_t* copyText(const std::u16string& text, char16_t* at) {
        std::char_traits<char16_t>::copy(at, text.c_str(), text.size() + 1);
        return at + text.size() + 1;
    }

    static bool fillEntry(ADRENTRY& entry, const Recipient& recipient) {
        const std::size_t units = recipient.address().size() + recipient.displayName().size() + 2;
        std::uint32_t bytes = 0;
        MapiBuffer<SPropValue> values;
        if (!sizes::Length32(kValues * sizeof(SPropValue), units, sizeof(char16_t), bytes) ||
            !allocateZeroed(bytes, values)) {
            return false;
        }
        SPropValue* props = values.get();
        auto* texts = reinterpret_cast<char16_t*>(props + kValues);
        props[0].ulPropTag = PR_EMAIL_ADDRESS_W;
        props[0].Value.lpszW = texts;
        props[1] = LongValue(PR_RECIPIENT_TYPE, recipient.type());
        props[2].ulPropTag = PR_DISPLAY_NAME_W;
        props[2].Value.lpszW = copyText(recipient.address(), texts);
        copyText(recipient.displayName(), props[2].Value.lpszW);
        entry.cValues = kValues;
        entry.rgPropVals = values.release();
        return true;
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
    if (FAILED(hr)) {
        propertiesFailed_ = true; // missing values are a warning; this is a failure
        return;
    }
    if (!values) {
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
    std::vector<Recipient> list;
    if (hr != S_OK || !table || !ReadRecipientRows(*table, list)) {
        // Not kept: the next request asks the store again.
        return NoRecipients();
    }
    recipients_ = std::move(list);
    return *recipients_;
}

bool StoreMessage::readWhole() {
    if (propertiesFailed_) {
        return false;
    }
    recipients();
    return recipients_.has_value();
}

void StoreMessage::appendRecipients(std::vector<Recipient> list) {
    if (!recipients_) {
        recipients(); // as appendRecipient: a list that could not be read is replaced
    }
    if (!recipients_ || recipients_->empty()) {
        recipients_ = std::move(list);
        return;
    }
    recipients_->insert(recipients_->end(), std::make_move_iterator(list.begin()),
                        std::make_move_iterator(list.end()));
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
    // The library only reads the values during the call, so the texts are passed where they
    // are held: a long body is not copied. The sender item is written whole.
    std::u16string sender = senderText();
    std::array<SPropValue, 8> values = {
        LongValue(PR_MESSAGE_FLAGS, flags_),
        TextValue(PR_SUBJECT_W, body_),
        TimeValue(PR_LAST_MODIFICATION_TIME, lastModified_),
        TimeValue(PR_MESSAGE_DELIVERY_TIME, deliveryTime_),
        TextValue(PR_MESSAGE_CLASS_W, messageClass_),
        TextValue(PR_SENDER_EMAIL_ADDRESS_W, sender),
        LongValue(PR_MESSAGE_SIZE, size_),
        SPropValue{},
    };
    ULONG count = 7;
    if (!replaces_.empty()) {
        values[count].ulPropTag = PR_REPLACED_ENTRYID;
        values[count].Value.bin = SBinary{static_cast<ULONG>(replaces_.size()), replaces_.data()};
        ++count;
    }
    lastError_ = handle_->SetProps(count, values.data(), nullptr);
    return lastError_ == S_OK;
}

bool StoreMessage::writeRecipients() {
    if (!recipients_ || recipients_->empty()) {
        return true;
    }
    AddressList list;
    if (!list.build(*recipients_)) {
        return false;
    }
    // The address list holds them now: freed before the store takes its own copy, and read
    // back from the store when asked for again.
    recipients_.reset();
    lastError_ = handle_->ModifyRecipients(MODRECIP_ADD, list.get());
    return lastError_ == S_OK;
}
