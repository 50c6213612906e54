// Turning ICU's picture of a zone into the device's record: the annual rules
// ICU reports near a moment become Windows' recurring transition dates, and the
// zone's Windows id gives its names.
#include "timezone/IcuTimeZone.h"

#include "timezone/RecordFields.h"

#include <unicode/basictz.h>
#include <unicode/dtrule.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/tzrule.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace platform::timezone {

using namespace std::chrono;

namespace {

constexpr int32_t ms_per_minute = 60'000;

std::u16string to_u16(icu::UnicodeString const& text)
{
    return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
}

using ZoneNames = WindowsNames;

// The Windows zones whose English standard name is not their id.
struct NameException {
    char16_t const* windows_id;
    char16_t const* standard;
    char16_t const* daylight;
};

constexpr NameException name_exceptions[] = {
    { u"UTC", u"Coordinated Universal Time", u"Coordinated Universal Time" },
    { u"Russia Time Zone 3", u"Russia TZ 3 Standard Time", u"Russia TZ 3 Daylight Time" },
    { u"Russia Time Zone 10", u"Russia TZ 10 Standard Time", u"Russia TZ 10 Daylight Time" },
    { u"Russia Time Zone 11", u"Russia TZ 11 Standard Time", u"Russia TZ 11 Daylight Time" },
};

ZoneNames windows_names(std::u16string const& windows_id)
{
    for (auto const& exception : name_exceptions) {
        if (windows_id == exception.windows_id)
            return { exception.standard, exception.daylight };
    }
    // "W. Europe Standard Time" has the daylight name "W. Europe Daylight Time",
    // "Pacific Standard Time (Mexico)" "Pacific Daylight Time (Mexico)"; ids of
    // another form ("UTC+12") use the same name for both.
    std::u16string_view const standard = u"Standard Time";
    std::u16string daylight = windows_id;
    if (auto const at = daylight.rfind(standard); at != std::u16string::npos)
        daylight.replace(at, standard.size(), u"Daylight Time");
    return { windows_id, daylight };
}

ZoneNames zone_names(icu::TimeZone const& zone)
{
    icu::UnicodeString id;
    icu::UnicodeString windows_id;
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone::getWindowsID(zone.getID(id), windows_id, status);
    if (U_SUCCESS(status) && !windows_id.isEmpty())
        return windows_names(to_u16(windows_id));
    // A zone Windows does not have: ICU's own English names.
    icu::UnicodeString standard;
    icu::UnicodeString daylight;
    zone.getDisplayName(false, icu::TimeZone::LONG, icu::Locale::getEnglish(), standard);
    zone.getDisplayName(true, icu::TimeZone::LONG, icu::Locale::getEnglish(), daylight);
    return { to_u16(standard), to_u16(daylight) };
}

// One of ICU's annual rules as a Windows transition date. `offset_before` is
// the zone's full offset from UTC, and `saving_before` its daylight saving,
// just before the change: Windows gives the time of the change on the clock
// that is running until then.
SYSTEMTIME windows_date(icu::DateTimeRule const& rule, int32_t offset_before, int32_t saving_before, int year)
{
    int const month = rule.getRuleMonth() + 1;
    int const month_length = days_in_month(year, month);

    int64_t local_ms = rule.getRuleMillisInDay();
    switch (rule.getTimeRuleType()) {
    case icu::DateTimeRule::UTC_TIME:
        local_ms += offset_before;
        break;
    case icu::DateTimeRule::STANDARD_TIME:
        local_ms += saving_before;
        break;
    case icu::DateTimeRule::WALL_TIME:
        break;
    }

    DayWindow window { 1, 7 };
    int weekday = rule.getRuleDayOfWeek() - UCAL_SUNDAY;
    switch (rule.getDateRuleType()) {
    case icu::DateTimeRule::DOM: {
        int const day = rule.getRuleDayOfMonth();
        window = { day, day };
        weekday = static_cast<int>(
            std::chrono::weekday(sys_days(std::chrono::year(year) / std::chrono::month(static_cast<unsigned>(month)) /
                                          std::chrono::day(static_cast<unsigned>(day))))
                .c_encoding());
        break;
    }
    case icu::DateTimeRule::DOW: {
        int const n = rule.getRuleWeekInMonth();
        int const first = n > 0 ? 7 * n - 6 : month_length + 7 * n + 1;
        window = { first, first + 6 };
        break;
    }
    case icu::DateTimeRule::DOW_GEQ_DOM:
        window = { rule.getRuleDayOfMonth(), rule.getRuleDayOfMonth() + 6 };
        break;
    case icu::DateTimeRule::DOW_LEQ_DOM:
        window = { rule.getRuleDayOfMonth() - 6, rule.getRuleDayOfMonth() };
        break;
    }

    return recurring_date(year, month, weekday, window, local_ms);
}

TIME_ZONE_INFORMATION empty_record()
{
    TIME_ZONE_INFORMATION record;
    std::memset(&record, 0, sizeof record);
    return record;
}

}

// The record for a zone ICU has made; `zone` may also be one that stands for
// a host setting ICU only knows by its offset ("JST-9").
static std::optional<TIME_ZONE_INFORMATION> record_of(icu::TimeZone const& zone, system_clock::time_point when)
{
    icu::UnicodeString found;
    if (zone.getID(found) == UNICODE_STRING_SIMPLE("Etc/Unknown"))
        return std::nullopt;

    auto const when_ms = time_point_cast<milliseconds>(when);
    UDate const date = static_cast<UDate>(when_ms.time_since_epoch().count());
    int const year = static_cast<int>(year_month_day(floor<days>(when_ms)).year());

    TIME_ZONE_INFORMATION record = empty_record();
    ZoneNames const names = zone_names(zone);
    set_name(record.StandardName, names.standard);
    set_name(record.DaylightName, names.daylight);

    icu::InitialTimeZoneRule* initial = nullptr;
    icu::AnnualTimeZoneRule* standard = nullptr;
    icu::AnnualTimeZoneRule* daylight = nullptr;
    UErrorCode status = U_ZERO_ERROR;
    if (auto const* basic = dynamic_cast<icu::BasicTimeZone const*>(&zone))
        basic->getSimpleRulesNear(date, initial, standard, daylight, status);
    std::unique_ptr<icu::InitialTimeZoneRule> const initial_owner(initial);
    std::unique_ptr<icu::AnnualTimeZoneRule> const standard_owner(standard);
    std::unique_ptr<icu::AnnualTimeZoneRule> const daylight_owner(daylight);

    if (U_SUCCESS(status) && standard && daylight && daylight->getDSTSavings() != 0) {
        int32_t const raw = standard->getRawOffset();
        int32_t const saving = daylight->getDSTSavings();
        record.Bias = -raw / ms_per_minute;
        record.StandardBias = -standard->getDSTSavings() / ms_per_minute;
        record.DaylightBias = -saving / ms_per_minute;
        // Daylight time begins on the standard clock and ends on the daylight clock.
        record.DaylightDate = windows_date(*daylight->getRule(), daylight->getRawOffset() + standard->getDSTSavings(),
                                           standard->getDSTSavings(), year);
        record.StandardDate = windows_date(*standard->getRule(), raw + saving, saving, year);
        return record;
    }

    // One offset all year: that offset, whatever ICU calls it, and no dates.
    int32_t raw = 0;
    int32_t saving = 0;
    status = U_ZERO_ERROR;
    zone.getOffset(date, false, raw, saving, status);
    if (U_FAILURE(status))
        return std::nullopt;
    record.Bias = -(raw + saving) / ms_per_minute;
    return record;
}

std::optional<TIME_ZONE_INFORMATION> time_zone_from_icu(std::string_view zone_id, system_clock::time_point when)
{
    icu::UnicodeString const id =
        icu::UnicodeString::fromUTF8(icu::StringPiece(zone_id.data(), static_cast<int32_t>(zone_id.size())));
    std::unique_ptr<icu::TimeZone> const zone(icu::TimeZone::createTimeZone(id));
    if (!zone)
        return std::nullopt;
    return record_of(*zone, when);
}

std::optional<WindowsNames> windows_names_of(std::string_view zone_id)
{
    if (!is_known_zone_id(zone_id))
        return std::nullopt;
    icu::UnicodeString const id =
        icu::UnicodeString::fromUTF8(icu::StringPiece(zone_id.data(), static_cast<int32_t>(zone_id.size())));
    std::unique_ptr<icu::TimeZone> const zone(icu::TimeZone::createTimeZone(id));
    if (!zone)
        return std::nullopt;
    return zone_names(*zone);
}

bool is_known_zone_id(std::string_view zone_id)
{
    icu::UnicodeString const id =
        icu::UnicodeString::fromUTF8(icu::StringPiece(zone_id.data(), static_cast<int32_t>(zone_id.size())));
    icu::UnicodeString canonical;
    UBool system = false;
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone::getCanonicalID(id, canonical, system, status);
    return U_SUCCESS(status) && system && canonical != UNICODE_STRING_SIMPLE("Etc/Unknown");
}

// ICU's detection reads TZ and /etc/localtime afresh each time. It is not
// thread-safe, and needs no lock: the device calls it on its one thread.
std::optional<std::string> detect_host_zone_id()
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    if (!zone)
        return std::nullopt;
    icu::UnicodeString name;
    std::string id;
    zone->getID(name).toUTF8String(id);
    if (!is_known_zone_id(id))
        return std::nullopt;
    return id;
}

}
