// The period computation: both transitions of the current year turned into
// universal time with the bias in force before each, then compared with now.
#include "timezone/TimeZonePeriod.h"

namespace platform::timezone {

using namespace std::chrono;

namespace {

bool is_valid_time(SYSTEMTIME const& date)
{
    return date.wHour < 24 && date.wMinute < 60 && date.wSecond < 60 && date.wMilliseconds < 1000;
}

milliseconds time_of_day(SYSTEMTIME const& date)
{
    return hours(date.wHour) + minutes(date.wMinute) + seconds(date.wSecond) + milliseconds(date.wMilliseconds);
}

std::optional<local_days> recurring_day(SYSTEMTIME const& date, int year)
{
    if (date.wDayOfWeek > 6 || date.wDay < 1 || date.wDay > 5)
        return std::nullopt;
    // The wDay-th such weekday, or the last one when the month has fewer.
    year_month_weekday const nth { std::chrono::year(year) / month(date.wMonth) /
                                   weekday(date.wDayOfWeek)[date.wDay] };
    if (nth.ok())
        return local_days(nth);
    return local_days(year_month_weekday_last(std::chrono::year(year) / month(date.wMonth) /
                                              weekday(date.wDayOfWeek)[last]));
}

}

std::optional<LocalMilliseconds> transition_in_year(SYSTEMTIME const& date, int year)
{
    if (date.wMonth < 1 || date.wMonth > 12 || !is_valid_time(date))
        return std::nullopt;
    std::optional<local_days> day;
    if (date.wYear == 0) {
        day = recurring_day(date, year);
    } else {
        year_month_day const absolute { std::chrono::year(date.wYear) / month(date.wMonth) / std::chrono::day(date.wDay) };
        if (absolute.ok())
            day = local_days(absolute);
    }
    if (!day)
        return std::nullopt;
    return LocalMilliseconds(*day) + time_of_day(date);
}

DWORD time_zone_period(TIME_ZONE_INFORMATION const& record, Clock::time_point now)
{
    if (record.StandardDate.wMonth == 0 || record.DaylightDate.wMonth == 0)
        return TIME_ZONE_ID_UNKNOWN;

    // Universal time is local time plus the bias of the period in force.
    minutes const standard_bias { static_cast<long long>(record.Bias) + record.StandardBias };
    minutes const daylight_bias { static_cast<long long>(record.Bias) + record.DaylightBias };
    auto const now_ms = time_point_cast<milliseconds>(now);
    int const year = static_cast<int>(year_month_day(floor<days>(now_ms - standard_bias)).year());

    auto const daylight_start = transition_in_year(record.DaylightDate, year);
    auto const standard_start = transition_in_year(record.StandardDate, year);
    if (!daylight_start || !standard_start)
        return TIME_ZONE_ID_UNKNOWN;

    // DaylightDate is reached in standard time, StandardDate in daylight time.
    sys_time<milliseconds> const daylight_begins { daylight_start->time_since_epoch() + standard_bias };
    sys_time<milliseconds> const daylight_ends { standard_start->time_since_epoch() + daylight_bias };

    bool daylight;
    if (daylight_begins < daylight_ends)
        daylight = daylight_begins <= now_ms && now_ms < daylight_ends;
    else
        daylight = !(daylight_ends <= now_ms && now_ms < daylight_begins);
    return daylight ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

}
