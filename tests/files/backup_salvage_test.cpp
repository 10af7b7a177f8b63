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
std::size_t RecordSize(MemoryRecord& r) {
    std::size_t size = 6 * 4 + 4 +
                       2 * (r.messageClass().size() + r.folderPath().size() +
                            r.senderName().size() + r.senderNumber().size() + r.body().size() + 5);
    for (const Recipient& recipient : r.recipients()) {
        size += 2 * (recipient.address().size() + recipient.displayName().size() + 2) + 4;
    }
    return size;
}

TEST(BackupSalvage, KeepsTheRecordsThatDamageDidNotTouch) {
    const TempDir dir;
    std::vector<MemoryRecord> messages = Messages();
    std::vector<std::size_t> starts{20};
    for (MemoryRecord& message : messages) {
        starts.push_back(starts.back() + RecordSize(message));
    }
    // The index of the record that holds the byte at offset b.
    const auto recordOf = [&starts](std::size_t b) {
        return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), b) - 1 -
                                        starts.begin());
    };
    UnicodeBackupFile format;
    std::vector<MemoryRecord> written = Messages();
    ASSERT_TRUE(WriteBackupOf(format, dir.file("clean.usms"), written).ok);
    const std::string clean = ReadHostFile(dir.path() / "clean.usms");
    ASSERT_EQ(clean.size(), starts.back());

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
                touched.insert(recordOf(b));
            }
        }
        BackupSalvage salvage(bytes);
        MessageFields fields;
        std::vector<Recipient> recipients;
        std::set<std::size_t> kept;
        std::set<std::size_t> given; // the records where a read that Next gave began
        std::size_t from = 20;
        while (salvage.Next(fields, recipients)) {
            if (!salvage.damaged().empty()) {
                from = std::max(from, salvage.damaged().back().end);
            }
            given.insert(recordOf(from));
            from = salvage.stopOffset();
            // An untouched record comes back exactly, where it ended; a touched one may read
            // with its damage, and one that a damaged count ended early reads as it stands.
            const auto end = std::find(starts.begin() + 1, starts.end(), salvage.stopOffset());
            const auto index = static_cast<std::size_t>(end - starts.begin() - 1);
            if (end != starts.end() && touched.count(index) == 0) {
                EXPECT_EQ(fields.body, messages[index].body());
                EXPECT_EQ(fields.folderPath, messages[index].folderPath());
                EXPECT_EQ(recipients, messages[index].recipients());
                kept.insert(index);
            }
        }
        const std::size_t untouched = messages.size() - touched.size();
        EXPECT_GE(kept.size() * 100, untouched * 99)
            << kept.size() << " of " << untouched << " untouched records kept";
        EXPECT_EQ(salvage.stopReason(), "the end of the file");
        // Each damaged byte lies in a reported stretch or in a record whose read was given.
        for (const std::size_t b : offsets) {
            const bool reported = std::any_of(
                salvage.damaged().begin(), salvage.damaged().end(),
                [b](const BackupSalvage::Damage& d) { return d.begin <= b && b < d.end; });
            EXPECT_TRUE(reported || given.count(recordOf(b)) != 0) << b;
        }
    }
}

} // namespace
