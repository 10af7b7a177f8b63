// Feeds arbitrary bytes, held in memory, to the salvage of each kind of file that it reads
// (Unicode backup, phone XML, JSON Lines), chosen by the bytes as the command chooses: every
// run must end without a crash, a leak or an unbounded loop, give records only for bytes that
// are there, and stop for good with a reason.
#include "files/backup_salvage.h"
#include "interchange/file_sniffer.h"
#include "transfer/interchange_salvage.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The smallest record that salvage keeps: class "IPM.SMStext" (24 bytes), folder "Draft" (12),
// six numbers (24), three empty strings (6) and a recipient count (4).
constexpr std::size_t kSmallestRecord = 70;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A phone file: every message given is whole, and reading stops for good.
void SalvageInterchange(std::string_view bytes, FileKind kind) {
    MemoryByteSource source(bytes);
    InterchangeSalvage salvage(source, kind, false);
    MessageFields fields;
    std::vector<Recipient> recipients;
    unsigned long records = 0;
    while (salvage.Next(fields, recipients)) {
        ++records;
        Require(records <= bytes.size()); // a message takes bytes of its own
    }
    Require(salvage.recovered() == records);
    Require(!salvage.stopReason().empty());
    Require(salvage.unmapped().first.size() <= PassedOver::kKept);
    Require(salvage.replaced() <= bytes.size());
    Require(!salvage.Next(fields, recipients));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const FileKind kind = SniffBytes(bytes, size);
    if (kind == FileKind::Xml || kind == FileKind::JsonLines) {
        SalvageInterchange(bytes, kind);
        return 0;
    }
    BackupSalvage salvage(bytes);
    MessageFields fields;
    std::vector<Recipient> recipients;
    std::size_t offset = salvage.stopOffset();
    DWORD records = 0;
    while (salvage.Next(fields, recipients)) {
        ++records;
        Require(salvage.stopOffset() >= offset + kSmallestRecord);
        Require(salvage.stopOffset() <= size);
        // An entry takes at least eight bytes of the input: more would be invented data.
        Require(recipients.size() * 8 <= salvage.stopOffset() - offset);
        offset = salvage.stopOffset();
    }
    Require(salvage.recovered() == records);
    Require(!salvage.stopReason().empty());
    Require(!salvage.Next(fields, recipients)); // stopped for good
    return 0;
}
