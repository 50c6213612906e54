// A POSIX TZ rule ("CET-1CEST,M3.5.0,M10.5.0/3") as the device's time-zone
// record: the form TZ takes when it names no zone, and the last line of a
// zone file.
#pragma once

#include "windows.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace platform::timezone {

struct PosixZone {
    TIME_ZONE_INFORMATION record {};
    // Empty when the record holds the rule exactly; otherwise what it could
    // not hold (a fixed day of the year, a time outside the day, seconds in an
    // offset), for a note to the user.
    std::string inexact;
};

// Parses `rule`, std offset [dst [offset] [,start[/time],end[/time]]], with
// names of three or more letters or <quoted>, offsets [+-]hh[:mm[:ss]] west of
// UTC, and dates Mm.w.d, Jn (1-365, February 29 never counted) or n (0-365).
// A dst without dates changes on the C library's default dates, M3.2.0 and
// M11.1.0, at 02:00.
//
// The record: Bias is the standard offset in minutes, StandardBias 0,
// DaylightBias the daylight offset minus the standard one; DaylightDate is the
// start, StandardDate the end, both in the recurring form at the local time of
// the change (an Mm.w.d date exactly; a Jn or n date as the weekday on which it
// falls in the year of `when`); the names are the rule's own. Nothing when the
// text is not such a rule.
std::optional<PosixZone> time_zone_from_posix(std::string_view rule, std::chrono::system_clock::time_point when);

}
