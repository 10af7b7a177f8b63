// One message of the store: its fields read with one property call when the message is opened,
// its recipients read on first request, and the writes that restore makes (properties and
// recipients in one go, and deletion from the owning folder).
#pragma once

#include "model/message_record.h"
#include "platform/mapi/mapi.h"
#include "platform/mapi/mapi_ptr.h"

#include <optional>
#include <string>
#include <vector>

class StoreFolder;

class StoreMessage final : public MessageRecord {
public:
    // Takes over handle and reads the message's properties. A message made by CreateMessage
    // starts with an empty recipient list instead of asking the store for one.
    enum class Origin { Opened, Created };
    StoreMessage(StoreFolder& folder, MapiPtr<IMessage> handle, Origin origin = Origin::Opened);
    ~StoreMessage() override = default;
    StoreMessage(const StoreMessage&) = delete;
    StoreMessage& operator=(const StoreMessage&) = delete;

    const std::u16string& messageClass() const override { return messageClass_; }
    FILETIME lastModified() const override { return lastModified_; }
    FILETIME deliveryTime() const override { return deliveryTime_; }
    DWORD flags() const override { return flags_; }
    DWORD size() const override { return size_; }
    const std::u16string& senderName() const override { return senderName_; }
    const std::u16string& senderNumber() const override { return senderNumber_; }
    const std::u16string& body() const override { return body_; }
    // Read from the recipient table once; empty when there are none or the table cannot be
    // read (a failed read is tried again on the next request).
    const std::vector<Recipient>& recipients() override;
    const MessageFolder* folder() const override;
    // True when the properties were read (a missing one is no failure) and the recipient list
    // reads whole. A message that does not cannot be backed up as it is stored.
    [[nodiscard]] bool readWhole();
    StoreFolder& owningFolder() const { return folder_; }

    void setBody(std::u16string value) override { body_ = std::move(value); }
    void setFlags(DWORD value) override { flags_ = value; }
    void setLastModified(FILETIME value) override { lastModified_ = value; }
    void setDeliveryTime(FILETIME value) override { deliveryTime_ = value; }
    void setSenderName(std::u16string value) override { senderName_ = std::move(value); }
    void setSenderNumber(std::u16string value) override { senderNumber_ = std::move(value); }
    void setSize(DWORD value) override { size_ = value; }
    void appendRecipient(Recipient recipient) override;
    // Appends a whole list in order; taken over without a copy when the list so far is empty.
    void appendRecipients(std::vector<Recipient> list);

    // The entry identifier as read at opening; empty when that read failed.
    const std::vector<BYTE>& entryId() const { return entryId_; }
    IMessage* handle() const { return handle_.get(); }

    // Deletes the message from its folder; true when the store reports it gone.
    [[nodiscard]] bool deleteMessage();
    // Writes the seven properties and, when there are any, the recipients. The recipient list
    // is handed to the store: a later request reads it back from there.
    [[nodiscard]] bool saveMessage();
    // The mail library's result of the last failed save, S_OK when there was none.
    [[nodiscard]] HRESULT lastError() const { return lastError_; }
    // Makes the save of this created message delete old in the same store transaction: the
    // store then holds one of the two at every moment, whatever stops the save.
    void replaceOnSave(const StoreMessage& old) { replaces_ = old.entryId(); }

private:
    void readProperties();
    void takeValue(const SPropValue& value);
    [[nodiscard]] bool writeProperties();
    [[nodiscard]] bool writeRecipients();

    MapiPtr<IMessage> handle_;
    std::u16string body_;
    DWORD flags_ = 0;
    FILETIME lastModified_;
    FILETIME deliveryTime_;
    std::optional<std::vector<Recipient>> recipients_;
    bool propertiesFailed_ = false;
    HRESULT lastError_ = S_OK;
    std::vector<BYTE> entryId_;
    std::vector<BYTE> replaces_; // the entry identifier of the message the save replaces
    std::u16string messageClass_ = kSmsMessageClass;
    StoreFolder& folder_;
    std::u16string senderName_;
    std::u16string senderNumber_;
    DWORD size_ = 0;
};
