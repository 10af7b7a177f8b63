// The five tokens that begin every folder path of a backup, in the special folders' fixed order,
// and the depth that a restore creates below them: together, which folder paths a restore takes.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

inline constexpr std::array<std::u16string_view, 5> kFolderTokens = {u"Draft", u"Inbox", u"Outbox",
                                                                     u"Sentedbox", u"Wastebox"};

// The most subfolder levels a restored folder path may name below its special folder; a deeper
// path fails like a folder that cannot be created.
inline constexpr std::size_t kMaxSubfolderDepth = 128;

// True when path begins with a token (exactly; case counts) and names at most
// kMaxSubfolderDepth levels below it.
[[nodiscard]] bool IsRestorableFolderPath(std::u16string_view path);
