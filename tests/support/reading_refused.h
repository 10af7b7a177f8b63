// The check that a write-only format cannot be read: every reading operation fails, hands out
// no handle, total or recipients, and leaves the error text as it was or gives the refusal.
#pragma once

#include "files/backup_file.h"

#include <gtest/gtest.h>

#include <functional>

inline void ExpectReadingRefused(BackupFile& format, const std::u16string& path,
                                 const std::u16string& refusal = u"") {
    HANDLE handle = 0;
    DWORD total = 5;
    MessageFields record;
    std::vector<Recipient> recipients;
    const std::function<bool(std::u16string&)> reads[] = {
        [&](std::u16string& e) { return format.OpenForRead(path, handle, e); },
        [&](std::u16string& e) { return format.CheckValidation(handle, e); },
        [&](std::u16string& e) { return format.ReadTotal(handle, total, e); },
        [&](std::u16string& e) { return format.ReadRecord(handle, record, recipients, e); },
        [&](std::u16string& e) { return format.CloseAfterRead(handle, e); }};
    for (const auto& read : reads) {
        std::u16string error = u"before";
        EXPECT_FALSE(read(error));
        EXPECT_EQ(error, refusal.empty() ? u"before" : refusal);
    }
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(total, 5u);
    EXPECT_TRUE(recipients.empty());
}
