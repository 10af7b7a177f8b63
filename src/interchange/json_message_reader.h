// Reads a JSON Lines file one line at a time: each line that is not blank holds one message's
// object. Lines go the quick way (simdjson) when they can, else the exact way (nlohmann-json),
// which also says what is wrong with a line. A line may not exceed kMaxLine bytes before its
// line feed.
#pragma once

#include "interchange/byte_source.h"
#include "interchange/json_fast_mapping.h"
#include "interchange/message_reader.h"

#include <string>

class JsonMessageReader final : public MessageReader {
public:
    static constexpr std::size_t kMaxLine = 16u << 20;

    // A lenient reader goes past a line that does not parse or map, noting it in Unmapped(),
    // and fails only where reading cannot go on (a line too long, a failed read).
    explicit JsonMessageReader(ByteSource& source, bool lenient = false)
        : source_(source), lenient_(lenient) {}

    Result Next(MessageFields& fields, std::vector<Recipient>& recipients,
                std::u16string& error) override;

private:
    enum class LineResult { Line, End, Failed };
    LineResult NextLine(std::string_view& line, std::u16string& error);
    // The next line's message; a failure with mappingFailed_ set concerns that line alone.
    Result LineMessage(MessageFields& fields, std::vector<Recipient>& recipients,
                       std::u16string& error);
    Result Fail(const std::string& text, std::u16string& error) const;
    LineResult TooLong(std::u16string& error) const;

    ByteSource& source_;
    interchange::JsonFastMapping fast_;
    std::string buffer_;
    std::size_t start_ = 0; // where the next line begins in buffer_
    bool end_ = false;
    unsigned long line_ = 0;
    bool lenient_;
    bool mappingFailed_ = false;
};
