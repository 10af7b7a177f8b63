// Texts that go into the archive's own script files as JavaScript string literals.
#pragma once

#include <string>
#include <string_view>

namespace archive {

// A JSON string literal of a UTF-8 text that is plain ASCII with nothing a page could misread:
// every control and non-ASCII character (U+2028 and U+2029 among them), "<", ">" and "&" are
// \u escapes, so that no text can end the string, the script or a comment around it. Bytes that
// are not UTF-8 become U+FFFD.
std::string ScriptString(std::string_view utf8);

} // namespace archive
