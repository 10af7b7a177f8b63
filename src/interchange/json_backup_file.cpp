#include "interchange/json_backup_file.h"

#include "interchange/json_mapping.h"
#include "interchange/json_message_reader.h"

std::unique_ptr<MessageReader> JsonBackupFile::NewReader(ByteSource& source) const {
    return std::make_unique<JsonMessageReader>(source);
}

void JsonBackupFile::AppendRecord(std::string& out, MessageRecord& message,
                                  const std::u16string& folderPath) const {
    interchange::AppendJsonLine(out, message, folderPath);
}
