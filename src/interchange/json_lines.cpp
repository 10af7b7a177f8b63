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
    batch.lines.clear();
    batch.after = JsonLineBatch::After::More;
    batch.error.clear();
    // The file's bytes are read straight into the batch, after the unfinished line that the last
    // batch left, and its lines are cut where they stand: each byte is copied once, by the read.
    std::string& bytes = batch.bytes;
    bytes.assign(carried_);
    std::size_t start = 0; // where the next line begins
    std::size_t searched = 0;
    while (batch.lines.size() < kBatchLines) {
        const std::size_t feed = bytes.find('\n', searched);
        if (feed != std::string::npos || (end_ && start < bytes.size())) {
            const std::size_t stop = feed == std::string::npos ? bytes.size() : feed;
            ++line_;
            if (stop - start > kMaxLine) {
                TooLong(batch);
                break;
            }
            const std::string_view line = std::string_view(bytes).substr(start, stop - start);
            if (!IsBlank(line)) {
                batch.lines.push_back({start, line.size(), line_});
            }
            start = feed == std::string::npos ? bytes.size() : feed + 1;
            searched = start;
            continue;
        }
        if (end_) {
            batch.after = JsonLineBatch::After::End;
            break;
        }
        if (start > 0 && bytes.size() >= kBatchBytes) {
            break; // full: the unfinished line goes to the next batch
        }
        if (bytes.size() - start > kMaxLine) {
            ++line_;
            TooLong(batch); // no need to read the rest of it
            break;
        }
        searched = bytes.size(); // what is there holds no line feed after start
        if (!Read(bytes, batch)) {
            break;
        }
    }
    carried_.assign(bytes, start);
    bytes.resize(start);
    bytes.append(JsonFastMapping::kPadding, '\0');
}

// Appends the next bytes of the file: enough to fill the batch, or a chunk while one line is
// longer than that. False, with the batch marked, when the read fails.
bool JsonLineCutter::Read(std::string& bytes, JsonLineBatch& batch) {
    const std::size_t filled = bytes.size();
    const std::size_t wanted = filled < kBatchBytes ? kBatchBytes - filled : kChunk;
    bytes.resize(filled + wanted);
    const long read = source_.Read(bytes.data() + filled, wanted);
    bytes.resize(filled + static_cast<std::size_t>(std::max(read, 0L)));
    if (read < 0) {
        batch.after = JsonLineBatch::After::Failed;
        batch.error = kJsonErrorPhrase + ErrorText();
        return false;
    }
    end_ = read == 0;
    return true;
}

void JsonLineCutter::TooLong(JsonLineBatch& batch) const {
    batch.after = JsonLineBatch::After::Failed;
    batch.error = LineError(line_, " is longer than " + std::to_string(kMaxLine >> 20) + " MiB");
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
