#include "export/csv_export_file.h"

#include "export/export_text.h"
#include "export/finish_file.h"
#include "export/local_time.h"
#include "files/file_access.h"

namespace {

// "Sender Number" alone stands without quotes.
constexpr char16_t kTitleRow[] = u"\"Class Name\",\"Folder\",\"Modify Time\",\"Delivery Time\","
                                 u"\"Msg Flag\",\"Recipients\",\"Sender Name\",Sender Number,"
                                 u"\"Subject\"\n";

void AppendField(std::u16string& row, const std::u16string& value, char16_t end) {
    row += CsvQuote(value);
    row += end;
}

} // namespace

bool CsvExportFile::OpenForWrite(std::u16string path, HANDLE& /*handle*/, std::u16string& error) {
    file_.close(); // a second run must not leak the first run's handle
    const HANDLE created = CreateForWriting(path);
    if (!IsValidHandle(created)) {
        error = u"open file to write error, " + ErrorText();
        return false;
    }
    file_ = OwnedHandle(created);
    if (!encoder_.WriteText(file_.get(), kTitleRow)) {
        error = u"write title error, " + ErrorText();
        file_.close(); // the job calls nothing further after a failed open
        return false;
    }
    return true;
}

bool CsvExportFile::SkipValidationArea(HANDLE /*handle*/, std::u16string& /*error*/) {
    return true;
}

bool CsvExportFile::WriteTotal(HANDLE /*handle*/, DWORD /*total*/, std::u16string& /*error*/) {
    return true;
}

bool CsvExportFile::WriteRecord(HANDLE /*handle*/, MessageRecord& message, std::u16string& error) {
    if (!message.hasFolder()) {
        return false;
    }
    message.setSenderFromText(message.senderName());

    std::u16string row;
    AppendField(row, message.messageClass(), u',');
    AppendField(row, message.folderPath(), u',');
    AppendField(row, FormatLocalTime(message.lastModified()), u',');
    AppendField(row, FormatLocalTime(message.deliveryTime()), u',');
    AppendField(row, NumberToText(static_cast<int>(message.flags())), u',');
    AppendField(row, RecipientsText(message), u',');
    AppendField(row, message.senderName(), u',');
    AppendField(row, message.senderNumber(), u',');
    AppendField(row, message.body(), u'\n');

    // A row counts as written only once it has reached the file.
    if (!encoder_.WriteText(file_.get(), row) || !FlushFile(file_.get())) {
        error = u"write msg error, " + ErrorText();
        return false;
    }
    return true;
}

// Called only after every row was written: the file may now replace an earlier one.
bool CsvExportFile::WriteValidation(HANDLE /*handle*/, std::u16string& /*error*/) {
    MarkComplete(file_.get());
    return true;
}

bool CsvExportFile::CloseAfterWrite(HANDLE /*handle*/, std::u16string& error) {
    HANDLE file = file_.release();
    return FlushAndClose(file, error);
}
