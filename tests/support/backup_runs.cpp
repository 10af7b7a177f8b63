#include "support/backup_runs.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

RunOutcome RunBackup(BackupFile& format, const std::u16string& path,
                     std::vector<MemoryRecord>& messages) {
    RunOutcome outcome;
    HANDLE handle = 0;
    // The name of the first step that failed, or nothing once one has.
    const auto step = [&outcome](bool ok, const char* name) {
        if (!ok && outcome.failedAt.empty()) {
            outcome.failedAt = name;
        }
        return ok;
    };
    if (!step(format.OpenForWrite(path, handle, outcome.error), "OpenForWrite")) {
        return outcome;
    }
    bool ok = step(format.SkipValidationArea(handle, outcome.error), "SkipValidationArea") &&
              step(format.WriteTotal(handle, static_cast<DWORD>(messages.size()), outcome.error),
                   "WriteTotal");
    for (std::size_t i = 0; ok && i < messages.size(); ++i) {
        ok = step(format.WriteRecord(handle, messages[i], outcome.error), "WriteRecord");
    }
    ok = ok && step(format.WriteValidation(handle, outcome.error), "WriteValidation");
    std::u16string closeError;
    if (!step(format.CloseAfterWrite(handle, closeError), "CloseAfterWrite") && ok) {
        outcome.error = closeError;
    }
    outcome.ok = outcome.failedAt.empty();
    return outcome;
}

RestoreOutcome RunRestore(BackupFile& format, const std::u16string& path) {
    RestoreOutcome outcome;
    HANDLE handle = 0;
    if (!format.OpenForRead(path, handle, outcome.error)) {
        outcome.failedAt = "OpenForRead";
        return outcome;
    }
    if (!format.CheckValidation(handle, outcome.error)) {
        outcome.failedAt = "CheckValidation";
    } else if (!format.ReadTotal(handle, outcome.total, outcome.error)) {
        outcome.failedAt = "ReadTotal";
    } else {
        for (DWORD n = 1; n <= outcome.total && n != 0; ++n) {
            MessageFields fields;
            std::vector<Recipient> recipients;
            if (!format.ReadRecord(handle, fields, recipients, outcome.error)) {
                outcome.failedAt = "ReadRecord";
                break;
            }
            outcome.records.push_back(std::move(fields));
            outcome.recipients.push_back(std::move(recipients));
        }
    }
    std::u16string ignored;
    format.CloseAfterRead(handle, ignored);
    outcome.ok = outcome.failedAt.empty();
    return outcome;
}

MemoryRecord WorkedExampleMessage() {
    MessageFields fields;
    fields.messageClass = u"IPM.SMStext";
    fields.folderPath = u"Inbox";
    fields.lastModified = FILETIME{0x04030201, 0x08070605};
    fields.deliveryTime = FILETIME{0x0C0B0A09, 0x100F0E0D};
    fields.flags = 0x14131211;
    fields.size = 0x18171615;
    fields.senderName = u"Home";
    fields.senderNumber = u"555";
    fields.body = u"Hi";
    return MemoryRecord(fields, {Recipient(u"777", u"Work", 1)});
}

std::string Hex(const std::string& text) {
    std::string bytes;
    std::string digits;
    for (const char c : text) {
        if (c == ' ' || c == '\n') {
            continue;
        }
        digits.push_back(c);
        if (digits.size() == 2) {
            bytes.push_back(static_cast<char>(std::stoi(digits, nullptr, 16)));
            digits.clear();
        }
    }
    if (!digits.empty()) {
        throw std::invalid_argument("odd number of hex digits");
    }
    return bytes;
}

std::string U32Bytes(DWORD value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
            static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
}

std::string Utf16Bytes(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    bytes.append(2, '\0');
    return bytes;
}

std::string Md5Of(const std::string& bytes) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_md5(), nullptr) != 1) {
        throw std::runtime_error("MD5 is not available");
    }
    return std::string(reinterpret_cast<const char*>(digest.data()), size);
}
