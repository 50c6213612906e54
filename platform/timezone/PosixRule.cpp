// The POSIX TZ rule parser, with the C library's reading of what POSIX leaves
// open, and the rule's changes year by year.
#include "timezone/PosixRule.h"

#include "text/Rounding.h"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace platform::timezone {

using namespace std::chrono;

namespace {

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

    // A zone offset, [+-]hh[:mm[:ss]] west of UTC, as seconds east. The C
    // library takes hours past 24 as 24 and minutes or seconds past 59 as 59.
    std::optional<std::int32_t> offset(bool& clamped)
    {
        int sign = -1;
        if (take('-'))
            sign = 1;
        else
            take('+');
        auto const fields = clock_fields();
        if (!fields)
            return std::nullopt;
        auto const [hours, minutes, seconds] = *fields;
        clamped = clamped || hours > 24 || minutes > 59 || seconds > 59;
        return sign * static_cast<std::int32_t>(std::min(seconds, 59L) + 60 * std::min(minutes, 59L)
                                                + 3600 * std::min(hours, 24L));
    }

    // The time of a change, [+-]hh[:mm[:ss]]. POSIX allows 0-24 hours, the
    // zone files' rules -167 to 167; the C library takes any field up to
    // 65535, minutes and seconds past 59 too ("2:60" is 03:00).
    std::optional<std::int64_t> time()
    {
        bool negative = false;
        if (take('-'))
            negative = true;
        else
            take('+');
        auto const fields = clock_fields();
        if (!fields)
            return std::nullopt;
        auto const [hours, minutes, seconds] = *fields;
        if (hours > 65535 || minutes > 65535 || seconds > 65535)
            return std::nullopt;
        std::int64_t const value = 3600 * hours + 60 * minutes + seconds;
        return negative ? -value : value;
    }

    std::optional<PosixRule::Date> date()
    {
        PosixRule::Date date;
        if (take('M')) {
            auto const month = number();
            if (!month || *month < 1 || *month > 12 || !take('.'))
                return std::nullopt;
            auto const week = number();
            if (!week || *week < 1 || *week > 5 || !take('.'))
                return std::nullopt;
            auto const weekday = number();
            if (!weekday || *weekday > 6)
                return std::nullopt;
            date.month = static_cast<int>(*month);
            date.week = static_cast<int>(*week);
            date.weekday = static_cast<int>(*weekday);
        } else {
            bool const julian = take('J');
            auto const day = number();
            if (!day || *day > 365 || (julian && *day == 0))
                return std::nullopt;
            date.kind = julian ? PosixRule::Date::Kind::julian_no_leap : PosixRule::Date::Kind::zero_based;
            date.day = static_cast<int>(*day);
        }
        if (take('/')) {
            auto const at = time();
            if (!at)
                return std::nullopt;
            date.seconds = *at;
        }
        return date;
    }

private:
    // Decimal digits; a value too large for any field stays just too large.
    std::optional<long> number()
    {
        std::size_t const start = m_at;
        long value = 0;
        while (m_at < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_at]))) {
            value = std::min(value * 10 + (m_text[m_at] - '0'), 1'000'000L);
            ++m_at;
        }
        if (m_at == start)
            return std::nullopt;
        return value;
    }

    struct Fields {
        long hours;
        long minutes;
        long seconds;
    };

    std::optional<Fields> clock_fields()
    {
        auto const hours = number();
        if (!hours)
            return std::nullopt;
        Fields fields { *hours, 0, 0 };
        if (take(':')) {
            auto const minutes = number();
            if (!minutes)
                return std::nullopt;
            fields.minutes = *minutes;
            if (take(':')) {
                auto const seconds = number();
                if (!seconds)
                    return std::nullopt;
                fields.seconds = *seconds;
            }
        }
        return fields;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

std::int64_t days_since_epoch(year_month_day day)
{
    return sys_days(day).time_since_epoch().count();
}

}

std::int64_t day_of(std::int64_t t)
{
    return text::floor_div(t, seconds_per_day);
}

int utc_year(std::int64_t t)
{
    return static_cast<int>(year_month_day(sys_days(days(day_of(t)))).year());
}

std::int64_t utc_year_start(int year)
{
    return days_since_epoch(std::chrono::year(year) / January / 1) * seconds_per_day;
}

std::optional<PosixRule> parse_posix_rule(std::string_view text)
{
    Parser parser(text);
    PosixRule rule;
    auto standard_name = parser.name();
    if (!standard_name)
        return std::nullopt;
    auto const standard_offset = parser.offset(rule.clamped);
    if (!standard_offset)
        return std::nullopt;
    rule.standard_name = std::move(*standard_name);
    rule.standard_offset = *standard_offset;
    if (parser.at_end())
        return rule;

    auto daylight_name = parser.name();
    if (!daylight_name)
        return std::nullopt;
    rule.has_daylight = true;
    rule.daylight_name = std::move(*daylight_name);
    rule.daylight_offset = rule.standard_offset + 3600;
    if (!parser.at_end() && !parser.peek(',')) {
        auto const offset = parser.offset(rule.clamped);
        if (!offset)
            return std::nullopt;
        rule.daylight_offset = *offset;
    }
    // The C library's dates when the rule gives none, or only the start.
    rule.start = { PosixRule::Date::Kind::month_week_day, 3, 2, 0, 0, 2 * 3600 };
    rule.end = { PosixRule::Date::Kind::month_week_day, 11, 1, 0, 0, 2 * 3600 };
    if (parser.take(',') && !parser.at_end()) {
        auto const start = parser.date();
        if (!start)
            return std::nullopt;
        rule.start = *start;
        if (parser.take(',') && !parser.at_end()) {
            auto const end = parser.date();
            if (!end)
                return std::nullopt;
            rule.end = *end;
        }
    }
    if (!parser.at_end())
        return std::nullopt;
    return rule;
}

bool begins_with_standard_time(std::string_view text)
{
    Parser parser(text);
    bool clamped = false;
    return parser.name() && parser.offset(clamped);
}

std::int64_t change_in_year(PosixRule::Date const& date, int year, std::int32_t offset)
{
    std::chrono::year const y { year };
    std::int64_t day = 0;
    switch (date.kind) {
    case PosixRule::Date::Kind::julian_no_leap:
        day = days_since_epoch(y / January / 1) + date.day - 1 + (y.is_leap() && date.day >= 60 ? 1 : 0);
        break;
    case PosixRule::Date::Kind::zero_based:
        day = days_since_epoch(y / January / 1) + date.day;
        break;
    case PosixRule::Date::Kind::month_week_day: {
        // The week-th such weekday, or the last one when the month has fewer.
        auto const month = std::chrono::month(static_cast<unsigned>(date.month));
        year_month_weekday const nth { y / month / weekday(static_cast<unsigned>(date.weekday))[static_cast<unsigned>(date.week)] };
        sys_days const found = nth.ok() ? sys_days(nth)
                                        : sys_days(year_month_weekday_last(y / month / weekday(static_cast<unsigned>(date.weekday))[last]));
        day = found.time_since_epoch().count();
        break;
    }
    }
    return day * seconds_per_day + date.seconds - offset;
}

bool is_daylight_at(PosixRule const& rule, std::int64_t t)
{
    if (!rule.has_daylight)
        return false;
    int const year = utc_year(t);
    std::int64_t const begins = change_in_year(rule.start, year, rule.standard_offset);
    std::int64_t const ends = change_in_year(rule.end, year, rule.daylight_offset);
    if (begins > ends)
        return t < ends || t >= begins;
    return t >= begins && t < ends;
}

}
