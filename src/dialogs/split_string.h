// Cutting a filter or pattern text into its pieces at a separator such as "|".
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Every piece in order, empty ones included, and the piece after the last separator: "a|"
// gives "a" and "", and the empty text one empty piece. An empty separator cuts nothing.
std::vector<std::u16string> SplitString(std::u16string_view text, std::u16string_view separator);
