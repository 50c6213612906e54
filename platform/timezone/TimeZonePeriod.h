// Which period of a time-zone record is in force at a given moment, worked out
// from the record's own transition dates, as GetTimeZoneInformation reports it.
#pragma once

#include "windows.h"

#include <chrono>
#include <optional>

namespace platform::timezone {

using Clock = std::chrono::system_clock;
using LocalMilliseconds = std::chrono::local_time<std::chrono::milliseconds>;

// The local date and time at which a transition date falls in `year`: the
// recurring form (wYear 0: weekday wDayOfWeek, occurrence wDay of wMonth, 5 the
// last) for any year, the absolute form (wYear set) in its own year only.
// Nothing for a date that names no day (a month, weekday or time out of range).
std::optional<LocalMilliseconds> transition_in_year(SYSTEMTIME const& date, int year);

// TIME_ZONE_ID_UNKNOWN when the record has no transition dates (either wMonth
// is 0) or they are not dates; otherwise TIME_ZONE_ID_DAYLIGHT between the
// start of daylight time (DaylightDate, in local standard time) and its end
// (StandardDate, in local daylight time), TIME_ZONE_ID_STANDARD outside it. A
// daylight period that spans the new year, as south of the equator, works the
// same way.
DWORD time_zone_period(TIME_ZONE_INFORMATION const& record, Clock::time_point now);

}
