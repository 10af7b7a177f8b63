// The quick way to a message from a line of JSON, with simdjson: it takes the lines that are
// plainly well-formed and well-typed, and declines every other one, which then goes the exact
// way (nlohmann-json and MapJsonObject) that also words the error. What it takes, it maps
// exactly as MapJsonObject does.
#pragma once

#include "model/message_fields.h"
#include "model/recipient.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace interchange {

class JsonFastMapping {
public:
    JsonFastMapping();
    ~JsonFastMapping();
    JsonFastMapping(const JsonFastMapping&) = delete;
    JsonFastMapping& operator=(const JsonFastMapping&) = delete;

    // The bytes simdjson may read past the end of a line.
    static constexpr std::size_t kPadding = 64;

    // True with the message mapped into fields (keys the line leaves out keep their values)
    // and its recipients appended; false, and nothing changed, when the line needs the exact way.
    [[nodiscard]] bool Map(std::string_view line, MessageFields& fields,
                           std::vector<Recipient>& recipients);
    // The same for a line followed in memory by at least kPadding bytes of any value, which
    // spares copying it.
    [[nodiscard]] bool MapPadded(std::string_view line, MessageFields& fields,
                                 std::vector<Recipient>& recipients);
    // As MapPadded, but every field is set (a key the line leaves out gives an empty text, 0 or
    // the SMS class) and the recipients are replaced, in place: the texts keep their memory.
    // False when the line needs the exact way; fields and recipients then hold no message.
    [[nodiscard]] bool FillPadded(std::string_view line, MessageFields& fields,
                                  std::vector<Recipient>& recipients);

private:
    static constexpr std::size_t kLongLine = std::size_t{1} << 20;

    [[nodiscard]] bool Parse(std::string_view line, MessageFields& fields,
                             std::vector<Recipient>& recipients, bool whole);
    [[nodiscard]] bool MapParsed(std::string_view line, MessageFields& fields,
                                 std::vector<Recipient>& recipients, bool whole);

    struct Parser;
    std::unique_ptr<Parser> parser_;
    std::string padded_; // the line with the zeroed tail that simdjson reads past its end
};

} // namespace interchange
