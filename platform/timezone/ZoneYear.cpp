// The year's changes found from the zone's own moments of change, then mapped
// onto the record: none, a daylight period, or what the record cannot hold.
#include "timezone/ZoneYear.h"

#include "text/Utf.h"
#include "timezone/PosixRule.h"
#include "timezone/RecordFields.h"
#include "timezone/TimeZonePeriod.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace platform::timezone {

using namespace std::chrono;

namespace {

constexpr int years_checked = 28; // one cycle of weekdays and leap years

struct Change {
    std::int64_t at; // UTC second
    ZoneFile::Type before;
    ZoneFile::Type after;
};

// The changes whose local time, on the clock running until then, lies in `year`.
std::vector<Change> changes_in_year(ZoneFile const& zone, int year)
{
    std::int64_t const from = utc_year_start(year) - 2 * seconds_per_day;
    std::int64_t const to = utc_year_start(year + 1) + 2 * seconds_per_day;
    std::vector<Change> changes;
    for (std::int64_t const at : change_candidates(zone, from, to)) {
        ZoneFile::Type const before = type_at(zone, at - 1);
        ZoneFile::Type const after = type_at(zone, at);
        std::int64_t const local = at + before.offset;
        if (before.offset != after.offset && local >= utc_year_start(year) && local < utc_year_start(year + 1))
            changes.push_back({ at, before, after });
    }
    return changes;
}

// "UTC+05:30", with seconds when the offset has them.
std::string offset_text(std::int32_t offset)
{
    char text[24];
    std::int32_t const magnitude = offset < 0 ? -offset : offset;
    if (magnitude % 60 != 0)
        std::snprintf(text, sizeof text, "UTC%c%02d:%02d:%02d", offset < 0 ? '-' : '+', magnitude / 3600,
                      magnitude / 60 % 60, magnitude % 60);
    else
        std::snprintf(text, sizeof text, "UTC%c%02d:%02d", offset < 0 ? '-' : '+', magnitude / 3600, magnitude / 60 % 60);
    return text;
}

// "2026-03-01 02:00" for a local second.
std::string local_text(std::int64_t local)
{
    year_month_day const day { sys_days(days(day_of(local))) };
    std::int64_t const time = local - day_of(local) * seconds_per_day;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()), static_cast<int>(time / 3600),
                  static_cast<int>(time / 60 % 60));
    return text;
}

// The local second at which a recurring date falls in `year`.
std::optional<std::int64_t> local_in_year(SYSTEMTIME const& date, int year)
{
    auto const at = transition_in_year(date, year);
    if (!at)
        return std::nullopt;
    std::int64_t const ms = at->time_since_epoch().count();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

// The change at local second `local` as a recurring date. Of the occurrences
// that name that day (the n-th, or the last), the one on which `rule_date`
// falls in the most later years (the n-th when they tie; the last when there
// is no rule); `kept` says in how many of them it does.
SYSTEMTIME recurring_at(std::int64_t local, int year, PosixRule::Date const* rule_date, int& kept)
{
    std::int64_t const day_number = day_of(local);
    std::int64_t const time = local - day_number * seconds_per_day;
    sys_days const day { days(day_number) };
    year_month_day const date { day };
    int const month = static_cast<int>(static_cast<unsigned>(date.month()));
    int const day_of_month = static_cast<int>(static_cast<unsigned>(date.day()));
    bool const is_last = day_of_month + 7 > days_in_month(static_cast<int>(date.year()), month);

    SYSTEMTIME found {};
    found.wMonth = static_cast<WORD>(month);
    found.wDayOfWeek = static_cast<WORD>(weekday(day).c_encoding());
    found.wHour = static_cast<WORD>(time / 3600);
    found.wMinute = static_cast<WORD>(time / 60 % 60);
    found.wSecond = static_cast<WORD>(time % 60);

    WORD const nth = static_cast<WORD>((day_of_month - 1) / 7 + 1);
    WORD const choices[] = { nth, is_last ? WORD(5) : nth };
    kept = -1;
    WORD chosen = choices[0];
    for (WORD const occurrence : choices) {
        SYSTEMTIME candidate = found;
        candidate.wDay = occurrence;
        int matches = 0;
        for (int later = year + 1; rule_date && later <= year + years_checked; ++later) {
            if (local_in_year(candidate, later) == change_in_year(*rule_date, later, 0))
                ++matches;
        }
        if (matches > kept) {
            kept = matches;
            chosen = occurrence;
        }
    }
    found.wDay = chosen;
    if (!rule_date) {
        // Nothing tells: the last, as most rules of the zone data have it.
        found.wDay = is_last ? WORD(5) : nth;
        kept = years_checked;
    }
    return found;
}

LONG minutes_of(std::int32_t offset, bool& rounded)
{
    if (offset % 60 != 0)
        rounded = true;
    return static_cast<LONG>(offset >= 0 ? (offset + 30) / 60 : -((-offset + 30) / 60));
}

char const* date_note(PosixRule::Date const& date)
{
    if (date.kind != PosixRule::Date::Kind::month_week_day)
        return "a fixed day of the year is held as the weekday it falls on this year";
    return "a change at a time outside the day is held as the weekday and time on which it falls this year";
}

void add_note(std::string& notes, std::string const& note)
{
    if (notes.find(note) != std::string::npos)
        return;
    if (!notes.empty())
        notes += "; ";
    notes += note;
}

class RecordBuilder {
public:
    RecordBuilder(ZoneFile const& zone, int year, ZoneKind kind)
        : m_zone(zone)
        , m_year(year)
        , m_kind(kind)
    {
        std::memset(&m_result.record, 0, sizeof m_result.record);
    }

    void fixed(ZoneFile::Type const& type)
    {
        TIME_ZONE_INFORMATION& record = m_result.record;
        record.Bias = -minutes_of(type.offset, m_rounded);
        set_name(record.StandardName, text::to_utf16(type.abbreviation));
        set_name(record.DaylightName, text::to_utf16(type.abbreviation));
    }

    // A daylight period: `into_daylight` and `into_standard` are its two changes.
    void period(Change const& into_daylight, Change const& into_standard)
    {
        ZoneFile::Type const& standard = into_daylight.before;
        ZoneFile::Type const& daylight = into_daylight.after;
        TIME_ZONE_INFORMATION& record = m_result.record;
        LONG const standard_minutes = minutes_of(standard.offset, m_rounded);
        record.Bias = -standard_minutes;
        record.DaylightBias = -(minutes_of(daylight.offset, m_rounded) - standard_minutes);
        set_name(record.StandardName, text::to_utf16(standard.abbreviation));
        set_name(record.DaylightName, text::to_utf16(daylight.abbreviation));

        // Which of the rule's dates each change keeps to in later years.
        PosixRule::Date const* daylight_rule = nullptr;
        PosixRule::Date const* standard_rule = nullptr;
        if (m_zone.rule && m_zone.rule->has_daylight) {
            PosixRule const& rule = *m_zone.rule;
            if (rule.standard_offset == standard.offset && rule.daylight_offset == daylight.offset) {
                daylight_rule = &rule.start;
                standard_rule = &rule.end;
            } else if (rule.standard_offset == daylight.offset && rule.daylight_offset == standard.offset) {
                daylight_rule = &rule.end;
                standard_rule = &rule.start;
            }
        }
        int daylight_kept = 0;
        int standard_kept = 0;
        record.DaylightDate = recurring_at(into_daylight.at + standard.offset, m_year, daylight_rule, daylight_kept);
        record.StandardDate = recurring_at(into_standard.at + daylight.offset, m_year, standard_rule, standard_kept);
        if (m_kind == ZoneKind::rule) {
            if (daylight_rule && daylight_kept < years_checked)
                add_note(m_result.inexact, date_note(*daylight_rule));
            if (standard_rule && standard_kept < years_checked)
                add_note(m_result.inexact, date_note(*standard_rule));
        }
    }

    void note(std::string const& text) { add_note(m_result.inexact, text); }

    YearRecord finish()
    {
        if (m_kind == ZoneKind::rule && m_zone.rule && m_zone.rule->clamped)
            add_note(m_result.inexact, "an offset's hours past 24, or minutes or seconds past 59, are read as 24 and "
                                       "59, as the C library reads them");
        if (m_rounded)
            add_note(m_result.inexact, "an offset with seconds is held to the nearest minute");
        return m_result;
    }

private:
    ZoneFile const& m_zone;
    int m_year;
    ZoneKind m_kind;
    bool m_rounded = false;
    YearRecord m_result;
};

// Of a change "into" the other offset, which of its two offsets is standard time.
bool is_into_daylight(Change const& change, ZoneFile const& zone, ZoneKind kind)
{
    if (kind == ZoneKind::rule && zone.rule && zone.rule->has_daylight)
        return change.after.offset == zone.rule->daylight_offset && change.before.offset == zone.rule->standard_offset;
    return change.after.offset > change.before.offset;
}

std::string change_list(std::vector<Change> const& changes)
{
    std::string text;
    for (auto const& change : changes) {
        if (!text.empty())
            text += ", ";
        text += "to " + offset_text(change.after.offset) + " at " + local_text(change.at + change.before.offset);
    }
    return text;
}

}

YearRecord record_for_year(ZoneFile const& zone, system_clock::time_point when, ZoneKind kind)
{
    std::int64_t const now = floor<seconds>(when).time_since_epoch().count();
    int const year = utc_year(now);
    std::vector<Change> const changes = changes_in_year(zone, year);
    RecordBuilder builder(zone, year, kind);

    if (changes.empty()) {
        builder.fixed(type_at(zone, utc_year_start(year) + 182 * seconds_per_day));
        return builder.finish();
    }
    if (changes.size() == 2 && changes[1].after.offset == changes[0].before.offset) {
        bool const first_in = is_into_daylight(changes[0], zone, kind);
        builder.period(first_in ? changes[0] : changes[1], first_in ? changes[1] : changes[0]);
        return builder.finish();
    }

    // More than the record can hold: the daylight period around `when`, or
    // one that returns to the offset in force then, else that offset alone.
    ZoneFile::Type const in_force = type_at(zone, now);
    std::optional<std::size_t> chosen;
    for (std::size_t i = 0; i + 1 < changes.size(); ++i) {
        if (changes[i + 1].after.offset != changes[i].before.offset)
            continue;
        if (changes[i].at <= now && now < changes[i + 1].at) {
            chosen = i;
            break;
        }
        if (!chosen && changes[i].before.offset == in_force.offset)
            chosen = i;
    }
    std::string const what = "in " + std::to_string(year) + " the zone changes its offset "
        + (changes.size() == 1 ? std::string("once") : std::to_string(changes.size()) + " times") + " ("
        + change_list(changes) + "), more than the record's two yearly changes can hold";
    if (chosen) {
        Change const& first = changes[*chosen];
        Change const& second = changes[*chosen + 1];
        bool const first_in = is_into_daylight(first, zone, kind) || !is_into_daylight(second, zone, kind);
        builder.period(first_in ? first : second, first_in ? second : first);
        builder.note(what + "; it holds the changes of " + local_text(first.at + first.before.offset).substr(0, 10)
                     + " and " + local_text(second.at + second.before.offset).substr(0, 10));
    } else {
        builder.fixed(in_force);
        builder.note(what + "; it holds the offset in force now, " + offset_text(in_force.offset));
    }
    return builder.finish();
}

}
