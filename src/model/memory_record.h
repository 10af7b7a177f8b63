// A message held in memory: the record that a backup file's fields and recipients make without
// a message store. Its folder chain is built from the folder path (first component on top).
#pragma once

#include "model/message_fields.h"
#include "model/message_record.h"

#include <memory>
#include <vector>

class MemoryFolder final : public MessageFolder {
public:
    MemoryFolder(std::u16string name, const MessageFolder* parent)
        : name_(std::move(name)), parent_(parent) {}
    std::u16string name() const override { return name_; }
    const MessageFolder* parent() const override { return parent_; }

private:
    std::u16string name_;
    const MessageFolder* parent_;
};

class MemoryRecord final : public MessageRecord {
public:
    // A record without a folder.
    MemoryRecord() = default;
    // A record in the folder chain of fields.folderPath, with these recipients. Both are taken
    // over, so that a large record read from a file is not held twice.
    MemoryRecord(MessageFields fields, std::vector<Recipient> recipients);

    const std::u16string& messageClass() const override { return fields_.messageClass; }
    FILETIME lastModified() const override { return fields_.lastModified; }
    FILETIME deliveryTime() const override { return fields_.deliveryTime; }
    DWORD flags() const override { return fields_.flags; }
    DWORD size() const override { return fields_.size; }
    const std::u16string& senderName() const override { return fields_.senderName; }
    const std::u16string& senderNumber() const override { return fields_.senderNumber; }
    const std::u16string& body() const override { return fields_.body; }
    const std::vector<Recipient>& recipients() override { return recipients_; }
    // Built on first request: the writers need only the path, which the record already holds.
    const MessageFolder* folder() const override;
    [[nodiscard]] bool hasFolder() const override { return hasFolder_; }
    std::u16string folderPath() const override {
        return hasFolder_ ? fields_.folderPath : std::u16string();
    }

    void setBody(std::u16string value) override { fields_.body = std::move(value); }
    void setFlags(DWORD value) override { fields_.flags = value; }
    void setLastModified(FILETIME value) override { fields_.lastModified = value; }
    void setDeliveryTime(FILETIME value) override { fields_.deliveryTime = value; }
    void setSenderName(std::u16string value) override { fields_.senderName = std::move(value); }
    void setSenderNumber(std::u16string value) override { fields_.senderNumber = std::move(value); }
    void setSize(DWORD value) override { fields_.size = value; }
    void appendRecipient(Recipient recipient) override {
        recipients_.push_back(std::move(recipient));
    }

    // The fields and recipients to fill in place, for a reader that fills one record after
    // another: the texts keep their memory, and the folder chain is built anew from the path.
    MessageFields& fieldsToFill() {
        folders_.clear();
        hasFolder_ = true;
        return fields_;
    }
    std::vector<Recipient>& recipientsToFill() { return recipients_; }

    void setMessageClass(std::u16string value) { fields_.messageClass = std::move(value); }
    // Replaces the folder chain with one built from the path; no folder when absent.
    void setFolderPath(const std::u16string& path);
    void clearFolder() {
        hasFolder_ = false;
        folders_.clear();
    }

private:
    MessageFields fields_;
    std::vector<Recipient> recipients_;
    bool hasFolder_ = false;
    mutable std::vector<std::unique_ptr<MemoryFolder>> folders_; // top folder first, or none yet
};
