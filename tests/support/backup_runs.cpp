#include "support/backup_runs.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

namespace {

// Names the first step that failed in the outcome, and gives back ok.
bool Step(RunOutcome& outcome, bool ok, const char* name) {
    if (!ok && outcome.failedAt.empty()) {
        outcome.failedAt = name;
    }
    return ok;
}

} // namespace

RunOutcome WriteBackupOf(BackupFile& format, const std::u16string& path,
                         std::vector<MemoryRecord>& messages) {
    RunOutcome run;
    HANDLE handle = 0;
    std::u16string& error = run.error;
    if (!Step(run, format.OpenForWrite(path, handle, error), "OpenForWrite")) {
        return run;
    }
    bool ok = Step(run, format.SkipValidationArea(handle, error), "SkipValidationArea") &&
              Step(run, format.WriteTotal(handle, static_cast<DWORD>(messages.size()), error),
                   "WriteTotal");
    for (std::size_t i = 0; ok && i < messages.size(); ++i) {
        ok = Step(run, format.WriteRecord(handle, messages[i], error), "WriteRecord");
    }
    ok = ok && Step(run, format.WriteValidation(handle, error), "WriteValidation");
    std::u16string closeError;
    if (!Step(run, format.CloseAfterWrite(handle, closeError), "CloseAfterWrite") && ok) {
        error = closeError;
    }
    run.ok = run.failedAt.empty();
    return run;
}

RestoreOutcome ReadBackupFrom(BackupFile& format, const std::u16string& path) {
    RestoreOutcome run;
    HANDLE handle = 0;
    std::u16string& error = run.error;
    if (!Step(run, format.OpenForRead(path, handle, error), "OpenForRead")) {
        return run;
    }
    bool ok = Step(run, format.CheckValidation(handle, error), "CheckValidation") &&
              Step(run, format.ReadTotal(handle, run.total, error), "ReadTotal");
    for (DWORD n = 1; ok && n <= run.total && n != 0; ++n) {
        MessageFields fields;
        std::vector<Recipient> recipients;
        ok = Step(run, format.ReadRecord(handle, fields, recipients, error), "ReadRecord");
        if (ok) {
            run.records.push_back(std::move(fields));
            run.recipients.push_back(std::move(recipients));
        }
    }
    std::u16string ignored;
    format.CloseAfterRead(handle, ignored);
    run.ok = run.failedAt.empty();
    return run;
}

MemoryRecord WorkedExampleMessage() {
    return MemoryRecord({u"IPM.SMStext", u"Inbox", FILETIME{0x04030201, 0x08070605},
                         FILETIME{0x0C0B0A09, 0x100F0E0D}, 0x14131211, 0x18171615, u"Home", u"555",
                         u"Hi"},
                        {Recipient(u"777", u"Work", 1)});
}

std::string Hex(const std::string& text) {
    std::string digits = text;
    std::erase_if(digits, [](char c) { return c == ' ' || c == '\n'; });
    if (digits.size() % 2 != 0) {
        throw std::invalid_argument("odd number of hex digits");
    }
    std::string bytes;
    for (std::size_t at = 0; at < digits.size(); at += 2) {
        bytes.push_back(static_cast<char>(std::stoi(digits.substr(at, 2), nullptr, 16)));
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
