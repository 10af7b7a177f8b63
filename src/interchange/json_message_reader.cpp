#include "interchange/json_message_reader.h"

#include "files/file_access.h"
#include "interchange/json_mapping.h"
#include "interchange/text_codec.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

constexpr char16_t kPhrase[] = u"read json error, ";
constexpr std::size_t kChunk = 1 << 16;

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

} // namespace

MessageReader::Result JsonMessageReader::Fail(const std::string& text,
                                              std::u16string& error) const {
    error = kPhrase + interchange::FromUtf8("line " + std::to_string(line_) + text);
    return Result::Failed;
}

JsonMessageReader::LineResult JsonMessageReader::TooLong(std::u16string& error) const {
    Fail(" is longer than " + std::to_string(kMaxLine >> 20) + " MiB", error);
    return LineResult::Failed;
}

JsonMessageReader::LineResult JsonMessageReader::NextLine(std::string_view& line,
                                                          std::u16string& error) {
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
            return LineResult::Line;
        }
        if (end_) {
            return LineResult::End;
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
            error = kPhrase + ErrorText();
            return LineResult::Failed;
        }
        end_ = read == 0;
    }
}

MessageReader::Result JsonMessageReader::Next(MessageFields& fields,
                                              std::vector<Recipient>& recipients,
                                              std::u16string& error) {
    for (;;) {
        const Result result = LineMessage(fields, recipients, error);
        if (result == Result::Message) {
            return Deliver(fields, recipients);
        }
        if (result == Result::End || !lenient_ || !mappingFailed_) {
            return result;
        }
        unmapped_.Note(error.substr(std::char_traits<char16_t>::length(kPhrase)));
        fields = MessageFields{};
        recipients.clear();
    }
}

MessageReader::Result JsonMessageReader::LineMessage(MessageFields& fields,
                                                     std::vector<Recipient>& recipients,
                                                     std::u16string& error) {
    std::string_view line;
    mappingFailed_ = false;
    for (;;) {
        switch (NextLine(line, error)) {
        case LineResult::End:
            return Result::End;
        case LineResult::Failed:
            return Result::Failed;
        case LineResult::Line:
            break;
        }
        if (!IsBlank(line)) {
            break;
        }
    }
    if (fast_.Map(line, fields, recipients)) {
        return Result::Message;
    }
    mappingFailed_ = true; // from here on a failure concerns this line alone
    nlohmann::json object;
    try {
        object = nlohmann::json::parse(line);
    } catch (const nlohmann::json::parse_error& failure) {
        return Fail(", column " + std::to_string(failure.byte) + ": " + Reason(failure.what()),
                    error);
    } catch (const nlohmann::json::exception& failure) {
        // A number too large even for a double ("1e999") is not a syntax error but fails too.
        return Fail(": " + Reason(failure.what()), error);
    }
    std::string problem;
    if (!interchange::MapJsonObject(object, fields, recipients, problem)) {
        return Fail(": " + problem, error);
    }
    return Result::Message;
}
