// A POSIX TZ rule ("CET-1CEST,M3.5.0,M10.5.0/3") read as the C library reads
// it, and the UTC offset it gives at any moment: the form TZ takes when it names
// no zone, and the rule at the end of a zone file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::timezone {

struct PosixRule {
    // One transition date: Mm.w.d, Jn (1-365, February 29 never counted) or n
    // (0-365), at `seconds` after midnight on the clock running until then
    // (any number of hours, either side of the day).
    struct Date {
        enum class Kind { month_week_day, julian_no_leap, zero_based } kind = Kind::month_week_day;
        int month = 0;
        int week = 0;
        int weekday = 0;
        int day = 0;
        std::int64_t seconds = 2 * 3600;
    };

    std::string standard_name;
    std::int32_t standard_offset = 0; // seconds east of UTC
    bool has_daylight = false;
    std::string daylight_name;
    std::int32_t daylight_offset = 0; // seconds east of UTC
    Date start;                        // daylight time begins, on the standard clock
    Date end;                          // and ends, on the daylight clock
    // An offset field past its range (hours past 24, minutes or seconds past
    // 59), read as the C library reads it: at most 24, 59 and 59.
    bool clamped = false;
};

// Parses std offset [dst [offset] [,start[/time][,end[/time]]]]: names of three
// or more letters or <three or more letters, digits, + or ->, offsets
// [+-]hh[:mm[:ss]] west of UTC. As the C library does: a daylight offset left
// out is an hour east of the standard one; no dates at all, or a missing end,
// take its defaults, M3.2.0 and M11.1.0; times default to 02:00. Nothing when
// the text is not such a rule.
std::optional<PosixRule> parse_posix_rule(std::string_view text);

// Whether `text` begins with what the C library takes as a rule's standard
// time (a name and an offset), though it may be no rule as a whole.
bool begins_with_standard_time(std::string_view text);

// The UTC second at which `date` falls in `year`, `offset` being the clock that
// runs until then (seconds east of UTC), computed as the C library does: the
// named day's midnight plus the time, however far that reaches.
std::int64_t change_in_year(PosixRule::Date const& date, int year, std::int32_t offset);

// Whether daylight time is in force at the UTC second `t`, by the rule's two
// changes in t's UTC year, as the C library decides it.
bool is_daylight_at(PosixRule const& rule, std::int64_t t);

// Seconds since the epoch, whole days and years of them (UTC): the day of `t`
// (floored, for times before 1970 too), its year, and the first second of a year.
inline constexpr std::int64_t seconds_per_day = 86'400;
std::int64_t day_of(std::int64_t t);
int utc_year(std::int64_t t);
std::int64_t utc_year_start(int year);

// The UTC offset at `t`, in seconds east.
inline std::int32_t offset_at(PosixRule const& rule, std::int64_t t)
{
    return is_daylight_at(rule, t) ? rule.daylight_offset : rule.standard_offset;
}

}
