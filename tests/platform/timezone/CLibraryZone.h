// The C library as the oracle of the time-zone tests: the UTC offset that
// localtime gives under a TZ, its changes over a year found to the second, and
// a record's offsets found the same way, so that the two can be compared.
#pragma once

#include "windows.h"

#include "timezone/TimeZonePeriod.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace timezone_test {

// Sets TZ (and has the C library read it) for as long as it lives.
class ScopedTz {
public:
    explicit ScopedTz(std::string const& tz)
    {
        if (char const* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", tz.c_str(), 1);
        ::tzset();
    }
    ScopedTz(ScopedTz const&) = delete;
    ScopedTz& operator=(ScopedTz const&) = delete;
    ~ScopedTz()
    {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};

// A UTC offset in seconds east as a function of the UTC second.
using OffsetAt = std::function<long(std::int64_t)>;

struct OffsetChange {
    std::int64_t at;
    long before;
    long after;
    bool operator==(OffsetChange const&) const = default;
};

inline std::int64_t first_second_of(int year)
{
    using namespace std::chrono;
    return duration_cast<seconds>(sys_days(std::chrono::year(year) / January / 1).time_since_epoch()).count();
}

// The offset's changes in [from, to), found by sampling every three hours and
// narrowing each difference down to the second.
inline std::vector<OffsetChange> offset_changes(OffsetAt const& offset_at, std::int64_t from, std::int64_t to)
{
    std::vector<OffsetChange> found;
    constexpr std::int64_t step = 3 * 3600;
    long previous = offset_at(from);
    std::int64_t t = from;
    while (t < to) {
        std::int64_t const next = std::min(t + step, to);
        if (offset_at(next) == previous) {
            t = next;
            continue;
        }
        std::int64_t low = t; // offset_at(low) == previous
        std::int64_t high = next;
        while (high - low > 1) {
            std::int64_t const middle = low + (high - low) / 2;
            (offset_at(middle) == previous ? low : high) = middle;
        }
        long const after = offset_at(high);
        found.push_back({ high, previous, after });
        previous = after;
        t = high;
    }
    return found;
}

// What localtime says under the TZ in force.
inline long c_library_offset(std::int64_t t)
{
    time_t const when = static_cast<time_t>(t);
    struct tm local {};
    localtime_r(&when, &local);
    return local.tm_gmtoff;
}

// What a program reading the record takes the offset to be.
inline long record_offset(TIME_ZONE_INFORMATION const& record, std::int64_t t)
{
    using namespace std::chrono;
    DWORD const period = platform::timezone::time_zone_period(record, system_clock::time_point(seconds(t)));
    long bias = record.Bias;
    if (period == TIME_ZONE_ID_DAYLIGHT)
        bias += record.DaylightBias;
    else if (period == TIME_ZONE_ID_STANDARD)
        bias += record.StandardBias;
    return -bias * 60;
}

inline std::string describe(std::vector<OffsetChange> const& list, long initial)
{
    std::string out = "from " + std::to_string(initial);
    for (auto const& c : list) {
        time_t const when = static_cast<time_t>(c.at);
        struct tm utc {};
        gmtime_r(&when, &utc);
        char text[64];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
        out += std::string(", ") + text + "Z to " + std::to_string(c.after);
    }
    return out;
}

// Empty when the record gives the same offsets as the C library (under the TZ
// in force) throughout `year`; otherwise both, described.
inline std::string difference_in_year(TIME_ZONE_INFORMATION const& record, int year)
{
    std::int64_t const from = first_second_of(year);
    std::int64_t const to = first_second_of(year + 1);
    auto const of_record = [&](std::int64_t t) { return record_offset(record, t); };
    auto const expected = offset_changes(c_library_offset, from, to);
    auto const got = offset_changes(of_record, from, to);
    if (expected == got && c_library_offset(from) == of_record(from))
        return {};
    return "in " + std::to_string(year) + " the C library gives " + describe(expected, c_library_offset(from))
        + "; the record " + describe(got, of_record(from));
}

}
