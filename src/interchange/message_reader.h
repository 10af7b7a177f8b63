// One pass over an interchange file: the messages one at a time, in file order, without keeping
// any but the current one.
#pragma once

#include "model/message_fields.h"
#include "model/recipient.h"

#include <string>
#include <vector>

// The messages that a lenient pass went past because their values do not map: the first few
// with their place and reason, and how many in all.
struct PassedOver {
    static constexpr std::size_t kKept = 20;
    std::vector<std::u16string> first;
    unsigned long count = 0;

    void Note(std::u16string placeAndReason) {
        if (first.size() < kKept) {
            first.push_back(std::move(placeAndReason));
        }
        ++count;
    }
};

// Leaves U+0000 out of every text of a message: it ends a text in the store and in a Unicode
// backup, so a text that holds one would lose everything after it. The number left out.
unsigned long DropNulUnits(MessageFields& fields, std::vector<Recipient>& recipients);

class MessageReader {
public:
    enum class Result { Message, End, Failed };

    virtual ~MessageReader() = default;
    // The next message; on Failed the error is the whole reason as the user reads it, where and
    // why ("read xml error, line 7, ...").
    virtual Result Next(MessageFields& fields, std::vector<Recipient>& recipients,
                        std::u16string& error) = 0;
    // Elements or lines that hold no message and were passed over.
    virtual unsigned long Skipped() const { return 0; }
    // In a lenient pass (see each reader), the messages that did not map; empty otherwise.
    const PassedOver& Unmapped() const { return unmapped_; }
    // Characters U+0000 that the messages read so far held and that were left out of them.
    unsigned long LeftOut() const { return leftOut_; }

protected:
    // Every reader hands out its messages through this, with no U+0000 left in them.
    Result Deliver(MessageFields& fields, std::vector<Recipient>& recipients) {
        leftOut_ += DropNulUnits(fields, recipients);
        return Result::Message;
    }

    PassedOver unmapped_;
    unsigned long leftOut_ = 0;
};
