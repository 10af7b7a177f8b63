#include "files/unicode_record.h"

#include "files/file_access.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>
#include <string>

static_assert(std::endian::native == std::endian::little,
              "texts are read in the host's UTF-16 layout, which must be little-endian");

namespace unicode_record {
namespace {

// The walk reads in blocks that start small, so that a short record costs one small read, and
// grow to the file layer's own buffer size for long ones. A record up to kKeptRecord bytes stays
// in the walk's buffer and is built from there; a longer one is read again from the file.
constexpr std::size_t kFirstBlock = 256;
constexpr std::size_t kLargestBlock = 64 * 1024;
constexpr std::size_t kKeptRecord = 64 * 1024;

// The walk's buffer and lengths, kept per thread so that a record costs no allocation; the
// buffer never grows beyond kLargestBlock.
struct WalkStorage {
    std::vector<unsigned char> buffer;
    std::vector<std::uint32_t> lengths;
};

// The first pass: the record's structure and text lengths, without its content.
class RecordWalk {
public:
    RecordWalk(HANDLE file, WalkStorage& storage)
        : file_(file), buffer_(storage.buffer), lengths_(storage.lengths) {
        buffer_.clear();
        lengths_.clear();
    }

    bool Text() {
        std::uint32_t units = 0;
        for (;;) {
            // Scans the units already read, no further than the record size limit allows.
            const std::size_t room = (kMaxRecordBytes - std::min(consumed_, kMaxRecordBytes)) / 2;
            const std::size_t available = std::min((end_ - next_) / 2, room);
            const unsigned char* const unit = buffer_.data() + next_;
            std::size_t i = 0;
            // Four units at a time until a word holds a 0 unit, then unit by unit.
            while (i + 4 <= available) {
                std::uint64_t word = 0;
                std::memcpy(&word, unit + 2 * i, sizeof word);
                if (((word - 0x0001000100010001u) & ~word & 0x8000800080008000u) != 0) {
                    break;
                }
                i += 4;
            }
            while (i < available && (unit[2 * i] | unit[2 * i + 1]) != 0) {
                ++i;
            }
            units += static_cast<std::uint32_t>(i);
            Take(2 * i);
            if (i < available) {
                Take(2);
                lengths_.push_back(units);
                return true;
            }
            if (!Need(2)) {
                return false;
            }
        }
    }

    bool Skip(std::size_t bytes) {
        if (!Need(bytes)) {
            return false;
        }
        Take(bytes);
        return true;
    }

    bool Count(std::int32_t& count) {
        if (!Need(4)) {
            return false;
        }
        std::uint32_t raw = 0;
        std::memcpy(&raw, buffer_.data() + next_, 4);
        count = static_cast<std::int32_t>(raw);
        Take(4);
        return true;
    }

    // Text lengths in record order.
    const std::vector<std::uint32_t>& Lengths() const { return lengths_; }
    // The whole record, when it is still in the buffer; else empty.
    std::span<const unsigned char> Kept() const {
        return keep_ ? std::span<const unsigned char>(buffer_.data(), next_)
                     : std::span<const unsigned char>();
    }
    // Bytes read from the file beyond the record's end.
    std::uint64_t ReadAhead() const { return end_ - next_; }
    // Bytes read from the file beyond the record's start, the unused read-ahead included.
    std::uint64_t BytesRead() const { return consumed_ + (end_ - next_); }

private:
    void Take(std::size_t bytes) {
        next_ += bytes;
        consumed_ += bytes;
    }

    // At least bytes unread bytes in the buffer, within the record size limit.
    bool Need(std::size_t bytes) {
        if (consumed_ + bytes > kMaxRecordBytes) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        if (end_ - next_ >= bytes) {
            return true;
        }
        keep_ = keep_ && next_ + bytes <= kKeptRecord;
        if (!keep_) { // only the unread bytes move to the front
            std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(next_),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(end_), buffer_.begin());
            end_ -= next_;
            next_ = 0;
        }
        const std::size_t block = buffer_.empty() ? kFirstBlock : buffer_.size() * 2;
        buffer_.resize(std::min(std::max(block, buffer_.size()), kLargestBlock));
        while (end_ - next_ < bytes) {
            DWORD read = 0;
            if (ReadFile(file_, buffer_.data() + end_, static_cast<DWORD>(buffer_.size() - end_),
                         &read, nullptr) == FALSE) {
                return false;
            }
            if (read == 0) {
                SetLastError(ERROR_HANDLE_EOF);
                return false;
            }
            end_ += read;
        }
        return true;
    }

    HANDLE file_;
    std::vector<unsigned char>& buffer_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    std::uint64_t consumed_ = 0;
    bool keep_ = true; // the buffer still begins with the record
    std::vector<std::uint32_t>& lengths_;
};

// Message class, folder path, four time halves, flags and size, sender name and number, body.
bool WalkFields(RecordWalk& walk) {
    return walk.Text() && walk.Text() && walk.Skip(6 * 4) && walk.Text() && walk.Text() &&
           walk.Text();
}

// The entries that the count announces; a count of 0 or less means none.
bool WalkRecipients(RecordWalk& walk, std::size_t& entries) {
    std::int32_t count = 0;
    if (!walk.Count(count)) {
        return false;
    }
    entries = static_cast<std::size_t>(std::max(count, 0));
    for (std::size_t i = 0; i < entries; ++i) {
        if (i == kMaxRecipients) { // only entries the file holds count: a cut list ends first
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        if (!walk.Text() || !walk.Text() || !walk.Skip(4)) {
            return false;
        }
    }
    return true;
}

// Steps back over what the walk read, with a 64-bit distance.
bool SeekBack(HANDLE file, std::uint64_t bytes) {
    const auto distance = static_cast<std::uint64_t>(-static_cast<std::int64_t>(bytes));
    LONG high = static_cast<LONG>(distance >> 32);
    SetLastError(ERROR_SUCCESS);
    const DWORD low =
        SetFilePointer(file, static_cast<LONG>(distance & 0xFFFFFFFFu), &high, FILE_CURRENT);
    return low != INVALID_SET_FILE_POINTER || GetLastError() == ERROR_SUCCESS;
}

// The second pass reads against what the first one found.
class RecordRead {
public:
    RecordRead(HANDLE file, const std::vector<std::uint32_t>& lengths)
        : file_(file), lengths_(lengths) {}

    bool Text(std::u16string& text) {
        const std::uint32_t units = lengths_[nextLength_++];
        text.resize(std::size_t{units} + 1);
        // Within the record size limit, so the byte count fits one call.
        if (!ReadExactly(file_, text.data(), static_cast<DWORD>((std::size_t{units} + 1) * 2))) {
            return false;
        }
        if (text.back() != 0) {
            SetLastError(ERROR_READ_FAULT); // the file changed between the two passes
            return false;
        }
        text.pop_back();
        return true;
    }

    bool U32(DWORD& value) { return ReadU32(file_, value); }

    bool Time(FILETIME& time) { return U32(time.dwLowDateTime) && U32(time.dwHighDateTime); }

private:
    HANDLE file_;
    const std::vector<std::uint32_t>& lengths_;
    std::size_t nextLength_ = 0;
};

// The second pass over a record that the walk kept in memory.
class KeptRead {
public:
    KeptRead(std::span<const unsigned char> record, const std::vector<std::uint32_t>& lengths)
        : record_(record), lengths_(lengths) {}

    bool Text(std::u16string& text) {
        const std::size_t units = lengths_[nextLength_++];
        text.resize(units);
        std::memcpy(text.data(), record_.data() + at_, units * 2);
        at_ += (units + 1) * 2;
        return true;
    }

    bool U32(DWORD& value) {
        std::memcpy(&value, record_.data() + at_, 4);
        at_ += 4;
        return true;
    }

    bool Time(FILETIME& time) { return U32(time.dwLowDateTime) && U32(time.dwHighDateTime); }

private:
    std::span<const unsigned char> record_;
    const std::vector<std::uint32_t>& lengths_;
    std::size_t nextLength_ = 0;
    std::size_t at_ = 0;
};

template <class Read> bool ReadFields(Read& read, MessageFields& fields) {
    return read.Text(fields.messageClass) && read.Text(fields.folderPath) &&
           read.Time(fields.lastModified) && read.Time(fields.deliveryTime) &&
           read.U32(fields.flags) && read.U32(fields.size) && read.Text(fields.senderName) &&
           read.Text(fields.senderNumber) && read.Text(fields.body);
}

template <class Read>
bool ReadRecipients(Read& read, std::size_t entries, std::vector<Recipient>& recipients) {
    DWORD count = 0;
    if (!read.U32(count)) {
        return false;
    }
    recipients.reserve(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        std::u16string displayName;
        std::u16string address;
        DWORD type = 0;
        if (!read.Text(displayName) || !read.Text(address) || !read.U32(type)) {
            return false;
        }
        recipients.emplace_back(std::move(address), std::move(displayName), type);
    }
    return true;
}

} // namespace

bool Read(HANDLE file, MessageFields& fields, std::vector<Recipient>& recipients) {
    thread_local WalkStorage storage;
    RecordWalk walk(file, storage);
    std::size_t entries = 0;
    if (!WalkFields(walk) || !WalkRecipients(walk, entries)) {
        return false;
    }
    MessageFields readFields;
    std::vector<Recipient> readRecipients;
    if (!walk.Kept().empty()) {
        KeptRead read(walk.Kept(), walk.Lengths());
        // Puts the file position at the record's end, before what was read ahead.
        if (!ReadFields(read, readFields) || !ReadRecipients(read, entries, readRecipients) ||
            (walk.ReadAhead() != 0 && !SeekBack(file, walk.ReadAhead()))) {
            return false;
        }
    } else {
        RecordRead read(file, walk.Lengths());
        if (!SeekBack(file, walk.BytesRead()) || !ReadFields(read, readFields) ||
            !ReadRecipients(read, entries, readRecipients)) {
            return false;
        }
    }
    fields = std::move(readFields);
    recipients = std::move(readRecipients);
    return true;
}

} // namespace unicode_record
