// The two passes that a restore makes over an interchange file, for the fuzz targets: a checking
// pass that counts, then the messages again. Every run must end without a crash, a leak or an
// unbounded loop, and the second pass must agree with the first.
#pragma once

#include "interchange/byte_source.h"
#include "model/memory_record.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace two_pass {

// The messages of one pass; -1 when the pass failed.
template <class Reader> long Pass(ByteSource& source) {
    Reader reader(source);
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

// Both passes over the bytes; aborts when they disagree.
template <class Reader> int Run(const std::uint8_t* data, std::size_t size) {
    MemoryByteSource source(std::string_view(reinterpret_cast<const char*>(data), size));
    const long first = Pass<Reader>(source);
    if (!source.Rewind() || Pass<Reader>(source) != first) {
        std::abort();
    }
    return 0;
}

} // namespace two_pass
