#include "export/text_export_file.h"

#include "export/export_text.h"
#include "export/finish_file.h"
#include "export/local_time.h"
#include "files/file_access.h"
#include "resources/string_table.h"

bool TextExportFile::OpenForWrite(std::u16string path, HANDLE& handle, std::u16string& error) {
    const HANDLE file = CreateForWriting(path);
    if (!IsValidHandle(file)) {
        const std::u16string system = ErrorText();
        error = ResourceString(resources::kIdsWriteFileFailed) + u"," + system;
        return false;
    }
    if (!encoder_.WriteHeader(file)) {
        error = u"write file header error, " + ErrorText();
        // The job calls nothing further after a failed open, so the file is closed here.
        HANDLE unused = file;
        CloseIfValid(unused);
        return false;
    }
    handle = file;
    return true;
}

bool TextExportFile::SkipValidationArea(HANDLE /*handle*/, std::u16string& /*error*/) {
    return true;
}

bool TextExportFile::WriteTotal(HANDLE /*handle*/, DWORD /*total*/, std::u16string& /*error*/) {
    return true;
}

bool TextExportFile::WriteRecord(HANDLE handle, MessageRecord& message, std::u16string& error) {
    // One piece buffer serves every piece of every message.
    const auto piece = [this](std::u16string_view label, const std::u16string& value,
                              std::u16string_view end) -> const std::u16string& {
        piece_.assign(label);
        piece_ += value;
        piece_ += end;
        return piece_;
    };
    return WritePiece(handle, piece(u"Sender: ", SenderText(message), u"\r\n"),
                      u"write sender info error, ", error) &&
           WritePiece(handle, piece(u"Recipients: ", RecipientsText(message), u"\r\n"),
                      u"write rcps error, ", error) &&
           WritePiece(handle, piece(u"Time: ", FormatLocalTime(message.deliveryTime()), u"\r\n"),
                      u"write time error, ", error) &&
           WritePiece(handle, piece(u"Content:\r\n", message.body(), u"\r\n\r\n"),
                      u"write subject error, ", error);
}

// Called only after every message was written: the file may now replace an earlier one.
bool TextExportFile::WriteValidation(HANDLE handle, std::u16string& /*error*/) {
    MarkComplete(handle);
    return true;
}

bool TextExportFile::CloseAfterWrite(HANDLE handle, std::u16string& error) {
    return FlushAndClose(handle, error);
}

bool TextExportFile::WritePiece(HANDLE handle, const std::u16string& text,
                                std::u16string_view errorPrefix, std::u16string& error) const {
    if (encoder_.WriteText(handle, text)) {
        return true;
    }
    error = std::u16string(errorPrefix) + ErrorText();
    return false;
}
