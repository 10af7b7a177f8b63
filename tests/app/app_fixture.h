// The app tests' handset: the store tests' fixture with file paths in the device folder, and
// jobs run straight on their worker bodies.
#pragma once

#include "app/jobs.h"
#include "app/owned_format.h"
#include "files/unicode_backup_file.h"
#include "interchange/file_sniffer.h"
#include "platform/faults.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/walk_fixture.h"

#include <algorithm>
#include <memory>
#include <optional>

// Adds the records m0, m1, ... to the inbox or, with split, every other one to its subfolder Old.
inline void AddRecords(ScriptedFormat& file, int count, bool split) {
    for (int i = 0; i < count; ++i) {
        file.add(split && i % 2 == 1 ? u"Inbox\\Old" : u"Inbox", u"m" + NumberToText(i),
                 1000 + static_cast<std::uint64_t>(i));
    }
}

// Restores the scripted records from the first one on.
inline bool RestoreScript(ScriptedFormat& file, std::u16string& text) {
    file.next = 0;
    file.reads = 0;
    RestoreJob job(u"unused", file, text);
    return RunRestore(job);
}

// The reader of a format that restores: usms, xml or json.
inline std::unique_ptr<BackupFile> Reader(const std::string& format) {
    return format == "usms" ? std::make_unique<UnicodeBackupFile>() : MakeInterchangeFormat(format);
}

class AppFixture : public WalkFixture {
protected:
    std::u16string path(const std::string& name) const {
        return utf::Utf16((folder_ / name).string());
    }
    // A backup of every folder into the named file, whatever the settings file says.
    bool BackupAll(BackupFile& format, const std::string& name, std::u16string& text) const {
        const FolderSelection all = FolderSelection::All();
        BackupJob job(path(name), format, text, &all);
        return RunBackup(job);
    }
    // The same with the writer of that command-line name: a backup, export or interchange one.
    bool BackupAll(const std::string& format, const std::string& name, std::u16string& text) const {
        if (const std::optional<FormatKind> kind = FormatKindFromName(format)) {
            OwnedFormat owned(*kind);
            return BackupAll(owned.format(), name, text);
        }
        return BackupAll(*MakeInterchangeFormat(format), name, text);
    }
    // The named file read through the reader of format, after checking it reads whole.
    RestoreOutcome ReadBack(const std::string& name, const std::string& format = "usms") const {
        RestoreOutcome read = ReadBackupFrom(*Reader(format), path(name));
        EXPECT_TRUE(read.ok) << read.failedAt << " " << utf::Utf8(read.error);
        return read;
    }
};
