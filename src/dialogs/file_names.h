// The name rules of the Save-as dialog: the name shown at start, the extension a file type
// gives, and the characters a file name may not hold.
#pragma once

#include <string>
#include <string_view>

inline constexpr char16_t kDisallowedNameMessage[] =
    u"This file name cannot be used.It contains one or more of the following disallowed "
    u"characters:\\/:*?\"<>|.";

// The part of a proposed name between its last "\" and its last "."; empty when the name has
// no "." after its last "\".
std::u16string NameStem(std::u16string_view name);
// A pattern's extension: from its last "." to the end, empty without one.
std::u16string PatternExtension(std::u16string_view pattern);
// False for an empty name and for one holding any of \ / : * ? " < > |.
[[nodiscard]] bool IsUsableFileName(std::u16string_view name);
