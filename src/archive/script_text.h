// Texts that go into the archive's own script files as JavaScript string literals.
#pragma once

#include <string>
#include <string_view>

namespace archive {

// Appends a JSON string literal of a UTF-8 text in plain printable ASCII: every control and
// non-ASCII character (U+2028 and U+2029 among them), the quote, the backslash, "<", ">" and
// "&" as \u escapes (characters past U+FFFF as their surrogate pair), so that no text can end
// the string, the script or a comment around it. A byte that is not UTF-8 becomes U+FFFD.
void AppendScriptString(std::string& out, std::string_view utf8);

inline std::string ScriptString(std::string_view utf8) {
    std::string out;
    AppendScriptString(out, utf8);
    return out;
}

} // namespace archive
