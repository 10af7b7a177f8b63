// Feeds arbitrary bytes from memory to the JSON Lines reader through the same two passes that a
// restore makes: a checking pass that counts, then the messages again. Every run must end without
// a crash, a leak or an unbounded loop, and the second pass must agree with the first.
#include "interchange/byte_source.h"
#include "interchange/json_message_reader.h"
#include "model/memory_record.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The messages of one pass; -1 when the pass failed.
long Pass(ByteSource& source) {
    JsonMessageReader reader(source);
    long count = 0;
    for (;;) {
        MessageFields fields;
        std::vector<Recipient> recipients;
        std::u16string error;
        switch (reader.Next(fields, recipients, error)) {
        case MessageReader::Result::End:
            return count;
        case MessageReader::Result::Failed:
            if (error.empty()) {
                std::abort(); // a failure always says why
            }
            return -1;
        case MessageReader::Result::Message:
            break;
        }
        const MemoryRecord record(fields, std::move(recipients));
        if (record.folder() == nullptr || record.folderPath() != fields.folderPath) {
            std::abort();
        }
        ++count;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryByteSource source(std::string_view(reinterpret_cast<const char*>(data), size));
    const long first = Pass(source);
    if (!source.Rewind() || Pass(source) != first) {
        std::abort();
    }
    return 0;
}
