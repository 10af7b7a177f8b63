// Salvage measured against damage: flipped and smashed bytes at random places of a large
// backup. Every record that the damage did not touch must come back (at least 99% of them), no
// record is invented, and every byte whose damage cost a record lies in a reported stretch.
#include "files/backup_salvage.h"
#include "files/unicode_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

constexpr int kMessages = 2000;

// Varied records: folders of several depths, bodies and recipient lists of several lengths.
std::vector<MemoryRecord> Messages() {
    std::vector<MemoryRecord> messages;
    const std::u16string folders[] = {u"Inbox", u"Sentedbox", u"Inbox\\Work\\2009", u"Draft"};
    for (int i = 0; i < kMessages; ++i) {
        std::vector<Recipient> recipients;
        for (int r = 0; r < i % 4; ++r) {
            recipients.emplace_back(u"+49" + utf::Utf16(std::to_string(1000 + r)), u"R", 1);
        }
        const std::u16string body = u"message " + utf::Utf16(std::to_string(i)) +
                                    std::u16string(static_cast<std::size_t>(i % 97), u'x');
        messages.emplace_back(
            MessageFields{u"IPM.SMStext", folders[i % 4], FILETIME{static_cast<DWORD>(i), 7},
                          FILETIME{static_cast<DWORD>(i), 9}, 1, 42, u"Ann", u"+4912345", body},
            std::move(recipients));
    }
    return messages;
}

// A record's size in the file, from its fields: five texts with their terminating units, six
// numbers, the count, and per recipient two texts and the type.
std::size_t RecordSize(MemoryRecord& record) {
    std::size_t size = 6 * 4 + 4;
    for (const std::size_t length :
         {record.messageClass().size(), record.folderPath().size(), record.senderName().size(),
          record.senderNumber().size(), record.body().size()}) {
        size += 2 * (length + 1);
    }
    for (const Recipient& recipient : record.recipients()) {
        size += 2 * (recipient.address().size() + 1) + 2 * (recipient.displayName().size() + 1) + 4;
    }
    return size;
}

TEST(BackupSalvage, KeepsTheRecordsThatDamageDidNotTouch) {
    const TempDir dir;
    std::vector<MemoryRecord> messages = Messages();
    std::vector<std::size_t> starts;
    std::size_t at = 20;
    for (MemoryRecord& message : messages) {
        starts.push_back(at);
        at += RecordSize(message);
    }
    starts.push_back(at);
    UnicodeBackupFile format;
    std::vector<MemoryRecord> written = Messages();
    ASSERT_TRUE(RunBackup(format, dir.file("clean.usms"), written).ok);
    const std::string clean = ReadHostFile(dir.path() / "clean.usms");
    ASSERT_EQ(clean.size(), at);

    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        std::string bytes = clean;
        std::set<std::size_t> touched;    // records with a damaged byte
        std::vector<std::size_t> offsets; // every damaged byte
        for (int i = 0; i < 200; ++i) {
            const std::size_t offset =
                std::uniform_int_distribution<std::size_t>(20, bytes.size() - 5)(random);
            const std::size_t length = i % 2 == 0 ? 1 : 4; // a flipped bit, or four smashed bytes
            for (std::size_t b = offset; b < offset + length; ++b) {
                bytes[b] = static_cast<char>(i % 2 == 0 ? bytes[b] ^ 0x10 : '\xFF');
                offsets.push_back(b);
                const auto record = std::upper_bound(starts.begin(), starts.end(), b) - 1;
                touched.insert(static_cast<std::size_t>(record - starts.begin()));
            }
        }
        BackupSalvage salvage(bytes);
        MessageFields fields;
        std::vector<Recipient> recipients;
        std::set<std::size_t> kept;
        while (salvage.Next(fields, recipients)) {
            // An untouched record comes back exactly, where it ended; a touched one may read
            // with its damage.
            const auto end = std::find(starts.begin() + 1, starts.end(), salvage.stopOffset());
            if (end == starts.end()) {
                continue; // a damaged count ended a touched record early: read as it stands
            }
            const auto index = static_cast<std::size_t>(end - starts.begin() - 1);
            MemoryRecord& original = messages[index];
            if (touched.count(index) == 0) {
                EXPECT_EQ(fields.body, original.body());
                EXPECT_EQ(fields.folderPath, original.folderPath());
                EXPECT_EQ(recipients, original.recipients());
                kept.insert(index);
            }
        }
        const std::size_t untouched = messages.size() - touched.size();
        EXPECT_GE(kept.size() * 100, untouched * 99)
            << kept.size() << " of " << untouched << " untouched records kept";
        EXPECT_EQ(salvage.stopReason(), "the end of the file");
        // Each damaged byte of a record that was not kept lies in a reported stretch.
        for (const std::size_t b : offsets) {
            const auto record = std::upper_bound(starts.begin(), starts.end(), b) - 1;
            bool reported = false;
            for (const BackupSalvage::Damage& d : salvage.damaged()) {
                reported = reported || (d.begin <= b && b < d.end);
            }
            const std::size_t index = static_cast<std::size_t>(record - starts.begin());
            EXPECT_TRUE(reported || kept.count(index) != 0 || touched.count(index) != 0) << b;
        }
    }
}

} // namespace
