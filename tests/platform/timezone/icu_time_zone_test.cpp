// The host's zones as the device presents them: ICU's rules for a zone turned
// into the record Windows gives for it.
#include "timezone/IcuTimeZone.h"

#include "TimeZoneTestSupport.h"

#include <gtest/gtest.h>

using namespace timezone_test;
using platform::timezone::time_zone_from_icu;

namespace {

struct ZoneCase {
    char const* zone_id;
    ExpectedZone expected;
};

TEST(IcuTimeZone, ZonesArePresentedAsWindowsPresentsThem)
{
    ZoneCase const cases[] = {
        { "Europe/Berlin",
          { -60, -60, recurring(10, 0, 5, 3), recurring(3, 0, 5, 2), "W. Europe Standard Time", "W. Europe Daylight Time" } },
        { "America/New_York",
          { 300, -60, recurring(11, 0, 1, 2), recurring(3, 0, 2, 2), "Eastern Standard Time", "Eastern Daylight Time" } },
        { "US/Eastern",
          { 300, -60, recurring(11, 0, 1, 2), recurring(3, 0, 2, 2), "Eastern Standard Time", "Eastern Daylight Time" } },
        { "Europe/London",
          { 0, -60, recurring(10, 0, 5, 2), recurring(3, 0, 5, 1), "GMT Standard Time", "GMT Daylight Time" } },
        // A Windows id with a qualifier after "Standard Time".
        { "America/Tijuana",
          { 480, -60, recurring(11, 0, 1, 2), recurring(3, 0, 2, 2), "Pacific Standard Time (Mexico)",
            "Pacific Daylight Time (Mexico)" } },
        { "Asia/Tokyo", { -540, 0, no_date(), no_date(), "Tokyo Standard Time", "Tokyo Daylight Time" } },
        { "UTC", { 0, 0, no_date(), no_date(), "Coordinated Universal Time", "Coordinated Universal Time" } },
        { "Etc/UTC", { 0, 0, no_date(), no_date(), "Coordinated Universal Time", "Coordinated Universal Time" } },
        { "Etc/GMT-12", { -720, 0, no_date(), no_date(), "UTC+12", "UTC+12" } },
        // South of the equator daylight time spans the new year.
        { "Australia/Sydney",
          { -600, -60, recurring(4, 0, 1, 3), recurring(10, 0, 1, 2), "AUS Eastern Standard Time",
            "AUS Eastern Daylight Time" } },
        // Half-hour offsets, with and without daylight time.
        { "Asia/Kolkata", { -330, 0, no_date(), no_date(), "India Standard Time", "India Daylight Time" } },
        { "Australia/Adelaide",
          { -570, -60, recurring(4, 0, 1, 3), recurring(10, 0, 1, 2), "Cen. Australia Standard Time",
            "Cen. Australia Daylight Time" } },
        // A saving of thirty minutes, changed at 02:00 on either clock.
        { "Australia/Lord_Howe",
          { -630, -30, recurring(4, 0, 1, 2), recurring(10, 0, 1, 2), "Lord Howe Standard Time",
            "Lord Howe Daylight Time" } },
        // A zone that gave up daylight time keeps just its offset.
        { "America/Sao_Paulo",
          { 180, 0, no_date(), no_date(), "E. South America Standard Time", "E. South America Daylight Time" } },
    };
    // Winter and summer in the north: the rules are the same all year.
    for (auto const when : { utc(2026, 1, 15, 12), utc(2026, 7, 15, 12) }) {
        for (auto const& c : cases) {
            auto const record = time_zone_from_icu(c.zone_id, when);
            ASSERT_TRUE(record) << c.zone_id;
            expect_zone(*record, c.expected, c.zone_id);
        }
    }
}

TEST(IcuTimeZone, RulesAreThoseInForceAtTheMomentAsked)
{
    // Moscow kept daylight time until 2011.
    auto const in_2010 = time_zone_from_icu("Europe/Moscow", utc(2010, 6, 1));
    ASSERT_TRUE(in_2010);
    expect_zone(*in_2010,
                { -180, -60, recurring(10, 0, 5, 3), recurring(3, 0, 5, 2), "Russian Standard Time",
                  "Russian Daylight Time" },
                "Europe/Moscow 2010");
    auto const in_2026 = time_zone_from_icu("Europe/Moscow", utc(2026, 6, 1));
    ASSERT_TRUE(in_2026);
    expect_zone(*in_2026, { -180, 0, no_date(), no_date(), "Russian Standard Time", "Russian Daylight Time" },
                "Europe/Moscow 2026");
}

TEST(IcuTimeZone, UnknownZoneGivesNothing)
{
    for (char const* id : { "Nowhere/Special", "", "Etc/Unknown" })
        EXPECT_FALSE(time_zone_from_icu(id, utc(2026, 1, 1))) << '"' << id << '"';
}

}
