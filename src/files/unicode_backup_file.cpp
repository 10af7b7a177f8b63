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

bool UnicodeBackupFile::WriteRecord(HANDLE /*handle*/, MessageRecord& message,
                                    std::u16string& error) {
    if (!message.hasFolder()) {
        error = u"write sms error, folder is null.";
        return false;
    }
    // The record goes to the file in one call, whose system text a failure carries. The flush
    // belongs to the record: our file layer buffers, and a full disk may only show there.
    record_.clear();
    AppendFields(message, message.folderPath());
    AppendRecipients(message.recipients());
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

// The text up to its first U+0000, then one 0 unit, in the host's (little-endian) layout.
void UnicodeBackupFile::AppendText(const std::u16string& text) {
    const std::size_t units = utf::FirstNulUnit(text) + 1; // up to the first U+0000, with it
    record_.append(reinterpret_cast<const char*>(text.c_str()), units * sizeof(char16_t));
}

void UnicodeBackupFile::AppendU32(DWORD value) {
    for (int shift = 0; shift < 32; shift += 8) {
        record_.push_back(static_cast<char>(value >> shift));
    }
}

void UnicodeBackupFile::AppendFields(const MessageRecord& message,
                                     const std::u16string& folderPath) {
    AppendText(message.messageClass());
    AppendText(folderPath);
    AppendU32(message.lastModified().dwLowDateTime);
    AppendU32(message.lastModified().dwHighDateTime);
    AppendU32(message.deliveryTime().dwLowDateTime);
    AppendU32(message.deliveryTime().dwHighDateTime);
    AppendU32(message.flags());
    AppendU32(message.size());
    AppendText(message.senderName());
    AppendText(message.senderNumber());
    AppendText(message.body());
}

void UnicodeBackupFile::AppendRecipients(const std::vector<Recipient>& recipients) {
    AppendU32(static_cast<DWORD>(recipients.size()));
    for (const Recipient& recipient : recipients) {
        AppendText(recipient.displayName());
        AppendText(recipient.address());
        AppendU32(recipient.type());
    }
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
