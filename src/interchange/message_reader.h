// One pass over an interchange file: the messages one at a time, in file order, without keeping
// any but the current one.
#pragma once

#include "model/message_fields.h"
#include "model/recipient.h"

#include <string>
#include <vector>

class MessageReader {
public:
    enum class Result { Message, End, Failed };

    virtual ~MessageReader() = default;
    // The next message; on Failed the error says where and why.
    virtual Result Next(MessageFields& fields, std::vector<Recipient>& recipients,
                        std::u16string& error) = 0;
    // Elements or lines that hold no message and were passed over.
    virtual unsigned long Skipped() const { return 0; }
};
