// Shared fixtures of the export tests: a fixed code page, UTF-16 bytes, messages held in memory
// and the check that an export cannot be read.
#pragma once

#include "files/file_access.h"
#include "model/memory_record.h"
#include "platform/codepage.h"
#include "support/time_zone_guard.h"

#include <gtest/gtest.h>

#include <string>

class CodePageGuard {
public:
    explicit CodePageGuard(UINT codePage) { SetActiveCodePage(codePage); }
    ~CodePageGuard() { SetActiveCodePage(0); }
    CodePageGuard(const CodePageGuard&) = delete;
    CodePageGuard& operator=(const CodePageGuard&) = delete;
};

// Bytes of the ASCII text as UTF-16 code units, low byte first.
inline std::string Utf16Le(std::string_view ascii) {
    std::string bytes;
    for (const char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

inline MessageFields Fields(std::u16string folderPath, std::u16string senderName,
                            std::u16string senderNumber, std::u16string body) {
    MessageFields fields;
    fields.messageClass = u"IPM.SMStext";
    fields.folderPath = std::move(folderPath);
    fields.senderName = std::move(senderName);
    fields.senderNumber = std::move(senderNumber);
    fields.body = std::move(body);
    return fields;
}

// An export cannot be read: every reading operation fails without a text or a file.
template <class Exporter>
void ExpectReadingRefused(Exporter& exporter, const std::u16string& path) {
    HANDLE handle = 0;
    std::u16string error = u"before";
    MessageFields record;
    std::vector<Recipient> recipients;
    DWORD total = 5;
    EXPECT_FALSE(exporter.OpenForRead(path, handle, error));
    EXPECT_FALSE(exporter.CheckValidation(handle, error));
    EXPECT_FALSE(exporter.ReadTotal(handle, total, error));
    EXPECT_FALSE(exporter.ReadRecord(handle, record, recipients, error));
    EXPECT_FALSE(exporter.CloseAfterRead(handle, error));
    EXPECT_EQ(error, u"before");
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(total, 5u);
    EXPECT_TRUE(recipients.empty());
}
