#include "interchange/json_lines.h"

#include "files/file_access.h"
#include "interchange/json_mapping.h"
#include "interchange/text_codec.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace interchange {
namespace {

constexpr std::size_t kChunk = 1 << 16;
// A batch ends after this many bytes or lines: enough that threads meet rarely, few enough that
// the batches on their way hold little memory.
constexpr std::size_t kBatchBytes = 128 << 10;
constexpr std::size_t kBatchLines = 1024;

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// nlohmann-json's text without its "[json.exception...] " tag and, for a syntax error, without
// its own "parse error at line 1, column N: " (the line is ours, the column is given apart).
std::string Reason(const std::string& what) {
    const std::size_t tag = what.rfind("] ", what.find(' '));
    std::string text = tag == std::string::npos ? what : what.substr(tag + 2);
    const std::size_t column = text.find("column ");
    const std::size_t colon = column == std::string::npos ? column : text.find(": ", column);
    return colon == std::string::npos ? text : text.substr(colon + 2);
}

std::u16string LineError(unsigned long line, const std::string& text) {
    return kJsonErrorPhrase + FromUtf8("line " + std::to_string(line) + text);
}

} // namespace

void JsonLineCutter::Cut(JsonLineBatch& batch) {
    batch.bytes.clear();
    batch.lines.clear();
    batch.after = JsonLineBatch::After::More;
    batch.error.clear();
    while (batch.after == JsonLineBatch::After::More && batch.bytes.size() < kBatchBytes &&
           batch.lines.size() < kBatchLines) {
        std::string_view line;
        switch (NextLine(line, batch.error)) {
        case Step::End:
            batch.after = JsonLineBatch::After::End;
            break;
        case Step::Failed:
            batch.after = JsonLineBatch::After::Failed;
            break;
        case Step::Line:
            if (!IsBlank(line)) {
                batch.lines.push_back({batch.bytes.size(), line.size(), line_});
                batch.bytes.append(line);
                batch.bytes.push_back('\n');
            }
            break;
        }
    }
    batch.bytes.append(JsonFastMapping::kPadding, '\0');
}

JsonLineCutter::Step JsonLineCutter::TooLong(std::u16string& error) const {
    error = LineError(line_, " is longer than " + std::to_string(kMaxLine >> 20) + " MiB");
    return Step::Failed;
}

JsonLineCutter::Step JsonLineCutter::NextLine(std::string_view& line, std::u16string& error) {
    std::size_t searched = start_;
    for (;;) {
        const std::size_t feed = buffer_.find('\n', searched);
        if (feed != std::string::npos || (end_ && start_ < buffer_.size())) {
            const std::size_t stop = feed == std::string::npos ? buffer_.size() : feed;
            ++line_;
            if (stop - start_ > kMaxLine) {
                return TooLong(error);
            }
            line = std::string_view(buffer_).substr(start_, stop - start_);
            start_ = feed == std::string::npos ? buffer_.size() : feed + 1;
            return Step::Line;
        }
        if (end_) {
            return Step::End;
        }
        if (buffer_.size() - start_ > kMaxLine) {
            ++line_;
            return TooLong(error); // no need to read the rest of it
        }
        // Keep only the unfinished line, then append the next chunk to it.
        buffer_.erase(0, start_);
        start_ = 0;
        searched = buffer_.size();
        buffer_.resize(searched + kChunk);
        const long read = source_.Read(buffer_.data() + searched, kChunk);
        buffer_.resize(searched + static_cast<std::size_t>(std::max(read, 0L)));
        if (read < 0) {
            error = kJsonErrorPhrase + ErrorText();
            return Step::Failed;
        }
        end_ = read == 0;
    }
}

bool LineMayHoldNul(std::string_view line) {
    // Any escape of a unit, since a key may spell a companion's name with one too; a line that
    // only names a companion, or has an escaped backslash before "u", is merely looked at whole.
    return line.find("\\u") != std::string_view::npos ||
           line.find("Utf16") != std::string_view::npos;
}

bool JsonLineMapper::Map(const JsonLineBatch& batch, const JsonLineBatch::Line& line,
                         MessageFields& fields, std::vector<Recipient>& recipients,
                         std::u16string& error) {
    // Each line is followed by at least the padding: later lines or the padding itself.
    const std::string_view text = batch.Text(line);
    if (fast_.FillPadded(text, fields, recipients)) {
        return true;
    }
    fields = MessageFields{};
    recipients.clear();
    nlohmann::json object;
    try {
        object = nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& failure) {
        error = LineError(line.number, ", column " + std::to_string(failure.byte) + ": " +
                                           Reason(failure.what()));
        return false;
    } catch (const nlohmann::json::exception& failure) {
        // A number too large even for a double ("1e999") is not a syntax error but fails too.
        error = LineError(line.number, ": " + Reason(failure.what()));
        return false;
    }
    std::string problem;
    if (!MapJsonObject(object, fields, recipients, problem)) {
        error = LineError(line.number, ": " + problem);
        return false;
    }
    return true;
}

} // namespace interchange
