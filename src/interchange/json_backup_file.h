// JSON Lines (one object per message, one line each, UTF-8) as a backup format: lossless, so
// that a Unicode backup comes back from it byte for byte.
#pragma once

#include "interchange/streamed_backup_file.h"

class JsonBackupFile final : public StreamedBackupFile {
protected:
    std::unique_ptr<MessageReader> NewReader(ByteSource& source) const override;
    void AppendHeader(std::string& /*out*/, DWORD /*total*/) const override {}
    void AppendRecord(std::string& out, MessageRecord& message,
                      const std::u16string& folderPath) const override;
    void AppendFooter(std::string& /*out*/) const override {}
    [[nodiscard]] std::optional<CountPatch> PatchCount(DWORD /*written*/) const override {
        return std::nullopt;
    }
};
