// The phone XML backup (<smses> with one <sms> per message) as a backup format: written by
// `backup xml` and convert, read by every command that reads files.
#pragma once

#include "interchange/streamed_backup_file.h"

class XmlBackupFile final : public StreamedBackupFile {
protected:
    std::unique_ptr<MessageReader> NewReader(ByteSource& source) const override;
    void AppendHeader(std::string& out, DWORD total) const override;
    void AppendRecord(std::string& out, MessageRecord& message,
                      const std::u16string& folderPath) const override;
    void AppendFooter(std::string& out) const override;
    [[nodiscard]] std::optional<CountPatch> PatchCount(DWORD written) const override;
};
