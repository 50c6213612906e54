// POSIX TZ rules mapped onto the time-zone record: one vector per rule form,
// each checked field by field; rules the C library reads in its own way, each
// against the C library itself; and the texts that are no rule at all.
#include "timezone/PosixTimeZone.h"

#include "CLibraryZone.h"
#include "TimeZoneTestSupport.h"

#include <gtest/gtest.h>

using namespace timezone_test;
using platform::timezone::time_zone_from_posix;

namespace {

SYSTEMTIME at(WORD month, WORD weekday, WORD occurrence, WORD hour, WORD minute = 0, WORD second = 0)
{
    return SYSTEMTIME { 0, month, weekday, occurrence, hour, minute, second, 0 };
}

struct Vector {
    char const* rule;
    int year; // of the moment asked about
    ExpectedZone expected;
    bool exact;
};

TEST(PosixTimeZone, RulesMapOntoTheRecordFieldByField)
{
    Vector const vectors[] = {
        // What date reads as CET: both dates in the Mm.w.d form, exactly.
        { "CET-1CEST,M3.5.0,M10.5.0/3", 2026,
          { -60, -60, at(10, 0, 5, 3), at(3, 0, 5, 2), "CET", "CEST" }, true },
        // No dates: the C library's default ones, the second Sunday of March
        // and the first of November, at 02:00.
        { "EST5EDT", 2026, { 300, -60, at(11, 0, 1, 2), at(3, 0, 2, 2), "EST", "EDT" }, true },
        // Quoted names, a half-hour offset, no daylight time.
        { "<+0530>-5:30", 2026, { -330, 0, no_date(), no_date(), "+0530", "+0530" }, true },
        { "JST-9", 2026, { -540, 0, no_date(), no_date(), "JST", "JST" }, true },
        // South of the equator: daylight time from September to April.
        { "NZST-12NZDT,M9.5.0,M4.1.0/3", 2026,
          { -720, -60, at(4, 0, 1, 3), at(9, 0, 5, 2), "NZST", "NZDT" }, true },
        // An explicit daylight offset, times with minutes and seconds, an
        // explicit plus sign.
        { "AAA+3BBB+1:30,M4.1.6/1:15:30,M10.3.1/23:59:59", 2026,
          { 180, -90, at(10, 1, 3, 23, 59, 59), at(4, 6, 1, 1, 15, 30), "AAA", "BBB" }, true },
        // A saving of thirty minutes (Lord Howe).
        { "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", 2026,
          { -630, -30, at(4, 0, 1, 2), at(10, 0, 1, 2), "+1030", "+11" }, true },
        // Changes before midnight (Nuuk): the day before, as Windows writes it.
        { "<-02>2<-01>,M3.5.0/-1,M10.5.0/0", 2026,
          { 120, -60, at(10, 0, 5, 0), at(3, 6, 5, 23), "-02", "-01" }, false },
        // Fixed days of the year: the weekday they fall on in the year asked about.
        { "XST3XDT,J60/2,J300", 2026, { 180, -60, at(10, 2, 4, 2), at(3, 0, 1, 2), "XST", "XDT" }, false },
        { "XST3XDT,59,299", 2026, { 180, -60, at(10, 2, 4, 2), at(3, 0, 1, 2), "XST", "XDT" }, false },
        // Jn never counts February 29; n does.
        { "XST3XDT,J60,59", 2028, { 180, -60, at(2, 2, 5, 2), at(3, 3, 1, 2), "XST", "XDT" }, false },
        // Seconds in an offset go to the nearest minute.
        { "LMT-0:53:28", 2026, { -53, 0, no_date(), no_date(), "LMT", "LMT" }, false },
    };
    for (auto const& v : vectors) {
        auto const zone = time_zone_from_posix(v.rule, utc(v.year, 1, 15, 12));
        ASSERT_TRUE(zone) << v.rule;
        expect_zone(zone->record, v.expected, v.rule);
        EXPECT_EQ(zone->inexact.empty(), v.exact) << v.rule << ": " << zone->inexact;
    }
}

// The record made for `year` against the C library under the same TZ: the same
// offsets and changes that year, and in every later year of a weekday cycle
// when the record claims to hold the rule exactly.
struct CLibraryCase {
    char const* rule;
    int year;
    bool exact;
    char const* why; // what the case is about
};

TEST(PosixTimeZone, RulesAgreeWithTheCLibrary)
{
    CLibraryCase const cases[] = {
        { "CET-1CEST,M3.5.0,M10.5.0/3", 2026, true, "the usual form" },
        { "NZST-12NZDT,M9.5.0,M4.1.0/3", 2026, true, "south of the equator" },
        { "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", 2026, true, "a half-hour saving" },
        { "<+00>0<+02>-2,M3.5.0/1,M10.5.0/3", 2026, true, "a saving of two hours (Troll)" },
        { "IST-1GMT0,M10.5.0,M3.5.0/1", 2026, true, "a negative saving (Dublin)" },
        // Daylight time from the first to the last day, save the hours the C
        // library keeps in standard time at each new UTC year.
        { "EST5EDT,0/0,J365/25", 2026, false, "daylight time all year" },
        { "AAA+3BBB+1:30,M4.1.6/1:15:30,M10.3.1/23:59:59", 2026, true, "times to the second" },
        // Made in a common year, the fourth Sunday of February stays the
        // fourth, also in leap years.
        { "XST3XDT,M2.4.0,M10.5.0", 2026, true, "M2.4.d, the fourth, not the last" },
        { "XST3XDT,M2.4.0,M10.5.0", 2028, true, "M2.4.d in a leap year" },
        // One date: the C library ends daylight time on its default, M11.1.0.
        { "CET-1CEST,M3.5.0", 2026, true, "a start without an end" },
        { "CET-1CEST,M3.5.0,", 2026, true, "a start and an empty end" },
        // Offsets past their range, clamped by the C library.
        { "CET-25", 2026, false, "hours past 24" },
        { "CET-1:60", 2026, false, "minutes past 59" },
        { "CET-1CEST-25,M3.5.0,M10.5.0", 2026, false, "a daylight offset past 24 hours" },
        // Times outside the day, on the real days the C library computes:
        // Gaza and Hebron, Jerusalem, Nuuk.
        { "EET-2EEST,M3.4.4/50,M10.4.4/50", 2026, false, "Gaza" },
        { "EET-2EEST,M3.4.4/50,M10.4.4/50", 2027, false, "Gaza" },
        { "IST-2IDT,M3.4.4/26,M10.5.0", 2026, false, "Jerusalem" },
        { "<-02>2<-01>,M3.5.0/-1,M10.5.0/0", 2026, false, "Nuuk" },
        { "XST3XDT,M3.5.0/-49,M10.1.0/167", 2026, false, "changes days away from the named day" },
        { "CET-1CEST,M3.5.0/168,M10.5.0/2:60", 2026, true, "a week later; minutes past 59" },
        { "XST3XDT,J60/2,J300", 2026, false, "fixed days of the year" },
        { "XST3XDT,J60,59", 2028, false, "Jn and n in a leap year" },
    };
    for (auto const& c : cases) {
        std::string const label = std::string(c.rule) + " in " + std::to_string(c.year) + " (" + c.why + ")";
        auto const zone = time_zone_from_posix(c.rule, utc(c.year, 6, 1));
        ASSERT_TRUE(zone) << label;
        EXPECT_EQ(zone->inexact.empty(), c.exact) << label << ": " << zone->inexact;
        ScopedTz const tz(c.rule);
        EXPECT_EQ(difference_in_year(zone->record, c.year), "") << label;
        for (int later = c.year + 1; c.exact && later <= c.year + 28; ++later)
            EXPECT_EQ(difference_in_year(zone->record, later), "") << label << ", exact, in " << later;
    }
}

TEST(PosixTimeZone, RulesTheCLibraryMapsOntoItsOwnDays)
{
    // Gaza's rule: daylight time ends on the fourth Thursday of October plus
    // 50 hours, Saturday 24 October 2026 at 02:00, not the last Saturday.
    auto const gaza = time_zone_from_posix("EET-2EEST,M3.4.4/50,M10.4.4/50", utc(2026, 6, 1));
    ASSERT_TRUE(gaza);
    expect_zone(gaza->record, { -120, -60, at(10, 6, 4, 2), at(3, 6, 5, 2), "EET", "EEST" }, "Gaza 2026");
    EXPECT_EQ(gaza->inexact,
              "a change at a time outside the day is held as the weekday and time on which it falls this year");
    // The clamped offsets as the C library takes them: 24 hours, 1:59.
    auto const clamped = time_zone_from_posix("CET-25", utc(2026, 6, 1));
    ASSERT_TRUE(clamped);
    EXPECT_EQ(clamped->record.Bias, -1440);
    auto const minutes = time_zone_from_posix("CET-1:60", utc(2026, 6, 1));
    ASSERT_TRUE(minutes);
    EXPECT_EQ(minutes->record.Bias, -119);
    EXPECT_EQ(minutes->inexact, "an offset's hours past 24, or minutes or seconds past 59, are read as 24 and 59, as "
                                "the C library reads them");
    // One date: the end is the C library's default, the first Sunday of November.
    auto const one_date = time_zone_from_posix("CET-1CEST,M3.5.0", utc(2026, 6, 1));
    ASSERT_TRUE(one_date);
    expect_zone(one_date->record, { -60, -60, at(11, 0, 1, 2), at(3, 0, 5, 2), "CET", "CEST" }, "one date");
}

TEST(PosixTimeZone, TextsThatAreNoRuleGiveNothing)
{
    char const* const texts[] = {
        "",
        "CET",                              // no offset
        "AB1",                              // a name of two letters
        "<+5>-5",                           // a quoted name of two characters
        "<+05-5",                           // an unclosed quote
        "CET-1CEST,M13.5.0,M10.5.0",        // month 13
        "CET-1CEST,M3.6.0,M10.5.0",         // week 6
        "CET-1CEST,M3.5.7,M10.5.0",         // weekday 7
        "CET-1CEST,J0,J365",                // J counts from 1
        "CET-1CEST,366,1",                  // n counts to 365
        "CET-1CEST,M3.5.0/65536,M10.5.0",   // a time past what the C library reads
        "CET-1CEST,M3.5.0,M10.5.0,",        // a third date
        "CET-1CEST,,M10.5.0",               // an empty start
        "CET-",                             // a sign alone
        "CET-1CEST,M3.5.0,M10.5.0/3x",      // something after the rule
        "Europe/Berlin",                    // a zone name
        "GMT+5 ",                           // a trailing blank
    };
    for (char const* text : texts)
        EXPECT_FALSE(time_zone_from_posix(text, utc(2026, 1, 15))) << '"' << text << '"';
}

}
