// Reading what can still be read from a Unicode backup that fails validation (a wrong digest,
// a truncated tail, damage inside): the records from the start up to the first one that does
// not read whole. Works on the file's bytes in memory and never allocates more than they hold.
#pragma once

#include "model/message_fields.h"
#include "model/recipient.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class BackupSalvage {
public:
    // The bytes must outlive the object.
    explicit BackupSalvage(std::string_view bytes);

    // The total in the header; none when the file is shorter than its header.
    std::optional<DWORD> declaredTotal() const { return declaredTotal_; }

    // Reads the next record that reads whole into the arguments (the list is replaced); false
    // once reading has stopped, for good.
    bool Next(MessageFields& fields, std::vector<Recipient>& recipients);

    // How many records Next gave, the offset where reading stopped (the start of the first
    // record not given) and why, as a phrase: "the end of the file", ...
    DWORD recovered() const { return recovered_; }
    std::size_t stopOffset() const { return offset_; }
    const std::string& stopReason() const { return stopReason_; }

private:
    bool ReadString(std::size_t& at, std::u16string& text) const;
    bool ReadU32(std::size_t& at, DWORD& value) const;
    bool ReadRecord(std::size_t& at, MessageFields& fields, std::vector<Recipient>& recipients);
    bool Stop(std::string reason);

    std::string_view bytes_;
    std::optional<DWORD> declaredTotal_;
    std::size_t offset_ = 0;
    DWORD recovered_ = 0;
    std::string stopReason_;
};
