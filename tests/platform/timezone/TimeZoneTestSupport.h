// Helpers shared by the time-zone tests: readable dates and whole-record checks.
#pragma once

#include "windows.h"

#include "text/Utf.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>

namespace timezone_test {

// A recurring transition date: month, weekday (0 = Sunday), occurrence (5 = last), time.
inline SYSTEMTIME recurring(WORD month, WORD weekday, WORD occurrence, WORD hour, WORD minute = 0)
{
    return SYSTEMTIME { 0, month, weekday, occurrence, hour, minute, 0, 0 };
}

inline SYSTEMTIME no_date()
{
    return SYSTEMTIME {};
}

inline std::string describe(SYSTEMTIME const& d)
{
    return "{y" + std::to_string(d.wYear) + " m" + std::to_string(d.wMonth) + " dow" + std::to_string(d.wDayOfWeek) +
        " d" + std::to_string(d.wDay) + " " + std::to_string(d.wHour) + ":" + std::to_string(d.wMinute) + ":" +
        std::to_string(d.wSecond) + "." + std::to_string(d.wMilliseconds) + "}";
}

inline bool same_date(SYSTEMTIME const& a, SYSTEMTIME const& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDayOfWeek == b.wDayOfWeek && a.wDay == b.wDay &&
        a.wHour == b.wHour && a.wMinute == b.wMinute && a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

inline std::string name_of(WCHAR const (&field)[32])
{
    return platform::text::to_utf8(std::u16string(field, std::char_traits<char16_t>::length(field)));
}

struct ExpectedZone {
    LONG bias;
    LONG daylight_bias;
    SYSTEMTIME standard_date;
    SYSTEMTIME daylight_date;
    char const* standard_name;
    char const* daylight_name;
};

inline void expect_zone(TIME_ZONE_INFORMATION const& got, ExpectedZone const& want, std::string const& label)
{
    EXPECT_EQ(got.Bias, want.bias) << label;
    EXPECT_EQ(got.StandardBias, 0) << label;
    EXPECT_EQ(got.DaylightBias, want.daylight_bias) << label;
    EXPECT_TRUE(same_date(got.StandardDate, want.standard_date))
        << label << ": StandardDate " << describe(got.StandardDate) << ", expected " << describe(want.standard_date);
    EXPECT_TRUE(same_date(got.DaylightDate, want.daylight_date))
        << label << ": DaylightDate " << describe(got.DaylightDate) << ", expected " << describe(want.daylight_date);
    EXPECT_EQ(name_of(got.StandardName), want.standard_name) << label;
    EXPECT_EQ(name_of(got.DaylightName), want.daylight_name) << label;
    // The names are always terminated within their 32 characters.
    EXPECT_EQ(got.StandardName[31], u'\0') << label;
    EXPECT_EQ(got.DaylightName[31], u'\0') << label;
}

// A UTC moment: year, month, day, hour, minute.
inline std::chrono::system_clock::time_point utc(int year, unsigned month, unsigned day, int hour = 0, int minute = 0)
{
    using namespace std::chrono;
    return sys_days(std::chrono::year(year) / std::chrono::month(month) / std::chrono::day(day)) + hours(hour) +
        minutes(minute);
}

}
