// Writing the archive's pages from the grouped messages: index.html, one page (or one per 2,000
// messages) per conversation, search.html and the search data, and the style sheet and
// scripts. Every text goes through the templates' HTML escaping or ScriptString.
#pragma once

#include "archive/collection.h"
#include "archive/site_folder.h"
#include "transfer/stop_check.h"

#include <cstddef>
#include <string>

namespace archive {

inline constexpr std::size_t kPageMessages = 2000;
inline constexpr std::size_t kSearchFileMessages = 10000;
inline constexpr std::size_t kSearchFileBytes = std::size_t{4} << 20;

// The policy every page carries: the archive's own script and style files, nothing else.
inline constexpr char kContentSecurityPolicy[] =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'";

struct SiteFacts {
    std::string zone; // the local time zone the times are in
    std::string made; // when the archive was made, local time
};

enum class WriteOutcome { Written, Failed, Stopped };

// Writes every file of the site; pages counts the conversation pages written. On Failed, error
// is the whole reason as the user reads it; a stop leaves it as it was.
WriteOutcome WritePages(const Collection& collection, SiteFolder& folder, const SiteFacts& facts,
                        const StopCheck& stop, std::size_t& pages, std::u16string& error);

// "1 message", "2 messages".
std::string Counted(std::size_t count, const char* noun);

} // namespace archive
