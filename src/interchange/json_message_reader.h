// Reads a JSON Lines file one line at a time: each line that is not blank holds one message's
// object (see json_lines.h for how a line reads). The lines are cut into batches that worker
// threads map, a batch each, while the messages still come out in file order.
#pragma once

#include "interchange/json_lines.h"
#include "interchange/message_reader.h"
#include "interchange/ordered_workers.h"

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
    // Lines and what each of them maps to.
    struct Batch {
        struct Outcome {
            bool mapped = false;
            MessageFields fields;
            std::vector<Recipient> recipients;
            std::u16string error; // why the line does not map, when it does not
        };
        interchange::JsonLineBatch lines;
        std::vector<Outcome> outcomes; // one per line, once mapped
    };

    void Map(std::size_t worker, Batch& batch);
    // The next line's message; a failure with mappingFailed_ set concerns that line alone.
    Result LineMessage(MessageFields& fields, std::vector<Recipient>& recipients,
                       std::u16string& error);

    interchange::JsonLineCutter cutter_;
    bool lenient_;
    bool mappingFailed_ = false;
    bool cut_ = false;         // every line is in a batch, and the last one says how reading ended
    Batch* current_ = nullptr; // the batch whose messages go out now
    std::size_t next_ = 0;     // its next line
    std::array<interchange::JsonLineMapper, OrderedWorkers<Batch>::kMostWorkers> mappers_;
    OrderedWorkers<Batch> workers_; // last: its threads use everything above
};
