// The host's zone from TZ in each form the C library reads: a zone name,
// ":name", a path into the zone database, a zone file of one's own (by the rule
// at its end), a POSIX rule; and TZ that is none of these, warned about once.
#include "timezone/HostTimeZone.h"

#include "CLibraryZone.h"
#include "DeviceFixture.h"
#include "TimeZoneTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

using namespace timezone_test;
using platform::timezone::host_zone;

namespace {

class HostTimeZone : public test_support::DeviceFixture { };

ExpectedZone const berlin { -60, -60, recurring(10, 0, 5, 3), recurring(3, 0, 5, 2), "W. Europe Standard Time",
                            "W. Europe Daylight Time" };
ExpectedZone const cet_rule { -60, -60, recurring(10, 0, 5, 3), recurring(3, 0, 5, 2), "CET", "CEST" };
ExpectedZone const utc_zone { 0, 0, no_date(), no_date(), "Coordinated Universal Time", "Coordinated Universal Time" };

struct LocalType {
    std::int32_t offset; // seconds east
    bool daylight;
    std::string abbreviation;
};

struct ZoneTransition {
    std::int64_t at; // UTC second
    std::uint8_t type;
};

// A zone file of version 2 (with an empty version 1 part, as zic writes with
// -b slim): the given types and transitions, and `rule` as its last line.
std::string zone_file(std::vector<LocalType> const& types, std::vector<ZoneTransition> const& transitions,
                      std::string const& rule)
{
    auto const big_endian = [](std::uint64_t v, int bytes) {
        std::string out;
        for (int i = bytes - 1; i >= 0; --i)
            out += static_cast<char>(v >> (8 * i));
        return out;
    };
    std::string names;
    std::string type_entries;
    for (auto const& type : types) {
        type_entries += big_endian(static_cast<std::uint32_t>(type.offset), 4) + std::string(1, type.daylight ? 1 : 0)
            + std::string(1, static_cast<char>(names.size()));
        names += type.abbreviation + std::string(1, '\0');
    }
    auto const header = [&](std::uint32_t time_count, std::uint32_t type_count, std::uint32_t char_count) {
        std::string text = std::string("TZif2") + std::string(15, '\0');
        for (std::uint32_t count : { 0u, 0u, 0u, time_count, type_count, char_count }) // isut, isstd, leap, time, type, char
            text += big_endian(count, 4);
        return text;
    };
    std::string const version1 = header(0, 1, 1) + std::string(6, '\0') + std::string(1, '\0');
    std::string version2 = header(static_cast<std::uint32_t>(transitions.size()), static_cast<std::uint32_t>(types.size()),
                                  static_cast<std::uint32_t>(names.size()));
    for (auto const& transition : transitions)
        version2 += big_endian(static_cast<std::uint64_t>(transition.at), 8);
    for (auto const& transition : transitions)
        version2 += std::string(1, static_cast<char>(transition.type));
    version2 += type_entries + names;
    return version1 + version2 + "\n" + rule + "\n";
}

// A zone file whose one transition lies before all history, so that (as for
// the C library) the rule on its last line holds for every time.
std::string zone_file(std::string const& rule)
{
    return zone_file({ { 3600, false, "CET" } }, { { -(std::int64_t(1) << 59), 0 } }, rule);
}

std::int64_t seconds_of(std::chrono::system_clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

TEST_F(HostTimeZone, EveryFormOfTzGivesTheZonesRecord)
{
    auto const own_file = dir() / "my-zone";
    write_file(own_file, zone_file("CET-1CEST,M3.5.0,M10.5.0/3"));
    struct Case {
        std::string tz;
        char const* name;
        ExpectedZone expected;
    } const cases[] = {
        { "Europe/Berlin", "Europe/Berlin", berlin },
        { ":Europe/Berlin", "Europe/Berlin", berlin },
        { "/usr/share/zoneinfo/Europe/Berlin", "Europe/Berlin", berlin },
        { ":/usr/share/zoneinfo/posix/Europe/Berlin", "Europe/Berlin", berlin },
        { own_file.string(), own_file.c_str(), cet_rule },
        { "CET-1CEST,M3.5.0,M10.5.0/3", "CET-1CEST,M3.5.0,M10.5.0/3", cet_rule },
        { "EST5EDT", "EST5EDT",
          { 300, -60, recurring(11, 0, 1, 2), recurring(3, 0, 2, 2), "Eastern Standard Time", "Eastern Daylight Time" } },
        // POSIX: five hours west of UTC, not ICU's "GMT+05:00".
        { "GMT+5", "GMT+5", { 300, 0, no_date(), no_date(), "GMT", "GMT" } },
        { "", "UTC", utc_zone },
    };
    for (auto const& c : cases) {
        set_host_zone(c.tz.c_str());
        testing::internal::CaptureStderr();
        auto const zone = host_zone(utc(2026, 1, 15, 12));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.tz;
        EXPECT_EQ(zone.name, c.name) << c.tz;
        EXPECT_EQ(zone.note, "") << c.tz;
        expect_zone(zone.record, c.expected, "TZ=" + c.tz);
    }
}

TEST_F(HostTimeZone, AnUnknownZoneIsReportedOnceAndUtcUsed)
{
    auto const not_a_zone_file = dir() / "notes.txt";
    write_file(not_a_zone_file, "not a zone file\n");
    struct Case {
        std::string tz;
        std::string shown; // as the message quotes it: no terminal control raw
    } const cases[] = {
        { "Nowhere/Invalid", "Nowhere/Invalid" },
        { not_a_zone_file.string(), not_a_zone_file.string() },
        { "Bad\x1b[31m", "Bad\\x1B[31m" },
        { "Nowhere\xc2\x9b" "31m\xe2\x80\xaeX", "Nowhere\\u009B31m\\u202EX" },
    };
    for (auto const& [tz, shown] : cases) {
        set_host_zone(tz.c_str());
        testing::internal::CaptureStderr();
        auto const first = host_zone(utc(2026, 1, 15));
        auto const second = host_zone(utc(2026, 7, 15));
        std::string const err = testing::internal::GetCapturedStderr();
        expect_zone(first.record, utc_zone, tz);
        expect_zone(second.record, utc_zone, tz);
        EXPECT_EQ(first.name, "UTC");
        std::string const message = "TZ=\"" + shown + "\" is no time zone the device knows (no zone of that name, "
                                                      "no zone file, no POSIX rule); it uses UTC, as the C library does";
        EXPECT_EQ(first.note, message);
        EXPECT_EQ(err, "device: " + message + "\n") << "once, however often the zone is read";
    }
}

TEST_F(HostTimeZone, ABrokenRuleIsReportedAsTheCLibraryReadsItInPart)
{
    // The C library keeps CET's offset here and makes its own of the dates;
    // the device uses UTC and says that it differs.
    set_host_zone("CET-1CEST,M13.5.0,M10.5.0");
    testing::internal::CaptureStderr();
    auto const zone = host_zone(utc(2026, 1, 15));
    testing::internal::GetCapturedStderr();
    expect_zone(zone.record, utc_zone, "broken rule");
    EXPECT_EQ(zone.note, "TZ=\"CET-1CEST,M13.5.0,M10.5.0\" is no time zone the device knows (no zone of that name, no "
                         "zone file, no POSIX rule); it uses UTC, where the C library reads the rule only in part");
}

TEST_F(HostTimeZone, SpecialFilesAreRefusedWithoutBlocking)
{
    keep_variable("TZDIR");
    auto const fifo = dir() / "zone-fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto const link = dir() / "link-to-fifo";
    std::filesystem::create_symlink(fifo, link);
    struct Case {
        std::string tz;
        char const* tzdir;
        char const* kind;
    } const cases[] = {
        { fifo.string(), nullptr, "a FIFO" },
        { ":" + fifo.string(), nullptr, "a FIFO" },
        { link.string(), nullptr, "a FIFO" },
        { "zone-fifo", dir().c_str(), "a FIFO" }, // a name looked for in $TZDIR
        { "/dev/null", nullptr, "a character device" },
    };
    for (auto const& c : cases) {
        set_host_zone(c.tz.c_str());
        set_variable("TZDIR", c.tzdir);
        testing::internal::CaptureStderr();
        auto reading = std::async(std::launch::async, [] { return host_zone(utc(2026, 1, 15)); });
        if (reading.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            // Opened for reading and blocked: a writer lets it go, so that the
            // test fails rather than hangs.
            int const writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            reading.wait();
            if (writer >= 0)
                ::close(writer);
            testing::internal::GetCapturedStderr();
            ADD_FAILURE() << "TZ=" << c.tz << ": reading the zone blocked";
            continue;
        }
        auto const zone = reading.get();
        std::string const err = testing::internal::GetCapturedStderr();
        std::string const message = "TZ=\"" + c.tz + "\" names " + c.kind
            + ", not a zone file; the device does not read it and uses UTC";
        expect_zone(zone.record, utc_zone, c.tz);
        EXPECT_EQ(zone.name, "UTC") << c.tz;
        EXPECT_EQ(zone.note, message);
        EXPECT_EQ(err, "device: " + message + "\n");
    }
}

TEST_F(HostTimeZone, AYearTheRecordCannotHoldGivesTheClosestAndANote)
{
    std::int64_t const history = -(std::int64_t(1) << 59);
    // One change of offset in 2026, none back: the offset in force when asked.
    auto const once = dir() / "once";
    write_file(once, zone_file({ { 5 * 3600, false, "+05" }, { 6 * 3600, false, "+06" } },
                               { { history, 0 }, { seconds_of(utc(2026, 3, 1)), 1 } }, "<+06>-6"));
    // Daylight time in summer and, before it, a fortnight of it in February:
    // the period around the moment asked about.
    auto const twice = dir() / "twice";
    write_file(twice, zone_file({ { 3600, false, "AAA" }, { 7200, true, "BBB" } },
                                { { history, 0 },
                                  { seconds_of(utc(2026, 2, 1)), 1 },
                                  { seconds_of(utc(2026, 2, 15)), 0 },
                                  { seconds_of(utc(2026, 3, 29, 1)), 1 },
                                  { seconds_of(utc(2026, 10, 25, 1)), 0 } },
                                "AAA-1"));
    struct Case {
        std::filesystem::path file;
        std::chrono::system_clock::time_point when;
        ExpectedZone expected;
        std::string what;
    } const cases[] = {
        { once, utc(2026, 6, 1), { -360, 0, no_date(), no_date(), "+06", "+06" },
          "in 2026 the zone changes its offset once (to UTC+06:00 at 2026-03-01 05:00), more than the record's two "
          "yearly changes can hold; it holds the offset in force now, UTC+06:00" },
        { once, utc(2026, 1, 15), { -300, 0, no_date(), no_date(), "+05", "+05" },
          "in 2026 the zone changes its offset once (to UTC+06:00 at 2026-03-01 05:00), more than the record's two "
          "yearly changes can hold; it holds the offset in force now, UTC+05:00" },
        { twice, utc(2026, 6, 1), { -60, -60, recurring(10, 0, 5, 3), recurring(3, 0, 5, 2), "AAA", "BBB" },
          "in 2026 the zone changes its offset 4 times (to UTC+02:00 at 2026-02-01 01:00, to UTC+01:00 at 2026-02-15 "
          "02:00, to UTC+02:00 at 2026-03-29 02:00, to UTC+01:00 at 2026-10-25 03:00), more than the record's two "
          "yearly changes can hold; it holds the changes of 2026-03-29 and 2026-10-25" },
    };
    for (auto const& c : cases) {
        set_host_zone(c.file.c_str());
        testing::internal::CaptureStderr();
        auto const zone = host_zone(c.when);
        std::string const err = testing::internal::GetCapturedStderr();
        std::string const note = "TZ=\"" + c.file.string()
            + "\": the time-zone record cannot hold this zone exactly (" + c.what + "); the device uses the closest record";
        expect_zone(zone.record, c.expected, c.file.string());
        EXPECT_EQ(zone.note, note);
        EXPECT_EQ(err, "device: " + note + "\n");
        // The record holds the moment it was made for, as the C library sees it.
        ScopedTz const c_library(c.file.string());
        EXPECT_EQ(record_offset(zone.record, seconds_of(c.when)), c_library_offset(seconds_of(c.when))) << c.file;
    }
}

TEST_F(HostTimeZone, ARuleTheRecordCannotHoldGivesTheClosestAndANote)
{
    set_host_zone("XST3XDT,J60/2,J300");
    testing::internal::CaptureStderr();
    auto const zone = host_zone(utc(2026, 1, 15));
    std::string const err = testing::internal::GetCapturedStderr();
    expect_zone(zone.record, { 180, -60, recurring(10, 2, 4, 2), recurring(3, 0, 1, 2), "XST", "XDT" }, "J rule");
    std::string const note = "TZ=\"XST3XDT,J60/2,J300\": the time-zone record cannot hold this rule exactly (a fixed "
                             "day of the year is held as the weekday it falls on this year); the device uses the "
                             "closest record";
    EXPECT_EQ(zone.note, note);
    EXPECT_EQ(err, "device: " + note + "\n");
}

}
