// Reads a JSON Lines file one line at a time: each line that is not blank holds one message's
// object (json_lines.h says how a line reads). Worker threads map the lines, a batch each,
// while the messages still come out in file order.
#pragma once

#include "interchange/json_line_workers.h"
#include "interchange/message_reader.h"

#include <array>
#include <string>

class JsonMessageReader final : public MessageReader {
public:
    static constexpr std::size_t kMaxLine = interchange::JsonLineCutter::kMaxLine;

    // A lenient reader goes past a line that does not parse or map, noting it in Unmapped(),
    // and fails only where reading cannot go on (a line too long, a failed read).
    explicit JsonMessageReader(ByteSource& source, bool lenient = false);
    ~JsonMessageReader() override;

    // Fills fields and recipients (given empty) with the next message.
    Result Next(MessageFields& fields, std::vector<Recipient>& recipients,
                std::u16string& error) override;

private:
    struct Outcome {
        bool mapped = false;
        MessageFields fields;
        std::vector<Recipient> recipients;
        std::u16string error; // why the line does not map, when it does not
    };
    using Lines = JsonLineWorkers<Outcome>;

    // The next line's message; a failure with mappingFailed_ set concerns that line alone.
    Result LineMessage(MessageFields& fields, std::vector<Recipient>& recipients,
                       std::u16string& error);

    bool lenient_;
    bool mappingFailed_ = false;
    std::array<interchange::JsonLineMapper, Lines::kMostWorkers> mappers_;
    Lines lines_; // last: its threads use the mappers
};
