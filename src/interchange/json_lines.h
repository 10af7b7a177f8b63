// The two halves of reading a JSON Lines file, apart so that they can run on different threads:
// cutting the bytes into whole lines goes in file order on one thread; mapping each line to
// its message goes on any thread, one mapper per thread.
#pragma once

#include "interchange/byte_source.h"
#include "interchange/json_fast_mapping.h"
#include "model/message_fields.h"
#include "model/recipient.h"

#include <string>
#include <string_view>
#include <vector>

namespace interchange {

// Whole lines of a file, as the file holds them, followed by the padding the quick mapping reads
// past a line's end; the blank lines among them are not listed.
struct JsonLineBatch {
    struct Line {
        std::size_t offset = 0; // in bytes
        std::size_t size = 0;
        unsigned long number = 0;
    };
    // How the file goes on after these lines: more lines, its end, or a failure to read on.
    enum class After { More, End, Failed };

    std::string bytes;
    std::vector<Line> lines;
    After after = After::More;
    std::u16string error; // why reading stopped, after Failed

    std::string_view Text(const Line& line) const {
        return std::string_view(bytes).substr(line.offset, line.size);
    }
};

class JsonLineCutter {
public:
    // A line may not exceed this many bytes before its line feed.
    static constexpr std::size_t kMaxLine = 16u << 20;

    explicit JsonLineCutter(ByteSource& source) : source_(source) {}

    // Fills the batch with the next lines, about kBatchBytes or kBatchLines of them, up to a
    // line too long, a failed read or the end.
    void Cut(JsonLineBatch& batch);

private:
    bool Read(std::string& bytes, JsonLineBatch& batch);
    void TooLong(JsonLineBatch& batch) const;

    ByteSource& source_;
    std::string carried_; // the start of a line that the last batch could not hold whole
    bool end_ = false;
    unsigned long line_ = 0;
};

// Maps one line: the quick way (simdjson) when it can, else the exact way (nlohmann-json),
// which also says what is wrong with the line.
class JsonLineMapper {
public:
    // The message of a line of a batch, filling fields and recipients in place (every field is
    // set; the texts keep the memory they hold); false with the whole reason in error, "read json
    // error, line N..." with the place.
    [[nodiscard]] bool Map(const JsonLineBatch& batch, const JsonLineBatch::Line& line,
                           MessageFields& fields, std::vector<Recipient>& recipients,
                           std::u16string& error);

private:
    JsonFastMapping fast_;
};

// Whether a text the line maps to may hold U+0000: only an escape (\u0000) or a companion's
// units can put one there. Most lines have neither, and a search of the line is quicker than one of
// every text it maps to.
[[nodiscard]] bool LineMayHoldNul(std::string_view line);

// The start of every JSON reading error.
inline constexpr char16_t kJsonErrorPhrase[] = u"read json error, ";

} // namespace interchange
