#include "files/backup_salvage.h"

#include "model/folder_tokens.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr std::size_t kHeaderSize = 20; // digest and total

// A record whose class is no message class, or whose path starts with no folder token, is
// where misaligned or overwritten bytes begin: a restore could not use it either.
bool LooksWhole(const MessageFields& fields) {
    return fields.messageClass.starts_with(u"IPM.") && IsRestorableFolderPath(fields.folderPath);
}

} // namespace

BackupSalvage::BackupSalvage(std::string_view bytes) : bytes_(bytes) {
    std::size_t at = 16;
    DWORD total = 0;
    if (ReadU32(at, total)) {
        declaredTotal_ = total;
        offset_ = kHeaderSize;
    } else {
        Stop("the file is shorter than its " + std::to_string(kHeaderSize) + "-byte header");
    }
}

bool BackupSalvage::Stop(std::string reason) {
    if (stopReason_.empty()) {
        stopReason_ = std::move(reason);
    }
    return false;
}

bool BackupSalvage::ReadU32(std::size_t& at, DWORD& value) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) {
        return false;
    }
    value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes_[at + static_cast<std::size_t>(i)]);
    }
    at += 4;
    return true;
}

bool BackupSalvage::ReadString(std::size_t& at, std::u16string& text) const {
    text.clear();
    for (; at + 2 <= bytes_.size(); at += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes_[at]) |
                                                static_cast<unsigned char>(bytes_[at + 1]) << 8);
        if (unit == 0) {
            at += 2;
            return true;
        }
        text += unit;
    }
    return false;
}

bool BackupSalvage::ReadRecord(std::size_t& at, MessageFields& fields,
                               std::vector<Recipient>& recipients) {
    DWORD count = 0;
    if (!ReadString(at, fields.messageClass) || !ReadString(at, fields.folderPath) ||
        !ReadU32(at, fields.lastModified.dwLowDateTime) ||
        !ReadU32(at, fields.lastModified.dwHighDateTime) ||
        !ReadU32(at, fields.deliveryTime.dwLowDateTime) ||
        !ReadU32(at, fields.deliveryTime.dwHighDateTime) || !ReadU32(at, fields.flags) ||
        !ReadU32(at, fields.size) || !ReadString(at, fields.senderName) ||
        !ReadString(at, fields.senderNumber) || !ReadString(at, fields.body) ||
        !ReadU32(at, count)) {
        return false;
    }
    // Every entry is read before it exists: a damaged count runs into the end of the bytes.
    recipients.clear();
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i) {
        std::u16string displayName;
        std::u16string address;
        DWORD type = 0;
        if (!ReadString(at, displayName) || !ReadString(at, address) || !ReadU32(at, type)) {
            return false;
        }
        recipients.emplace_back(std::move(address), std::move(displayName), type);
    }
    return true;
}

bool BackupSalvage::Next(MessageFields& fields, std::vector<Recipient>& recipients) {
    if (!stopReason_.empty()) {
        return false;
    }
    if (offset_ == bytes_.size()) {
        return Stop("the end of the file");
    }
    const std::string number = std::to_string(static_cast<unsigned long long>(recovered_) + 1);
    std::size_t at = offset_;
    MessageFields read;
    std::vector<Recipient> entries;
    if (!ReadRecord(at, read, entries)) {
        return Stop("the file ends inside message " + number);
    }
    if (!LooksWhole(read)) {
        return Stop("message " + number + " is damaged");
    }
    fields = std::move(read);
    recipients = std::move(entries);
    offset_ = at;
    ++recovered_;
    return true;
}
