#include "files/unicode_backup_file.h"

#include "files/file_access.h"
#include "files/size_digest.h"
#include "files/unicode_record.h"
#include "platform/errors.h"
#include "platform/sizes.h"
#include "platform/utf.h"
#include "resources/string_table.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>

static_assert(std::endian::native == std::endian::little,
              "records are written in the host's UTF-16 layout, which must be little-endian");

namespace {

constexpr LONG kRecordsOffset = 16;

std::u16string ValidationFailed() {
    return ResourceString(resources::kIdsValidationFailed);
}

// The digest of a file of this size. False with the last error set when the size cannot be learnt
// or the digest computed.
bool ValidationDigest(HANDLE file, Md5Digest& digest) {
    DWORD size = 0;
    if (!FileSize(file, size)) {
        return false;
    }
    if (!UnicodeSizeDigest(size, digest)) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
    return true;
}

} // namespace

UnicodeBackupFile::~UnicodeBackupFile() {
    stream_.close();
}

bool UnicodeBackupFile::Open(HANDLE file, const char16_t* phrase, std::u16string& error) {
    if (!IsValidHandle(file)) {
        error = phrase + ErrorText();
        return false;
    }
    stream_.attach(file);
    return true;
}

bool UnicodeBackupFile::OpenForRead(std::u16string path, HANDLE& /*handle*/,
                                    std::u16string& error) {
    stream_.close(); // a run that was never closed must not leak its handle
    return Open(OpenForReading(path), u"begin restore error, ", error);
}

bool UnicodeBackupFile::ReadRecord(HANDLE /*handle*/, MessageFields& record,
                                   std::vector<Recipient>& recipients, std::u16string& error) {
    MessageFields fields;
    std::vector<Recipient> entries;
    if (!unicode_record::Read(stream_.handle(), fields, entries)) {
        error = u"read sms error, " + ErrorText();
        return false;
    }
    record = std::move(fields);
    if (recipients.empty()) {
        recipients = std::move(entries); // the common case takes the list without a copy
    } else {
        recipients.insert(recipients.end(), std::make_move_iterator(entries.begin()),
                          std::make_move_iterator(entries.end()));
    }
    return true;
}

bool UnicodeBackupFile::CheckValidation(HANDLE /*handle*/, std::u16string& error) {
    Md5Digest stored{};
    for (BYTE& byte : stored) {
        if (!stream_.readByte(byte)) {
            error = ValidationFailed();
            return false;
        }
    }
    Md5Digest expected{};
    if (!ValidationDigest(stream_.handle(), expected) || stored != expected) {
        error = ValidationFailed();
        return false;
    }
    return true;
}

bool UnicodeBackupFile::ReadTotal(HANDLE /*handle*/, DWORD& total, std::u16string& error) {
    if (!stream_.readU32(total)) {
        error = u"read total error, " + ErrorText();
        return false;
    }
    return true;
}

bool UnicodeBackupFile::CloseAfterRead(HANDLE /*handle*/, std::u16string& /*error*/) {
    stream_.close();
    return true;
}

bool UnicodeBackupFile::OpenForWrite(std::u16string path, HANDLE& /*handle*/,
                                     std::u16string& error) {
    stream_.close();
    return Open(CreateForWriting(path), u"begin backup error, ", error);
}

bool UnicodeBackupFile::SkipValidationArea(HANDLE /*handle*/, std::u16string& error) {
    if (!SeekFile(stream_.handle(), kRecordsOffset, FILE_BEGIN)) {
        error = u"seek file(16) error, " + ErrorText();
        return false;
    }
    return true;
}

bool UnicodeBackupFile::WriteTotal(HANDLE /*handle*/, DWORD total, std::u16string& error) {
    if (!stream_.writeU32(total)) {
        error = u"write total error, " + ErrorText();
        return false;
    }
    return true;
}

namespace {

// A text as a record holds it: up to its first U+0000, for which the record's terminator stands.
std::u16string_view Stored(const std::u16string& text) {
    return {text.data(), utf::FirstNulUnit(text)};
}

std::size_t StoredBytes(std::u16string_view text) {
    return (text.size() + 1) * sizeof(char16_t);
}

// The text and one 0 unit, in the host's (little-endian) layout; returns the end.
char* PutText(char* at, std::u16string_view text) {
    std::memcpy(at, text.data(), text.size() * sizeof(char16_t));
    at += text.size() * sizeof(char16_t);
    const char16_t end = 0;
    std::memcpy(at, &end, sizeof end);
    return at + sizeof end;
}

char* PutU32(char* at, DWORD value) {
    const std::uint32_t word = value;
    std::memcpy(at, &word, sizeof word);
    return at + sizeof word;
}

} // namespace

bool UnicodeBackupFile::WriteRecord(HANDLE /*handle*/, MessageRecord& message,
                                    std::u16string& error) {
    if (!message.hasFolder()) {
        error = u"write sms error, folder is null.";
        return false;
    }
    // Measured first and then copied into storage sized once: a third fewer instructions than
    // appending piece by piece, each append checking the capacity.
    const std::u16string folderPath = message.folderPath();
    const std::vector<Recipient>& recipients = message.recipients();
    const std::u16string_view texts[] = {Stored(message.messageClass()), Stored(folderPath),
                                         Stored(message.senderName()),
                                         Stored(message.senderNumber()), Stored(message.body())};
    constexpr std::size_t kNumbers = 7; // two times, flags, size, recipient count
    std::size_t size = kNumbers * sizeof(std::uint32_t);
    for (const std::u16string_view text : texts) {
        size += StoredBytes(text);
    }
    recipientTexts_.clear();
    for (const Recipient& recipient : recipients) {
        recipientTexts_.push_back(Stored(recipient.displayName()));
        recipientTexts_.push_back(Stored(recipient.address()));
        size += StoredBytes(recipientTexts_.end()[-2]) + StoredBytes(recipientTexts_.back()) +
                sizeof(std::uint32_t);
    }
    record_.resize(size);
    char* at = PutText(PutText(record_.data(), texts[0]), texts[1]);
    for (const DWORD value :
         {message.lastModified().dwLowDateTime, message.lastModified().dwHighDateTime,
          message.deliveryTime().dwLowDateTime, message.deliveryTime().dwHighDateTime,
          message.flags(), message.size()}) {
        at = PutU32(at, value);
    }
    at = PutText(PutText(PutText(at, texts[2]), texts[3]), texts[4]);
    at = PutU32(at, static_cast<DWORD>(recipients.size()));
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        at = PutText(PutText(at, recipientTexts_[2 * i]), recipientTexts_[2 * i + 1]);
        at = PutU32(at, recipients[i].type());
    }
    // The record goes to the file in one call, whose system text a failure carries. The flush
    // belongs to the record: our file layer buffers, and a full disk may only show there.
    std::uint32_t bytes = 0;
    if (!sizes::Length32(0, record_.size(), 1, bytes)) {
        SetLastError(ERROR_ARITHMETIC_OVERFLOW);
        error = u"write sms content error, " + ErrorText();
        return false;
    }
    if (!WriteAll(stream_.handle(), record_.data(), bytes) ||
        (flushEachRecord_ && !stream_.flush())) {
        error = u"write sms content error, " + ErrorText();
        return false;
    }
    return true;
}

bool UnicodeBackupFile::WriteValidation(HANDLE /*handle*/, std::u16string& error) {
    if (!SeekFile(stream_.handle(), 0, FILE_BEGIN)) {
        error = u"seek file(0) error, " + ErrorText();
        return false;
    }
    Md5Digest digest{};
    if (!ValidationDigest(stream_.handle(), digest)) {
        error = u"write validate error, " + ErrorText();
        return false;
    }
    // Every byte counts: a digest with one byte missing fails every later restore.
    for (const BYTE byte : digest) {
        if (!stream_.writeByte(byte)) {
            error = u"write validate error, " + ErrorText();
            return false;
        }
    }
    MarkComplete(stream_.handle()); // the digest comes last: the file may now replace another
    return true;
}

bool UnicodeBackupFile::CloseAfterWrite(HANDLE /*handle*/, std::u16string& error) {
    if (!IsValidHandle(stream_.handle())) {
        return true;
    }
    const bool flushed = stream_.flush();
    const std::u16string flushText = flushed ? std::u16string() : ErrorText();
    const bool closed = stream_.close(); // the handle goes back even when the flush failed
    if (!flushed) {
        error = u"flush file error, " + flushText;
        return false;
    }
    if (!closed) {
        error = u"close file error, " + ErrorText();
        return false;
    }
    return true;
}
