// A POSIX TZ rule as the record: the rule read as the C library reads it, its
// changes in the year asked about mapped as any zone's are.
#include "timezone/PosixTimeZone.h"

#include "timezone/PosixRule.h"
#include "timezone/ZoneFile.h"
#include "timezone/ZoneYear.h"

namespace platform::timezone {

std::optional<PosixZone> time_zone_from_posix(std::string_view rule, std::chrono::system_clock::time_point when)
{
    auto const parsed = parse_posix_rule(rule);
    if (!parsed)
        return std::nullopt;
    YearRecord year = record_for_year(zone_of_rule(*parsed), when, ZoneKind::rule);
    return PosixZone { year.record, std::move(year.inexact) };
}

}
