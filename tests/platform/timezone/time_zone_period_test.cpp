// The period a record puts in force, worked out from its own transition dates:
// the "5 = last" weekday arithmetic, both hemispheres, the instants of change.
#include "timezone/TimeZonePeriod.h"

#include "TimeZoneTestSupport.h"

#include <gtest/gtest.h>

using namespace timezone_test;
using namespace std::chrono;
using platform::timezone::LocalMilliseconds;
using platform::timezone::time_zone_period;
using platform::timezone::transition_in_year;

namespace {

TIME_ZONE_INFORMATION record(LONG bias, LONG daylight_bias, SYSTEMTIME standard_date, SYSTEMTIME daylight_date)
{
    TIME_ZONE_INFORMATION r {};
    r.Bias = bias;
    r.DaylightBias = daylight_bias;
    r.StandardDate = standard_date;
    r.DaylightDate = daylight_date;
    return r;
}

// The days of the month of four recurring dates, year by year, as Windows
// computes them: last Sunday of March, last Sunday of October, first Sunday of
// April, fourth Sunday of October.
struct YearCase {
    int year;
    unsigned march_last, october_last, april_first, october_fourth;
};

TEST(TimeZonePeriod, RecurringDatesFallOnTheRightDay)
{
    YearCase const cases[] = {
        { 1999, 28, 31, 4, 24 }, { 2000, 26, 29, 2, 22 }, { 2001, 25, 28, 1, 28 }, { 2002, 31, 27, 7, 27 },
        { 2003, 30, 26, 6, 26 }, { 2004, 28, 31, 4, 24 }, { 2005, 27, 30, 3, 23 }, { 2006, 26, 29, 2, 22 },
        { 2007, 25, 28, 1, 28 }, { 2008, 30, 26, 6, 26 }, { 2009, 29, 25, 5, 25 }, { 2010, 28, 31, 4, 24 },
        { 2011, 27, 30, 3, 23 }, { 2012, 25, 28, 1, 28 }, { 2013, 31, 27, 7, 27 }, { 2014, 30, 26, 6, 26 },
        { 2015, 29, 25, 5, 25 }, { 2016, 27, 30, 3, 23 }, { 2017, 26, 29, 2, 22 }, { 2018, 25, 28, 1, 28 },
        { 2019, 31, 27, 7, 27 },
    };
    auto day_of = [](SYSTEMTIME const& date, int year) -> unsigned {
        auto const at = transition_in_year(date, year);
        if (!at)
            return 0;
        return static_cast<unsigned>(year_month_day(floor<days>(*at)).day());
    };
    for (auto const& c : cases) {
        EXPECT_EQ(day_of(recurring(3, 0, 5, 2), c.year), c.march_last) << c.year;
        EXPECT_EQ(day_of(recurring(10, 0, 5, 3), c.year), c.october_last) << c.year;
        EXPECT_EQ(day_of(recurring(4, 0, 1, 2), c.year), c.april_first) << c.year;
        EXPECT_EQ(day_of(recurring(10, 0, 4, 2), c.year), c.october_fourth) << c.year;
    }
}

TEST(TimeZonePeriod, TransitionDatesInBothForms)
{
    struct {
        char const* label;
        SYSTEMTIME date;
        int year;
        std::optional<LocalMilliseconds> expected;
    } const cases[] = {
        // February 2026 has four Sundays: the fifth is the last one, the 22nd.
        { "fifth means last", recurring(2, 0, 5, 2), 2026,
          local_days(2026y / February / 22) + hours(2) },
        { "a fifth that exists", recurring(3, 0, 5, 2), 2026, local_days(2026y / March / 29) + hours(2) },
        { "second Sunday", recurring(3, 0, 2, 2), 2026, local_days(2026y / March / 8) + hours(2) },
        { "last Thursday", recurring(10, 4, 5, 0), 2026, local_days(2026y / October / 29) },
        { "leap February", recurring(2, 0, 5, 0), 2032, local_days(2032y / February / 29) },
        { "time to the millisecond", SYSTEMTIME { 0, 12, 6, 5, 23, 59, 59, 999 }, 2026,
          local_days(2026y / December / 26) + hours(23) + minutes(59) + seconds(59) + milliseconds(999) },
        { "absolute date", SYSTEMTIME { 2026, 3, 0, 29, 2, 0, 0, 0 }, 2026, local_days(2026y / March / 29) + hours(2) },
        { "absolute date keeps its year", SYSTEMTIME { 2027, 3, 0, 28, 2, 0, 0, 0 }, 2026,
          local_days(2027y / March / 28) + hours(2) },
        { "no month", SYSTEMTIME { 0, 0, 0, 5, 2, 0, 0, 0 }, 2026, std::nullopt },
        { "month 13", recurring(13, 0, 1, 2), 2026, std::nullopt },
        { "weekday 7", recurring(3, 7, 1, 2), 2026, std::nullopt },
        { "occurrence 0", recurring(3, 0, 0, 2), 2026, std::nullopt },
        { "occurrence 6", recurring(3, 0, 6, 2), 2026, std::nullopt },
        { "hour 24", recurring(3, 0, 1, 24), 2026, std::nullopt },
        { "minute 60", recurring(3, 0, 1, 2, 60), 2026, std::nullopt },
        { "absolute February 30", SYSTEMTIME { 2026, 2, 0, 30, 0, 0, 0, 0 }, 2026, std::nullopt },
    };
    for (auto const& c : cases) {
        auto const got = transition_in_year(c.date, c.year);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.label;
        if (got) {
            EXPECT_EQ(got->time_since_epoch().count(), c.expected->time_since_epoch().count()) << c.label;
        }
    }
}

struct MomentCase {
    char const* label;
    system_clock::time_point at; // UTC
    DWORD expected;
};

void expect_periods(TIME_ZONE_INFORMATION const& r, std::initializer_list<MomentCase> cases)
{
    for (auto const& c : cases)
        EXPECT_EQ(time_zone_period(r, c.at), c.expected) << c.label;
}

auto const standard = TIME_ZONE_ID_STANDARD;
auto const daylight = TIME_ZONE_ID_DAYLIGHT;

TEST(TimeZonePeriod, NorthernZoneChangesAtTheRightInstants)
{
    // Berlin: daylight time from 02:00 standard time on the last Sunday of
    // March (01:00 UTC) to 03:00 daylight time on the last Sunday of October
    // (01:00 UTC); in 2026 those are March 29 and October 25.
    expect_periods(record(-60, -60, recurring(10, 0, 5, 3), recurring(3, 0, 5, 2)),
                   {
                       { "winter", utc(2026, 1, 15, 12), standard },
                       { "summer", utc(2026, 7, 15, 12), daylight },
                       { "last standard minute", utc(2026, 3, 29, 0, 59), standard },
                       { "daylight begins", utc(2026, 3, 29, 1, 0), daylight },
                       { "last daylight minute", utc(2026, 10, 25, 0, 59), daylight },
                       { "standard begins", utc(2026, 10, 25, 1, 0), standard },
                       { "new year's eve", utc(2026, 12, 31, 23, 30), standard },
                   });
}

TEST(TimeZonePeriod, SouthernZoneHasDaylightTimeAcrossTheNewYear)
{
    // Sydney: daylight time ends at 03:00 daylight time on the first Sunday of
    // April and begins at 02:00 standard time on the first Sunday of October
    // (April 5 and October 4 in 2026; both 16:00 UTC the day before).
    expect_periods(record(-600, -60, recurring(4, 0, 1, 3), recurring(10, 0, 1, 2)),
                   {
                       { "southern summer", utc(2026, 1, 15, 12), daylight },
                       { "southern winter", utc(2026, 7, 15, 12), standard },
                       { "last daylight minute", utc(2026, 4, 4, 15, 59), daylight },
                       { "standard begins", utc(2026, 4, 4, 16, 0), standard },
                       { "last standard minute", utc(2026, 10, 3, 15, 59), standard },
                       { "daylight begins", utc(2026, 10, 3, 16, 0), daylight },
                       { "new year in UTC", utc(2026, 12, 31, 23, 59), daylight },
                       { "new year locally", utc(2026, 12, 31, 13, 30), daylight },
                   });
}

TEST(TimeZonePeriod, WindowsConversionVectors)
{
    // The three zones of Windows' own conversion tests, in 2004.
    expect_periods(record(-600, -60, recurring(10, 0, 5, 3), recurring(3, 0, 5, 2)),
                   {
                       { "E before March change", utc(2004, 3, 27, 15, 59), standard },
                       { "E at March change", utc(2004, 3, 27, 16, 0), daylight },
                       { "E before October change", utc(2004, 10, 30, 15, 59), daylight },
                       { "E at October change", utc(2004, 10, 30, 16, 0), standard },
                   });
    expect_periods(record(240, -60, recurring(10, 0, 4, 2), recurring(4, 0, 1, 2)),
                   {
                       { "W before April change", utc(2004, 4, 4, 5, 59), standard },
                       { "W at April change", utc(2004, 4, 4, 6, 0), daylight },
                       { "W before October change", utc(2004, 10, 24, 4, 59), daylight },
                       { "W at October change", utc(2004, 10, 24, 5, 0), standard },
                   });
    expect_periods(record(240, -60, recurring(4, 0, 1, 2), recurring(10, 0, 4, 2)),
                   {
                       { "S before April change", utc(2004, 4, 4, 4, 59), daylight },
                       { "S at April change", utc(2004, 4, 4, 5, 0), standard },
                       { "S before October change", utc(2004, 10, 24, 5, 59), standard },
                       { "S at October change", utc(2004, 10, 24, 6, 0), daylight },
                   });
    // No year-wrap fault on the last minute of a year.
    expect_periods(record(0, -60, recurring(10, 0, 5, 2), recurring(4, 0, 1, 2)),
                   { { "new year's eve", utc(2012, 12, 31, 23, 1), standard } });
}

TEST(TimeZonePeriod, ThirtyMinuteSaving)
{
    // Lord Howe: both changes at 02:00 on the clock running until then; in
    // 2026 daylight time ends on April 5 (15:00 UTC the day before).
    expect_periods(record(-630, -30, recurring(4, 0, 1, 2), recurring(10, 0, 1, 2)),
                   {
                       { "last daylight minute", utc(2026, 4, 4, 14, 59), daylight },
                       { "standard begins", utc(2026, 4, 4, 15, 0), standard },
                       { "last standard minute", utc(2026, 10, 3, 15, 29), standard },
                       { "daylight begins", utc(2026, 10, 3, 15, 30), daylight },
                   });
}

TEST(TimeZonePeriod, TheRecordsOwnBiasesPlaceTheChange)
{
    // With a daylight bias of two hours the October change, at 03:00 on the
    // daylight clock, comes an hour earlier in universal time.
    auto const at = utc(2026, 10, 25, 0, 30);
    EXPECT_EQ(time_zone_period(record(-60, -60, recurring(10, 0, 5, 3), recurring(3, 0, 5, 2)), at), daylight);
    EXPECT_EQ(time_zone_period(record(-60, -120, recurring(10, 0, 5, 3), recurring(3, 0, 5, 2)), at), standard);
}

TEST(TimeZonePeriod, AbsoluteDates)
{
    auto const r = record(-60, -60, SYSTEMTIME { 2026, 10, 0, 25, 3, 0, 0, 0 }, SYSTEMTIME { 2026, 3, 0, 29, 2, 0, 0, 0 });
    expect_periods(r, {
                          { "before", utc(2026, 3, 29, 0, 59), standard },
                          { "inside", utc(2026, 3, 29, 1, 0), daylight },
                          { "after", utc(2026, 10, 25, 1, 0), standard },
                      });
}

TEST(TimeZonePeriod, UnknownWithoutUsableTransitionDates)
{
    auto const at = utc(2026, 7, 15, 12);
    struct {
        char const* label;
        TIME_ZONE_INFORMATION r;
    } const cases[] = {
        { "no dates", record(-540, 0, no_date(), no_date()) },
        { "no dates but a daylight bias", record(-540, -60, no_date(), no_date()) },
        { "only a daylight date", record(-60, -60, no_date(), recurring(3, 0, 5, 2)) },
        { "only a standard date", record(-60, -60, recurring(10, 0, 5, 3), no_date()) },
        { "month out of range", record(-60, -60, recurring(13, 0, 5, 3), recurring(3, 0, 5, 2)) },
        { "weekday out of range", record(-60, -60, recurring(10, 9, 5, 3), recurring(3, 0, 5, 2)) },
        { "occurrence out of range", record(-60, -60, recurring(10, 0, 5, 3), recurring(3, 0, 7, 2)) },
    };
    for (auto const& c : cases)
        EXPECT_EQ(time_zone_period(c.r, at), static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN)) << c.label;
}

}
