// Named time zones, through ICU, in the form of the device's time-zone record:
// what a device that has no record of its own presents for the host's zone.
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

struct WindowsNames {
    std::u16string standard;
    std::u16string daylight;
};

// The names Windows gives the zone `zone_id` ("W. Europe Standard Time" and
// "W. Europe Daylight Time" for "Europe/Berlin"; ICU's English names for a
// zone Windows does not have). Nothing when ICU does not know the zone.
std::optional<WindowsNames> windows_names_of(std::string_view zone_id);

// Whether ICU knows `zone_id` as one of its zones ("Europe/Berlin", "UTC",
// "EST5EDT"), rather than as a custom offset ("GMT+5") or not at all.
bool is_known_zone_id(std::string_view zone_id);

// The zone that /etc/localtime holds, as ICU finds it (by the link's target or
// the file's content); nothing when ICU cannot name a zone it knows.
std::optional<std::string> detect_host_zone_id();

}
