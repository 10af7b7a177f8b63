// The host's time zone in words, for readable output that states which local time it shows.
#pragma once

#include <string>

// The zone's name ("Europe/Berlin", from TZ or the system's setting) and its offset from UTC
// now ("UTC+01:00"), as "Europe/Berlin, UTC+01:00"; the offset alone when no name is known.
std::string LocalZoneText();
