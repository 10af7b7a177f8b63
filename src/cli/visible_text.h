// Message texts for a listing on a terminal: control characters from a backup or the store are
// shown as escapes, so that an ESC sequence cannot retitle or clear the terminal and a line
// break in a sender cannot break the layout.
#pragma once

#include <string>
#include <string_view>

// Every C0 control, DEL and C1 control as "\xHH" or "\uHHHH"; keepLineFeeds leaves LF and TAB
// as they are (a message body over several lines).
std::u16string VisibleText(std::u16string_view text, bool keepLineFeeds = false);
