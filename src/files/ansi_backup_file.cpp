#include "files/ansi_backup_file.h"

#include "files/file_access.h"
#include "files/size_digest.h"
#include "model/address_items.h"
#include "platform/errors.h"
#include "platform/sizes.h"
#include "resources/string_table.h"

#include <cstdint>
#include <string>

namespace {

constexpr LONG kRecordsOffset = 16;
constexpr char16_t kCannotRead[] = u"ANSI backup files cannot be read.";

// Ends a step of a record: on failure the text is the step's phrase and the system text of the
// call that just failed.
bool Step(bool written, const char16_t* phrase, std::u16string& error) {
    if (!written) {
        error = phrase + ErrorText();
    }
    return written;
}

// The length field has 32 bits: a longer body is refused, never cut.
bool WriteLength(HANDLE handle, std::size_t size) {
    std::uint32_t length = 0;
    if (!sizes::Length32(0, size, 1, length)) {
        SetLastError(ERROR_ARITHMETIC_OVERFLOW);
        return false;
    }
    return WriteU32(handle, length);
}

// A line ends at the text's first U+0000; cutting it here keeps the line feed behind it.
std::u16string LineText(const std::u16string& text) {
    return text.substr(0, text.find(u'\0'));
}

// The digest of a file of this size. False with the last error set when
// the size cannot be learnt or the digest computed.
bool ValidationDigest(HANDLE file, Md5Digest& digest) {
    DWORD size = 0;
    if (!FileSize(file, size)) {
        return false;
    }
    if (!AnsiSizeDigest(size, digest)) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
    return true;
}

} // namespace

AnsiBackupFile::AnsiBackupFile() : WriteOnlyBackupFile(kCannotRead) {}

bool AnsiBackupFile::OpenForWrite(std::u16string path, HANDLE& handle, std::u16string& error) {
    const HANDLE created = CreateForWriting(path);
    if (!IsValidHandle(created)) {
        const std::u16string system = ErrorText(); // before the string table is consulted
        error = ResourceString(resources::kIdsWriteFileFailed) + u"," + system;
        return false;
    }
    handle = created;
    return true;
}

bool AnsiBackupFile::SkipValidationArea(HANDLE handle, std::u16string& error) {
    return Step(SeekFile(handle, kRecordsOffset, FILE_BEGIN), u"Seek file error, ", error);
}

bool AnsiBackupFile::WriteTotal(HANDLE handle, DWORD total, std::u16string& error) {
    return Step(WriteU32(handle, total), u"write sms total numbers error, ", error);
}

bool AnsiBackupFile::WriteRecord(HANDLE handle, MessageRecord& message, std::u16string& error) {
    if (!Step(WriteLine(handle, LineText(message.messageClass())), u"write msg class error, ",
              error)) {
        return false;
    }
    if (!message.hasFolder()) {
        return false;
    }
    const FILETIME modified = message.lastModified();
    const FILETIME delivered = message.deliveryTime();
    // Address items are written whole, however long: cutting them would lose data.
    const std::u16string recipients = FormatRecipientList(message.recipients());
    const std::u16string sender = FormatSenderItem(message.senderName(), message.senderNumber());
    const std::string body = WideToAnsi(message.body());
    return Step(WriteLine(handle, LineText(message.folderPath())), u"write folder name error, ",
                error) &&
           Step(WriteU32(handle, modified.dwLowDateTime), u"write ModifyTime LowDateTime error, ",
                error) &&
           Step(WriteU32(handle, modified.dwHighDateTime),
                u"write ModifyTime dwHighDateTime error, ", error) &&
           Step(WriteU32(handle, delivered.dwLowDateTime),
                u"write DeliveryTime LowDateTime error, ", error) &&
           Step(WriteU32(handle, delivered.dwHighDateTime),
                u"write DeliveryTime dwHighDateTime error, ", error) &&
           Step(WriteU32(handle, message.flags()), u"write flag error, ", error) &&
           Step(WriteU32(handle, message.size()), u"write msg size error, ", error) &&
           Step(WriteLine(handle, recipients), u"write rcps error, ", error) &&
           Step(WriteLine(handle, sender), u"write sender info error, ", error) &&
           Step(WriteLength(handle, body.size()), u"write subject len error, ", error) &&
           Step(WriteAll(handle, body.data(), static_cast<DWORD>(body.size())),
                u"write subject error, ", error);
}

bool AnsiBackupFile::WriteValidation(HANDLE handle, std::u16string& error) {
    Md5Digest digest{};
    // The digest comes last: once written, the file may replace an earlier one.
    return Step(ValidationDigest(handle, digest), u"Write validate info(write file) error, ",
                error) &&
           Step(SeekFile(handle, 0, FILE_BEGIN), u"Write validate info(seekFile) error, ", error) &&
           Step(WriteAll(handle, digest.data(), static_cast<DWORD>(digest.size())),
                u"Write validate info(write file) error, ", error) &&
           MarkComplete(handle);
}

bool AnsiBackupFile::CloseAfterWrite(HANDLE handle, std::u16string& error) {
    if (!IsValidHandle(handle)) {
        return true;
    }
    const bool flushed = Step(FlushFile(handle), u"flush file error, ", error);
    HANDLE file = handle;
    const bool closed = CloseIfValid(file); // the handle goes back even when the flush failed
    return flushed && Step(closed, u"close file error, ", error);
}
