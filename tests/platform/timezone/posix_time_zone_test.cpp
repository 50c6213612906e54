// POSIX TZ rules mapped onto the time-zone record: one vector per rule form,
// each checked field by field, and the texts that are no rule at all.
#include "timezone/PosixTimeZone.h"

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

TEST(PosixTimeZone, TextsThatAreNoRuleGiveNothing)
{
    char const* const texts[] = {
        "",
        "CET",                              // no offset
        "AB1",                              // a name of two letters
        "<+5>-5",                           // a quoted name of two characters
        "<+05-5",                           // an unclosed quote
        "CET-25",                           // an offset past 24 hours
        "CET-1:60",                         // minutes past 59
        "CET-1CEST,M3.5.0",                 // a start without an end
        "CET-1CEST,M13.5.0,M10.5.0",        // month 13
        "CET-1CEST,M3.6.0,M10.5.0",         // week 6
        "CET-1CEST,M3.5.7,M10.5.0",         // weekday 7
        "CET-1CEST,J0,J365",                // J counts from 1
        "CET-1CEST,366,1",                  // n counts to 365
        "CET-1CEST,M3.5.0/168,M10.5.0",     // a time past 167 hours
        "CET-1CEST,M3.5.0,M10.5.0/3x",      // something after the rule
        "Europe/Berlin",                    // a zone name
        "GMT+5 ",                           // a trailing blank
    };
    for (char const* text : texts)
        EXPECT_FALSE(time_zone_from_posix(text, utc(2026, 1, 15))) << '"' << text << '"';
}

}
