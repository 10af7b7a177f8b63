// The style sheet, the scripts and the page templates of the archive, embedded at build time
// from the files in src/archive/site/.
#pragma once

#include <string_view>

namespace archive {

// The file's bytes; empty for a name that is not embedded.
std::string_view SiteFile(std::string_view name);

} // namespace archive
