// Reading what can still be read from a Unicode backup that fails validation (a wrong digest,
// a truncated tail, damage inside). Reads past damage: where a record does not read whole, it
// looks for the next place where one does (a record begins with its class, "IPM.SMStext") and
// goes on from there, noting the bytes it had to give up. Keeps only records that a restore
// takes: the message class and a folder path that begins with a folder token. Works on the
// file's bytes in memory and never allocates more than they hold.
#pragma once

#include "model/message_fields.h"
#include "model/recipient.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class BackupSalvage {
public:
    // A stretch of bytes that held no whole record, [begin, end).
    struct Damage {
        std::size_t begin;
        std::size_t end;
    };

    // The bytes must outlive the object.
    explicit BackupSalvage(std::string_view bytes);

    // The total in the header; none when the file is shorter than its header.
    [[nodiscard]] std::optional<DWORD> declaredTotal() const { return declaredTotal_; }

    // Reads the next record that reads whole into the arguments (the list is replaced); false
    // once reading has stopped, for good.
    [[nodiscard]] bool Next(MessageFields& fields, std::vector<Recipient>& recipients);

    // How many records Next gave, the offset where reading stopped (the end of the last record
    // given, or of the damage after it) and why, as a phrase: "the end of the file", ...
    DWORD recovered() const { return recovered_; }
    std::size_t stopOffset() const { return offset_; }
    const std::string& stopReason() const { return stopReason_; }
    // The stretches passed over, in file order.
    const std::vector<Damage>& damaged() const { return damaged_; }

private:
    enum class Read { Whole, NotWhole, Cut };
    [[nodiscard]] bool ReadString(std::size_t& at, std::u16string& text);
    [[nodiscard]] bool ReadU32(std::size_t& at, DWORD& value) const;
    Read ReadRecord(std::size_t at, std::size_t& end, MessageFields& fields,
                    std::vector<Recipient>& recipients);
    bool Stop(std::string reason);
    using RecordStart = std::boyer_moore_horspool_searcher<std::string_view::const_iterator>;
    // Where a record that reads whole begins inside [begin, end), after begin; 0 for nowhere.
    std::size_t WholeRecordInside(std::size_t begin, std::size_t end,
                                  const RecordStart& recordStart);

    std::string_view bytes_;
    std::optional<DWORD> declaredTotal_;
    std::size_t offset_ = 0;
    DWORD recovered_ = 0;
    std::string stopReason_;
    std::vector<Damage> damaged_;
    std::size_t examined_ = 0; // bytes read by every attempt so far, bounded against the input
};
