// The host's time zones, through ICU, in the form of the device's time-zone
// record: what a device that has no record of its own presents.
#pragma once

#include "windows.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace platform::timezone {

// The zone `zone_id` (an IANA id such as "Europe/Berlin", or an alias ICU
// knows) as Windows presents it, with the rules that are in force at `when`:
// Bias is minus the standard offset from UTC in minutes, StandardBias 0,
// DaylightBias minus the daylight saving; the transition dates recur (wYear 0,
// wDay 1-5 with 5 the last) at the local time of the change; the names are
// the zone's Windows names. A zone that keeps one offset all year has no
// transition dates and Bias is that offset. Nothing when ICU does not know
// the zone.
std::optional<TIME_ZONE_INFORMATION> time_zone_from_icu(std::string_view zone_id,
                                                        std::chrono::system_clock::time_point when);

// The host's zone as ICU finds it each time it is asked: TZ, else
// /etc/localtime. "Etc/Unknown" when neither names a zone ICU knows.
std::string host_time_zone_id();

// The host's zone at `when`; UTC when ICU cannot tell what it is.
TIME_ZONE_INFORMATION host_time_zone(std::chrono::system_clock::time_point when);

}
