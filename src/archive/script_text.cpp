#include "archive/script_text.h"

#include <nlohmann/json.hpp>

namespace archive {

std::string ScriptString(std::string_view utf8) {
    // The library escapes quotes, backslashes, controls and (ensure_ascii) everything past
    // ASCII; what it leaves, a script file must not hold either.
    const std::string json = nlohmann::json(std::string(utf8))
                                 .dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
    std::string safe;
    safe.reserve(json.size() + 16);
    for (const char c : json) {
        switch (c) {
        case '<':
            safe += "\\u003c";
            break;
        case '>':
            safe += "\\u003e";
            break;
        case '&':
            safe += "\\u0026";
            break;
        case '\x7f':
            safe += "\\u007f";
            break;
        default:
            safe += c;
        }
    }
    return safe;
}

} // namespace archive
