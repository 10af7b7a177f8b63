// The host's time zone in words, for readable output that states which local time it shows.
#pragma once

#include <string>

// The zone's name ("Europe/Berlin"), from TZ or the system's setting; when it has none (TZ
// holds a rule such as "CET-1CEST,M3.5.0,M10.5.0/3"), the abbreviation and offset in force now
// ("CET, UTC+01:00").
std::string LocalZoneText();
