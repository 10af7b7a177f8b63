// One SMS message as the file formats read it. The store's StoreMessage and the in-memory
// MemoryRecord implement it; restore fills a new record through the setters.
#pragma once

#include "model/message_folder.h"
#include "model/recipient.h"
#include "platform/wintypes.h"

#include <string>
#include <vector>

inline constexpr char16_t kSmsMessageClass[] = u"IPM.SMStext";

class MessageRecord {
public:
    virtual ~MessageRecord() = default;

    virtual const std::u16string& messageClass() const = 0;
    virtual FILETIME lastModified() const = 0;
    virtual FILETIME deliveryTime() const = 0;
    virtual DWORD flags() const = 0;
    virtual DWORD size() const = 0;
    virtual const std::u16string& senderName() const = 0;
    virtual const std::u16string& senderNumber() const = 0;
    virtual const std::u16string& body() const = 0;
    // The recipients in store order; a store-backed record loads them on first request.
    virtual const std::vector<Recipient>& recipients() = 0;
    // The owning folder, or nullptr when the message has none.
    virtual const MessageFolder* folder() const = 0;

    virtual void setBody(std::u16string value) = 0;
    virtual void setFlags(DWORD value) = 0;
    virtual void setLastModified(FILETIME value) = 0;
    virtual void setDeliveryTime(FILETIME value) = 0;
    virtual void setSenderName(std::u16string value) = 0;
    virtual void setSenderNumber(std::u16string value) = 0;
    virtual void setSize(DWORD value) = 0;
    // The record takes the recipient over; restore appends them in file order.
    virtual void appendRecipient(Recipient recipient) = 0;

    // Whether the message has an owning folder; a record may know it without building one.
    [[nodiscard]] virtual bool hasFolder() const { return folder() != nullptr; }
    // The owning folder's path, or the empty text when there is no folder.
    virtual std::u16string folderPath() const;
    // The sender as one address item: "name" <number>.
    std::u16string senderText() const;
    // Parses an address item; on a match sets name and number and returns true.
    bool setSenderFromText(const std::u16string& text);
};
