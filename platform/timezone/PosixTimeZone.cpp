// The POSIX TZ rule parser, and the rule mapped onto the fields of the record.
#include "timezone/PosixTimeZone.h"

#include "text/Utf.h"
#include "timezone/RecordFields.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace platform::timezone {

using namespace std::chrono;

namespace {

constexpr std::int64_t ms_per_second = 1000;
constexpr std::int64_t ms_per_hour = 3'600'000;

// One transition date of the rule.
struct RuleDate {
    enum class Kind { month_week_day, julian_no_leap, zero_based } kind = Kind::month_week_day;
    int month = 0;  // Mm.w.d
    int week = 0;
    int weekday = 0;
    int day = 0;    // Jn: 1-365; n: 0-365
    std::int64_t time_ms = 2 * ms_per_hour;
};

class Parser {
public:
    explicit Parser(std::string_view text)
        : m_text(text)
    {
    }

    bool at_end() const { return m_at == m_text.size(); }
    bool peek(char c) const { return m_at < m_text.size() && m_text[m_at] == c; }
    bool take(char c)
    {
        if (!peek(c))
            return false;
        ++m_at;
        return true;
    }

    // A name of three or more letters, or <three or more letters, digits, + or ->.
    std::optional<std::string> name()
    {
        std::size_t const start = m_at;
        if (take('<')) {
            while (m_at < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '+'
                                            || m_text[m_at] == '-'))
                ++m_at;
            std::string found(m_text.substr(start + 1, m_at - start - 1));
            if (!take('>') || found.size() < 3)
                return std::nullopt;
            return found;
        }
        while (m_at < m_text.size() && std::isalpha(static_cast<unsigned char>(m_text[m_at])))
            ++m_at;
        if (m_at - start < 3)
            return std::nullopt;
        return std::string(m_text.substr(start, m_at - start));
    }

    // [+-]hh[:mm[:ss]] in milliseconds, hours at most `max_hours`.
    std::optional<std::int64_t> duration(int max_hours)
    {
        bool negative = false;
        if (take('-'))
            negative = true;
        else
            take('+');
        auto const hours = number(0, max_hours);
        if (!hours)
            return std::nullopt;
        std::int64_t ms = *hours * ms_per_hour;
        if (take(':')) {
            auto const minutes = number(0, 59);
            if (!minutes)
                return std::nullopt;
            ms += *minutes * 60'000;
            if (take(':')) {
                auto const seconds = number(0, 59);
                if (!seconds)
                    return std::nullopt;
                ms += *seconds * ms_per_second;
            }
        }
        return negative ? -ms : ms;
    }

    std::optional<RuleDate> date()
    {
        RuleDate date;
        if (take('M')) {
            auto const month = number(1, 12);
            if (!month || !take('.'))
                return std::nullopt;
            auto const week = number(1, 5);
            if (!week || !take('.'))
                return std::nullopt;
            auto const weekday = number(0, 6);
            if (!weekday)
                return std::nullopt;
            date.month = *month;
            date.week = *week;
            date.weekday = *weekday;
        } else if (take('J')) {
            auto const day = number(1, 365);
            if (!day)
                return std::nullopt;
            date.kind = RuleDate::Kind::julian_no_leap;
            date.day = *day;
        } else {
            auto const day = number(0, 365);
            if (!day)
                return std::nullopt;
            date.kind = RuleDate::Kind::zero_based;
            date.day = *day;
        }
        if (take('/')) {
            // POSIX allows 0-24 hours; the zone files' rules go to 167 either way.
            auto const time = duration(167);
            if (!time)
                return std::nullopt;
            date.time_ms = *time;
        }
        return date;
    }

private:
    // Decimal digits (at most three) within [low, high].
    std::optional<int> number(int low, int high)
    {
        std::size_t const start = m_at;
        int value = 0;
        while (m_at < m_text.size() && m_at - start < 3 && std::isdigit(static_cast<unsigned char>(m_text[m_at])))
            value = value * 10 + (m_text[m_at++] - '0');
        if (m_at == start || value < low || value > high)
            return std::nullopt;
        return value;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

// The month, day and weekday on which a Jn or n date falls in `year`.
year_month_day day_of_year(RuleDate const& date, int year)
{
    sys_days const january_first = std::chrono::year(year) / January / 1;
    int index = date.day; // zero-based
    if (date.kind == RuleDate::Kind::julian_no_leap) {
        index = date.day - 1;
        if (std::chrono::year(year).is_leap() && date.day >= 60)
            ++index; // February 29 is never counted
    }
    return year_month_day(january_first + days(index));
}

// The date as the record's recurring form; `inexact` says what it could not keep.
SYSTEMTIME record_date(RuleDate const& date, int year, std::string& inexact)
{
    if (date.time_ms < 0 || date.time_ms >= 24 * ms_per_hour)
        inexact = "a change at a time outside the day is held as the nearest weekday and time";
    if (date.kind == RuleDate::Kind::month_week_day) {
        int const month_length = days_in_month(year, date.month);
        int const first = date.week == 5 ? month_length - 6 : 7 * date.week - 6;
        return recurring_date(year, date.month, date.weekday, { first, first + 6 }, date.time_ms);
    }
    inexact = "a fixed day of the year is held as the weekday it falls on this year";
    year_month_day const day = day_of_year(date, year);
    int const month = static_cast<int>(static_cast<unsigned>(day.month()));
    int const day_of_month = static_cast<int>(static_cast<unsigned>(day.day()));
    int const weekday = static_cast<int>(std::chrono::weekday(sys_days(day)).c_encoding());
    return recurring_date(year, month, weekday, { day_of_month, day_of_month }, date.time_ms);
}

}

std::optional<PosixZone> time_zone_from_posix(std::string_view rule, system_clock::time_point when)
{
    Parser parser(rule);
    auto const standard_name = parser.name();
    if (!standard_name)
        return std::nullopt;
    auto const standard_offset = parser.duration(24);
    if (!standard_offset)
        return std::nullopt;

    PosixZone zone;
    TIME_ZONE_INFORMATION& record = zone.record;
    std::memset(&record, 0, sizeof record);
    std::string inexact;
    auto const to_minutes = [&](std::int64_t ms) {
        if (ms % 60'000 != 0)
            inexact = "an offset with seconds is held to the nearest minute";
        std::int64_t const rounded = (ms >= 0 ? ms + 30'000 : ms - 30'000) / 60'000;
        return static_cast<LONG>(rounded);
    };
    record.Bias = to_minutes(*standard_offset);
    set_name(record.StandardName, platform::text::to_utf16(*standard_name));

    if (parser.at_end()) {
        set_name(record.DaylightName, platform::text::to_utf16(*standard_name));
        zone.inexact = inexact;
        return zone;
    }

    auto const daylight_name = parser.name();
    if (!daylight_name)
        return std::nullopt;
    std::int64_t daylight_offset = *standard_offset - ms_per_hour;
    if (!parser.at_end() && !parser.peek(',')) {
        auto const offset = parser.duration(24);
        if (!offset)
            return std::nullopt;
        daylight_offset = *offset;
    }
    RuleDate start { RuleDate::Kind::month_week_day, 3, 2, 0, 0, 2 * ms_per_hour };
    RuleDate end { RuleDate::Kind::month_week_day, 11, 1, 0, 0, 2 * ms_per_hour };
    if (parser.take(',')) {
        auto const rule_start = parser.date();
        if (!rule_start || !parser.take(','))
            return std::nullopt;
        auto const rule_end = parser.date();
        if (!rule_end)
            return std::nullopt;
        start = *rule_start;
        end = *rule_end;
    }
    if (!parser.at_end())
        return std::nullopt;

    int const year = static_cast<int>(year_month_day(floor<days>(when)).year());
    record.DaylightBias = to_minutes(daylight_offset) - record.Bias;
    set_name(record.DaylightName, platform::text::to_utf16(*daylight_name));
    // Daylight time begins on the standard clock and ends on the daylight
    // clock, in the rule as in the record.
    record.DaylightDate = record_date(start, year, inexact);
    record.StandardDate = record_date(end, year, inexact);
    zone.inexact = inexact;
    return zone;
}

}
