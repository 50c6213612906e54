// A zone's changes of UTC offset in one year as the device's time-zone record:
// the year's two changes as the record's transition dates, whichever rules
// brought them, or the closest record and what it cannot hold.
#pragma once

#include "windows.h"

#include "timezone/ZoneFile.h"

#include <chrono>
#include <string>

namespace platform::timezone {

struct YearRecord {
    // Names are the zone's abbreviations.
    TIME_ZONE_INFORMATION record {};
    // Empty when the record holds the zone exactly; otherwise what it cannot
    // hold, for a note to the user.
    std::string inexact;
};

enum class ZoneKind {
    // A zone file: the record holds the year it is made for. Of two offsets
    // the lower is standard time, as Windows presents zones whose daylight
    // saving the zone data gives as negative.
    zone_file,
    // A POSIX rule given as TZ: the record is meant to recur; standard time is
    // the rule's own, and dates that fall elsewhere in other years are noted.
    rule,
};

// The record for the UTC year of `when`: Bias is minus the standard offset in
// minutes, StandardBias 0, DaylightBias minus the daylight saving; each date
// is the year's real day of the change in the recurring form (wYear 0), at the
// local time on the clock running until then, the occurrence chosen that keeps
// to the zone's rule in the most later years. A year with one change, or more
// than one return from daylight time, gives the record in force at `when`.
YearRecord record_for_year(ZoneFile const& zone, std::chrono::system_clock::time_point when, ZoneKind kind);

}
