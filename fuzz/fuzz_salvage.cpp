// Feeds arbitrary bytes, held in memory, to the salvage reader: every run must end without a
// crash, a leak or an unbounded loop, give records only for bytes that are there, and stop for
// good with a reason.
#include "files/backup_salvage.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The smallest record that reads whole: class "IPM." (10 bytes), folder "Inbox" (12), six
// numbers (24), three empty strings (6) and a recipient count (4).
constexpr std::size_t kSmallestRecord = 56;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
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
