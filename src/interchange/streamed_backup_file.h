// The backup-file operations shared by the interchange formats. Reading makes two passes: the
// check reads the whole file once, so that a damaged file fails before anything is restored and
// the total is known; the records then come from a second pass. Neither pass keeps more than
// one message. Writing streams a header, one piece of text per message and a footer.
#pragma once

#include "files/backup_file.h"
#include "interchange/byte_source.h"
#include "interchange/message_reader.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// "Left out: n characters U+0000, which no message can hold.", or empty for none.
std::u16string LeftOutNote(unsigned long count);

class StreamedBackupFile : public BackupFile {
public:
    StreamedBackupFile() = default;
    ~StreamedBackupFile() override;
    StreamedBackupFile(const StreamedBackupFile&) = delete;
    StreamedBackupFile& operator=(const StreamedBackupFile&) = delete;

    // The format keeps its own handle: the handle arguments are neither read nor set.
    [[nodiscard]] bool OpenForRead(std::u16string path, HANDLE& handle,
                                   std::u16string& error) override;
    [[nodiscard]] bool ReadRecord(HANDLE handle, MessageFields& record,
                                  std::vector<Recipient>& recipients,
                                  std::u16string& error) override;
    // Reads and maps every message of the file; false with the place and reason of the first
    // fault.
    [[nodiscard]] bool CheckValidation(HANDLE handle, std::u16string& error) override;
    [[nodiscard]] bool ReadTotal(HANDLE handle, DWORD& total, std::u16string& error) override;
    bool CloseAfterRead(HANDLE handle, std::u16string& error) override;

    [[nodiscard]] bool OpenForWrite(std::u16string path, HANDLE& handle,
                                    std::u16string& error) override;
    [[nodiscard]] bool SkipValidationArea(HANDLE handle, std::u16string& error) override;
    // The first call writes the header; a later one (a corrected total) changes nothing, since
    // the footer declares what was really written.
    [[nodiscard]] bool WriteTotal(HANDLE handle, DWORD total, std::u16string& error) override;
    [[nodiscard]] bool WriteRecord(HANDLE handle, MessageRecord& message,
                                   std::u16string& error) override;
    // Writes the footer and makes the declared count that of the records written.
    [[nodiscard]] bool WriteValidation(HANDLE handle, std::u16string& error) override;
    [[nodiscard]] bool CloseAfterWrite(HANDLE handle, std::u16string& error) override;

    // Reading in one pass, for a caller whose output is discarded when the input proves
    // damaged: no check pass and no total; Next gives the messages up to End or the first fault.
    // A failure's text is whole, as the reading operations above word theirs.
    [[nodiscard]] bool StartOnePass(std::u16string& error);
    MessageReader::Result Next(MessageFields& fields, std::vector<Recipient>& recipients,
                               std::u16string& error);

    // Elements or lines of the checked file (or of the pass so far) that held no message.
    unsigned long Skipped() const { return reader_ && !total_ ? reader_->Skipped() : skipped_; }
    // Characters U+0000 of the checked file (or of the pass so far) that were left out of the
    // texts that held them.
    unsigned long LeftOut() const { return reader_ && !total_ ? reader_->LeftOut() : leftOut_; }
    // The line that tells the user about them, once per file; empty when there were none.
    std::u16string LeftOutNote() const { return ::LeftOutNote(LeftOut()); }

protected:
    virtual std::unique_ptr<MessageReader> NewReader(ByteSource& source) const = 0;
    virtual void AppendHeader(std::string& out, DWORD total) const = 0;
    virtual void AppendRecord(std::string& out, MessageRecord& message,
                              const std::u16string& folderPath) const = 0;
    virtual void AppendFooter(std::string& out) const = 0;
    // Where the header's count lies and its text for n records, when the format declares one.
    struct CountPatch {
        std::uint64_t offset = 0;
        std::string text;
    };
    [[nodiscard]] virtual std::optional<CountPatch> PatchCount(DWORD written) const = 0;

private:
    [[nodiscard]] bool Validate(std::u16string& error);
    [[nodiscard]] bool Write(const std::string& bytes);
    void Close();

    HANDLE file_ = 0;
    std::unique_ptr<FileByteSource> source_;
    std::unique_ptr<MessageReader> reader_;
    std::optional<DWORD> total_;
    unsigned long skipped_ = 0;
    unsigned long leftOut_ = 0;
    bool headerWritten_ = false;
    DWORD written_ = 0;
    std::string buffer_;
};
