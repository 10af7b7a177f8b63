#include "files/backup_salvage.h"

#include "model/folder_tokens.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace {

constexpr std::size_t kHeaderSize = 20; // digest and total
constexpr std::u16string_view kMessageClass = u"IPM.SMStext";
// A record begins with its class in UTF-16 and its terminating unit.
constexpr std::string_view kRecordStart{"I\0P\0M\0.\0S\0M\0S\0t\0e\0x\0t\0\0\0", 24};
// A recipient entry takes at least two terminating units and its type.
constexpr std::size_t kSmallestEntry = 8;
// Reading past damage tries each place where a record may begin, and each try may read far;
// past this many bytes read per byte of input, salvage gives up rather than take forever.
constexpr std::size_t kWorkPerByte = 64;

// What a restore takes: the one message class and a folder it can make.
bool LooksWhole(const MessageFields& fields) {
    return fields.messageClass == kMessageClass && IsRestorableFolderPath(fields.folderPath);
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

bool BackupSalvage::ReadString(std::size_t& at, std::u16string& text) {
    text.clear();
    const std::size_t start = at;
    for (; at + 2 <= bytes_.size(); at += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes_[at]) |
                                                static_cast<unsigned char>(bytes_[at + 1]) << 8);
        if (unit == 0) {
            at += 2;
            examined_ += at - start;
            return true;
        }
        text += unit;
    }
    examined_ += at - start;
    return false;
}

// Reads the record at at: Cut when the bytes end inside it, NotWhole when it reads but is no
// record a restore takes.
BackupSalvage::Read BackupSalvage::ReadRecord(std::size_t at, std::size_t& end,
                                              MessageFields& fields,
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
        return Read::Cut;
    }
    // More entries than the rest of the bytes can hold: a damaged count, known at once.
    if (count > (bytes_.size() - at) / kSmallestEntry) {
        return static_cast<std::int32_t>(count) < 0 ? Read::NotWhole : Read::Cut;
    }
    recipients.clear();
    recipients.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        std::u16string displayName;
        std::u16string address;
        DWORD type = 0;
        if (!ReadString(at, displayName) || !ReadString(at, address) || !ReadU32(at, type)) {
            return Read::Cut;
        }
        recipients.emplace_back(std::move(address), std::move(displayName), type);
    }
    end = at;
    return LooksWhole(fields) ? Read::Whole : Read::NotWhole;
}

std::size_t BackupSalvage::WholeRecordInside(std::size_t begin, std::size_t end,
                                             const RecordStart& recordStart) {
    auto from = bytes_.begin() + static_cast<std::ptrdiff_t>(begin) + 1;
    const auto last = bytes_.begin() + static_cast<std::ptrdiff_t>(end);
    for (;;) {
        const auto found = std::search(from, last, recordStart);
        if (found == last) {
            return 0;
        }
        std::size_t innerEnd = 0;
        MessageFields fields;
        std::vector<Recipient> recipients;
        const auto at = static_cast<std::size_t>(found - bytes_.begin());
        if (ReadRecord(at, innerEnd, fields, recipients) == Read::Whole) {
            return at;
        }
        from = found + 1;
    }
}

bool BackupSalvage::Next(MessageFields& fields, std::vector<Recipient>& recipients) {
    if (!stopReason_.empty()) {
        return false;
    }
    const RecordStart recordStart(kRecordStart.begin(), kRecordStart.end());
    std::size_t at = offset_;
    bool damaged = false; // the bytes from offset_ to at hold no whole record
    for (;;) {
        if (at == bytes_.size()) {
            return Stop("the end of the file");
        }
        if (examined_ > kWorkPerByte * std::max<std::size_t>(bytes_.size(), 4096)) {
            return Stop("the damage after byte " + std::to_string(offset_) +
                        " is too dense to read past");
        }
        std::size_t end = 0;
        MessageFields read;
        std::vector<Recipient> entries;
        const Read result = ReadRecord(at, end, read, entries);
        if (result == Read::Whole) {
            // Damage that shortened a text or a count can make a record read whole past the
            // start of the next one; where a whole record begins inside it, that one is kept.
            if (const std::size_t inner = WholeRecordInside(at, end, recordStart); inner != 0) {
                damaged = true;
                at = inner;
                continue;
            }
            if (damaged) {
                damaged_.push_back(Damage{offset_, at});
            }
            fields = std::move(read);
            recipients = std::move(entries);
            offset_ = end;
            ++recovered_;
            return true;
        }
        const auto next = std::search(bytes_.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                                      bytes_.end(), recordStart);
        if (next == bytes_.end()) {
            if (result == Read::Cut && !damaged) {
                // The last record begins here and the file ends inside it: a cut tail.
                return Stop("the file ends inside message " +
                            std::to_string(static_cast<unsigned long long>(recovered_) + 1));
            }
            damaged_.push_back(Damage{offset_, bytes_.size()});
            const std::size_t from = offset_;
            offset_ = bytes_.size();
            return Stop("damage from byte " + std::to_string(from) + " to the end of the file");
        }
        damaged = true;
        at = static_cast<std::size_t>(next - bytes_.begin());
    }
}
