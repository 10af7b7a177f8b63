// One recipient of a message: address (phone number), display name and recipient type.
#pragma once

#include "platform/wintypes.h"

#include <string>

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

    friend bool operator==(const Recipient&, const Recipient&) = default;

private:
    std::u16string address_;
    std::u16string displayName_;
    DWORD type_ = 1; // MAPI_TO: the primary recipient
};
