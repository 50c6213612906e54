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
    // not hold (a fixed day of the year or a time outside the day that falls
    // elsewhere in other years, seconds in an offset, an offset the C library
    // clamps), for a note to the user.
    std::string inexact;
};

// The rule (see PosixRule.h for what is read, and how) as the record for the
// UTC year of `when`: Bias is the standard offset in minutes (POSIX counts west
// of UTC, as Bias does), StandardBias 0, DaylightBias the daylight offset
// minus the standard one; DaylightDate is the start and StandardDate the end,
// on the real days the C library computes for that year, in the recurring form
// that keeps to the rule in the most later years (an Mm.w.d date within the day
// exactly); the names are the rule's own. Nothing when the text is not a rule.
std::optional<PosixZone> time_zone_from_posix(std::string_view rule, std::chrono::system_clock::time_point when);

}
