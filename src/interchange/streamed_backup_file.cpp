#include "interchange/streamed_backup_file.h"

#include "files/file_access.h"

#include <limits>

namespace {

constexpr std::size_t kWriteChunk = 1 << 16;

} // namespace

StreamedBackupFile::~StreamedBackupFile() {
    Close();
}

void StreamedBackupFile::Close() {
    reader_.reset();
    source_.reset();
    CloseIfValid(file_);
    file_ = 0;
}

bool StreamedBackupFile::OpenForRead(std::u16string path, HANDLE& /*handle*/,
                                     std::u16string& error) {
    Close(); // a run that was never closed must not leak its handle
    total_.reset();
    skipped_ = 0;
    const HANDLE file = OpenForReading(path);
    if (!IsValidHandle(file)) {
        error = u"begin restore error, " + ErrorText();
        return false;
    }
    file_ = file;
    source_ = std::make_unique<FileByteSource>(file_);
    return true;
}

bool StreamedBackupFile::Validate(std::u16string& error) {
    if (!source_) {
        error = u"read total error, the file is not open.";
        return false;
    }
    std::unique_ptr<MessageReader> pass = NewReader(*source_);
    std::uint64_t count = 0;
    for (;;) {
        MessageFields fields;
        std::vector<Recipient> recipients;
        const MessageReader::Result result = pass->Next(fields, recipients, error);
        if (result == MessageReader::Result::Failed) {
            return false;
        }
        if (result == MessageReader::Result::End) {
            break;
        }
        if (++count > std::numeric_limits<DWORD>::max()) {
            error = u"read total error, the file holds more messages than a backup can.";
            return false;
        }
    }
    skipped_ = pass->Skipped();
    leftOut_ = pass->LeftOut();
    pass.reset();
    if (!source_->Rewind()) {
        error = u"read total error, " + ErrorText();
        return false;
    }
    reader_ = NewReader(*source_);
    total_ = static_cast<DWORD>(count);
    return true;
}

bool StreamedBackupFile::StartOnePass(std::u16string& error) {
    if (!source_) {
        error = u"read sms error, the file is not open.";
        return false;
    }
    total_.reset();
    reader_ = NewReader(*source_);
    return true;
}

MessageReader::Result StreamedBackupFile::Next(MessageFields& fields,
                                               std::vector<Recipient>& recipients,
                                               std::u16string& error) {
    if (!reader_) {
        error = u"read sms error, the file was not checked.";
        return MessageReader::Result::Failed;
    }
    return reader_->Next(fields, recipients, error);
}

std::u16string LeftOutNote(unsigned long count) {
    if (count == 0) {
        return {};
    }
    const std::string digits = std::to_string(count);
    return u"Left out: " + std::u16string(digits.begin(), digits.end()) +
           (count == 1 ? u" character U+0000, which no message can hold.\n"
                       : u" characters U+0000, which no message can hold.\n");
}

bool StreamedBackupFile::CheckValidation(HANDLE /*handle*/, std::u16string& error) {
    return Validate(error);
}

bool StreamedBackupFile::ReadTotal(HANDLE /*handle*/, DWORD& total, std::u16string& error) {
    if (!total_ && !Validate(error)) {
        return false;
    }
    total = *total_;
    return true;
}

bool StreamedBackupFile::ReadRecord(HANDLE /*handle*/, MessageFields& record,
                                    std::vector<Recipient>& recipients, std::u16string& error) {
    if (!reader_) {
        error = u"read sms error, the file was not checked.";
        return false;
    }
    MessageFields fields;
    std::vector<Recipient> entries;
    switch (reader_->Next(fields, entries, error)) {
    case MessageReader::Result::Failed:
        return false;
    case MessageReader::Result::End:
        error = u"read sms error, the file changed while it was read.";
        return false;
    case MessageReader::Result::Message:
        break;
    }
    record = std::move(fields);
    for (Recipient& entry : entries) {
        recipients.push_back(std::move(entry));
    }
    return true;
}

bool StreamedBackupFile::CloseAfterRead(HANDLE /*handle*/, std::u16string& /*error*/) {
    Close();
    return true;
}

bool StreamedBackupFile::OpenForWrite(std::u16string path, HANDLE& /*handle*/,
                                      std::u16string& error) {
    Close();
    headerWritten_ = false;
    written_ = 0;
    const HANDLE file = CreateForWriting(path);
    if (!IsValidHandle(file)) {
        error = u"begin backup error, " + ErrorText();
        return false;
    }
    file_ = file;
    return true;
}

bool StreamedBackupFile::SkipValidationArea(HANDLE /*handle*/, std::u16string& /*error*/) {
    return true;
}

bool StreamedBackupFile::Write(const std::string& bytes) {
    return WriteAll(file_, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool StreamedBackupFile::WriteTotal(HANDLE /*handle*/, DWORD total, std::u16string& error) {
    if (headerWritten_) {
        return true;
    }
    buffer_.clear();
    AppendHeader(buffer_, total);
    if (!Write(buffer_)) {
        error = u"write total error, " + ErrorText();
        return false;
    }
    buffer_.clear();
    headerWritten_ = true;
    return true;
}

bool StreamedBackupFile::WriteRecord(HANDLE /*handle*/, MessageRecord& message,
                                     std::u16string& error) {
    if (!message.hasFolder()) {
        error = u"write sms error, folder is null.";
        return false;
    }
    // Records gather in one buffer and reach the file in large writes.
    AppendRecord(buffer_, message, message.folderPath());
    ++written_;
    if (buffer_.size() >= kWriteChunk) {
        if (!Write(buffer_)) {
            error = u"write sms content error, " + ErrorText();
            return false;
        }
        buffer_.clear();
    }
    return true;
}

bool StreamedBackupFile::WriteValidation(HANDLE /*handle*/, std::u16string& error) {
    AppendFooter(buffer_);
    if (!Write(buffer_)) {
        error = u"write validate error, " + ErrorText();
        return false;
    }
    buffer_.clear();
    const std::optional<CountPatch> patch = PatchCount(written_);
    if (!patch) {
        MarkComplete(file_); // the file may now replace an earlier one when it is closed
        return true;
    }
    if (patch->offset > static_cast<std::uint64_t>(std::numeric_limits<LONG>::max()) ||
        !SeekFile(file_, static_cast<LONG>(patch->offset), FILE_BEGIN)) {
        error = u"seek file(0) error, " + ErrorText();
        return false;
    }
    if (!Write(patch->text)) {
        error = u"write validate error, " + ErrorText();
        return false;
    }
    MarkComplete(file_);
    return true;
}

bool StreamedBackupFile::CloseAfterWrite(HANDLE /*handle*/, std::u16string& error) {
    if (!IsValidHandle(file_)) {
        return true;
    }
    bool ok = true;
    if (!buffer_.empty()) {
        // A run that stopped early: what it wrote still reaches the file.
        ok = Write(buffer_);
        buffer_.clear();
    }
    const bool flushed = ok && FlushFile(file_);
    const std::u16string flushText = flushed ? std::u16string() : ErrorText();
    const bool closed = CloseIfValid(file_);
    file_ = 0;
    if (!flushed) {
        error = u"flush file error, " + flushText;
        return false;
    }
    if (!closed) {
        error = u"close file error, " + ErrorText();
        return false;
    }
    return true;
}
