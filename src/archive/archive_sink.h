// The handset's messages into an archive: a BackupFile that the backup job writes to as to any
// backup, whose "file" is the archive's folder. The site is written when the job closes it
// after the last message; a job that ends early leaves nothing.
#pragma once

#include "archive/archive_builder.h"
#include "files/backup_file.h"

#include <memory>

namespace archive {

class ArchiveSink final : public BackupFile {
public:
    explicit ArchiveSink(StopCheck stop = {}) : stop_(std::move(stop)) {}

    // An archive is never read back: these fail and leave the error text alone.
    [[nodiscard]] bool OpenForRead(std::u16string, HANDLE&, std::u16string&) override {
        return false;
    }
    [[nodiscard]] bool ReadRecord(HANDLE, MessageFields&, std::vector<Recipient>&,
                                  std::u16string&) override {
        return false;
    }
    [[nodiscard]] bool CheckValidation(HANDLE, std::u16string&) override { return false; }
    [[nodiscard]] bool ReadTotal(HANDLE, DWORD&, std::u16string&) override { return false; }
    bool CloseAfterRead(HANDLE, std::u16string&) override { return false; }

    [[nodiscard]] bool OpenForWrite(std::u16string path, HANDLE& handle,
                                    std::u16string& error) override;
    [[nodiscard]] bool SkipValidationArea(HANDLE, std::u16string&) override { return true; }
    [[nodiscard]] bool WriteTotal(HANDLE, DWORD, std::u16string&) override { return true; }
    [[nodiscard]] bool WriteRecord(HANDLE handle, MessageRecord& message,
                                   std::u16string& error) override;
    // Marks the archive complete: only then does the close write the site.
    [[nodiscard]] bool WriteValidation(HANDLE handle, std::u16string& error) override;
    [[nodiscard]] bool CloseAfterWrite(HANDLE handle, std::u16string& error) override;

    // What the last archive held, once closed.
    const ArchiveCounts& counts() const { return counts_; }
    [[nodiscard]] bool stopped() const { return stopped_; }

private:
    StopCheck stop_;
    std::unique_ptr<ArchiveBuilder> builder_;
    bool complete_ = false;
    bool stopped_ = false;
    ArchiveCounts counts_;
};

} // namespace archive
