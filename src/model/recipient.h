// One recipient of a message: address (phone number), display name and recipient type.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <string>

// The most recipients that a message read from a file may have: far above any real message, it
// bounds what a damaged or hostile file can make a reader or a restore build, and every reader
// holds to it, so a backup of what was restored can always be read back.
inline constexpr std::size_t kMaxRecipients = 100'000;

class Recipient {
public:
    Recipient() = default;
    Recipient(std::u16string address, std::u16string displayName, DWORD type)
        : address_(std::move(address)), displayName_(std::move(displayName)), type_(type) {}

    const std::u16string& address() const { return address_; }
    const std::u16string& displayName() const { return displayName_; }
    DWORD type() const { return type_; }

    void setAddress(std::u16string value) { address_ = std::move(value); }
    void setDisplayName(std::u16string value) { displayName_ = std::move(value); }
    void setType(DWORD value) { type_ = value; }
    // For a reader that fills one recipient after another in place: the texts keep their memory.
    std::u16string& addressToFill() { return address_; }
    std::u16string& displayNameToFill() { return displayName_; }

    friend bool operator==(const Recipient&, const Recipient&) = default;

private:
    std::u16string address_;
    std::u16string displayName_;
    DWORD type_ = 1; // MAPI_TO: the primary recipient
};
