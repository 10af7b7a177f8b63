#include "transfer/convert_input.h"

#include "interchange/file_sniffer.h"
#include "interchange/streamed_backup_file.h"
#include "transfer/backup_input.h"

ConvertInput::ConvertInput(const std::u16string& file)
    : reader_(MakeReader(SniffFile(file))),
      streamed_(dynamic_cast<StreamedBackupFile*>(reader_.get())) {}

ConvertInput::~ConvertInput() {
    std::u16string ignored;
    reader_->CloseAfterRead(0, ignored);
}

bool ConvertInput::Open(const std::u16string& file, std::u16string& error) {
    if (streamed_ == nullptr) {
        return OpenBackup(*reader_, file, total_, error);
    }
    HANDLE unused = 0;
    return streamed_->OpenForRead(file, unused, error) && streamed_->StartOnePass(error);
}

ReadStep ConvertInput::Next(DWORD number, MemoryRecord& record, std::u16string& error) {
    if (streamed_ == nullptr) {
        if (number > total_ || number == 0) {
            return ReadStep::End;
        }
        return ReadOne(*reader_, number, record, error) ? ReadStep::Record : ReadStep::Failed;
    }
    // Filled in place: the texts of the record's last use lend their memory.
    MessageFields& fields = record.fieldsToFill();
    std::vector<Recipient>& recipients = record.recipientsToFill();
    recipients.clear(); // a reader appends its message's recipients
    switch (streamed_->Next(fields, recipients, error)) {
    case MessageReader::Result::End:
        return ReadStep::End;
    case MessageReader::Result::Failed:
        return ReadStep::Failed;
    case MessageReader::Result::Message:
        break;
    }
    return ReadStep::Record;
}

unsigned long ConvertInput::Skipped() const {
    return streamed_ != nullptr ? streamed_->Skipped() : 0;
}

unsigned long ConvertInput::LeftOut() const {
    return streamed_ != nullptr ? streamed_->LeftOut() : 0;
}

std::size_t RecordWeight(MemoryRecord& record) {
    return 256 + record.body().size() * sizeof(char16_t) + record.recipients().size() * 96;
}
