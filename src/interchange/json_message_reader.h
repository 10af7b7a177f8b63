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

    explicit JsonMessageReader(ByteSource& source) : source_(source) {}

    Result Next(MessageFields& fields, std::vector<Recipient>& recipients,
                std::u16string& error) override;

private:
    enum class LineResult { Line, End, Failed };
    LineResult NextLine(std::string_view& line, std::u16string& error);
    Result Fail(const std::string& text, std::u16string& error) const;
    LineResult TooLong(std::u16string& error) const;

    ByteSource& source_;
    interchange::JsonFastMapping fast_;
    std::string buffer_;
    std::size_t start_ = 0; // where the next line begins in buffer_
    bool end_ = false;
    unsigned long line_ = 0;
};
