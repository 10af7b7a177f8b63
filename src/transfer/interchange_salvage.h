// Salvage of a phone XML or JSON Lines file: every message that reads and maps, in one pass.
// A message whose values do not map is passed over and noted with its place; bytes that are not
// UTF-8 become U+FFFD, counted; where the markup or a line can no longer be read, reading stops
// and every message before that place is kept.
#pragma once

#include "interchange/byte_source.h"
#include "interchange/file_sniffer.h"
#include "interchange/message_reader.h"
#include "interchange/utf8_repair_source.h"

#include <memory>
#include <optional>
#include <string>

class InterchangeSalvage {
public:
    // kind is FileKind::Xml (or OtherXml) or FileKind::JsonLines; the source must outlive this.
    // A UTF-16 XML file is read as it is, without the UTF-8 repair.
    InterchangeSalvage(ByteSource& source, FileKind kind, bool utf16);

    // The next message that reads and maps; false once reading has stopped, for good.
    [[nodiscard]] bool Next(MessageFields& fields, std::vector<Recipient>& recipients);

    unsigned long recovered() const { return recovered_; }
    const PassedOver& unmapped() const { return reader_->Unmapped(); }
    // Bytes that were not UTF-8 and became U+FFFD.
    unsigned long replaced() const { return repair_ ? repair_->Replaced() : 0; }
    // Characters U+0000 left out of the texts, which no message can hold.
    unsigned long leftOut() const { return reader_->LeftOut(); }
    // "the end of the file", or where and why reading stopped ("line 7, column 442: ...").
    const std::u16string& stopReason() const { return stopReason_; }

private:
    std::optional<Utf8RepairSource> repair_;
    std::unique_ptr<MessageReader> reader_;
    unsigned long recovered_ = 0;
    std::u16string stopReason_;
};
