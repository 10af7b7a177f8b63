// Shared fixtures of the export tests: a fixed code page, UTF-16 bytes, messages held in memory
// and the time zone and reading checks.
#pragma once

#include "files/file_access.h"
#include "model/memory_record.h"
#include "platform/codepage.h"
#include "support/reading_refused.h"
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
