// ce-tz driven as a user runs it: the real binary on a real device directory,
// its output, its JSON and its exit status.
#include "windows.h"

#include "../DeviceVersion.h"
#include "DeviceFixture.h"
#include "Process.h"
#include "TimeZoneTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unicode/timezone.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace timezone_test;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CeTz : public test_support::DeviceFixture {
protected:
    // Runs ce-tz with the test's CE_DEVICE_DIR and TZ.
    ToolRun run(std::vector<std::string> const& arguments)
    {
        std::vector<std::string> argv { test_support::binary_path("ce-tz") };
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        auto const process = test_support::run_process(argv, {});
        return { process.exit_code, process.out, process.err };
    }
};

DWORD icu_period(char const* zone_id)
{
    std::unique_ptr<icu::TimeZone> const zone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone_id)));
    UErrorCode status = U_ZERO_ERROR;
    auto const now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return zone->inDaylightTime(static_cast<UDate>(now.count()), status) ? TIME_ZONE_ID_DAYLIGHT
                                                                          : TIME_ZONE_ID_STANDARD;
}

std::string period_line(DWORD id)
{
    return id == TIME_ZONE_ID_DAYLIGHT ? "TimeZoneId:   2 (TIME_ZONE_ID_DAYLIGHT: daylight time is in force now)\n"
                                       : "TimeZoneId:   1 (TIME_ZONE_ID_STANDARD: standard time is in force now)\n";
}

TIME_ZONE_INFORMATION sample_record()
{
    TIME_ZONE_INFORMATION r {};
    r.Bias = -330;
    std::u16string_view const standard = u"Caf\u00e9 Standard Time";
    std::copy(standard.begin(), standard.end(), r.StandardName);
    r.StandardDate = SYSTEMTIME { 2026, 3, 0, 29, 2, 0, 0, 0 };
    r.StandardBias = 5;
    r.DaylightDate = SYSTEMTIME { 0, 13, 0, 1, 2, 0, 0, 0 };
    r.DaylightBias = -30;
    return r;
}

nlohmann::json date_json(SYSTEMTIME const& d)
{
    return { { "wYear", d.wYear },   { "wMonth", d.wMonth },   { "wDayOfWeek", d.wDayOfWeek },
             { "wDay", d.wDay },     { "wHour", d.wHour },     { "wMinute", d.wMinute },
             { "wSecond", d.wSecond }, { "wMilliseconds", d.wMilliseconds } };
}

TEST_F(CeTz, ShowsAFreshDeviceAsTheHostsZone)
{
    set_host_zone("Europe/Berlin");
    ToolRun const r = run({});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Source:       no record stored yet: the host's time zone (Europe/Berlin)\n"
              "Bias:         -60 minutes (standard time UTC+01:00, daylight time UTC+02:00)\n"
              "StandardName: \"W. Europe Standard Time\"\n"
              "StandardDate: last Sunday of October, 03:00:00.000 (wYear 0, wMonth 10, wDayOfWeek 0, wDay 5, wHour 3, "
              "wMinute 0, wSecond 0, wMilliseconds 0)\n"
              "StandardBias: 0 minutes\n"
              "DaylightName: \"W. Europe Daylight Time\"\n"
              "DaylightDate: last Sunday of March, 02:00:00.000 (wYear 0, wMonth 3, wDayOfWeek 0, wDay 5, wHour 2, "
              "wMinute 0, wSecond 0, wMilliseconds 0)\n"
              "DaylightBias: -60 minutes\n" +
                  period_line(icu_period("Europe/Berlin")));
    EXPECT_FALSE(std::filesystem::exists(registry_file())) << "ce-tz only reads";
}

TEST_F(CeTz, ShowsAStoredRecordFieldByField)
{
    set_host_zone("Europe/Berlin");
    TIME_ZONE_INFORMATION const record = sample_record();
    ASSERT_TRUE(SetTimeZoneInformation(&record));
    ToolRun const r = run({});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Source:       the device's record, HKEY_LOCAL_MACHINE\\Time, \"TimeZoneInformation\"\n"
              "Bias:         -330 minutes (standard time UTC+05:25, no daylight time)\n"
              "StandardName: \"Caf\xc3\xa9 Standard Time\"\n"
              "StandardDate: 2026-03-29 02:00:00.000 (that year only) (wYear 2026, wMonth 3, wDayOfWeek 0, wDay 29, "
              "wHour 2, wMinute 0, wSecond 0, wMilliseconds 0)\n"
              "StandardBias: 5 minutes\n"
              "DaylightName: \"\"\n"
              "DaylightDate: not a valid date (wYear 0, wMonth 13, wDayOfWeek 0, wDay 1, wHour 2, wMinute 0, wSecond 0, "
              "wMilliseconds 0)\n"
              "DaylightBias: -30 minutes\n"
              "TimeZoneId:   0 (TIME_ZONE_ID_UNKNOWN: no transition dates, no daylight time)\n");
}

TEST_F(CeTz, JsonHoldsEveryFieldByItsName)
{
    set_host_zone("Asia/Tokyo");
    TIME_ZONE_INFORMATION const record = sample_record();
    ASSERT_TRUE(SetTimeZoneInformation(&record));
    ToolRun const r = run({ "--json" });
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json const got = nlohmann::json::parse(r.out);
    nlohmann::json const expected = {
        { "Source", { { "From", "device" } } },
        { "Bias", -330 },
        { "StandardName", "Caf\xc3\xa9 Standard Time" },
        { "StandardDate", date_json(record.StandardDate) },
        { "StandardBias", 5 },
        { "DaylightName", "" },
        { "DaylightDate", date_json(record.DaylightDate) },
        { "DaylightBias", -30 },
        { "TimeZoneId", 0 },
    };
    EXPECT_EQ(got, expected) << r.out;
}

TEST_F(CeTz, JsonOfTheHostsZoneGivesTheCurrentPeriod)
{
    for (char const* zone : { "Australia/Sydney", "America/New_York" }) {
        set_host_zone(zone);
        ToolRun const r = run({ "--json" });
        ASSERT_EQ(r.status, 0) << zone << ": " << r.err;
        nlohmann::json const got = nlohmann::json::parse(r.out);
        EXPECT_EQ(got.at("TimeZoneId"), icu_period(zone)) << zone;
        EXPECT_EQ(got.size(), 9u) << zone;
        EXPECT_EQ(got.at("Source"),
                  nlohmann::json({ { "From", "host" }, { "Zone", zone }, { "Reason", "no record stored yet" } }));
    }
    set_host_zone("UTC");
    nlohmann::json const utc = nlohmann::json::parse(run({ "--json" }).out);
    EXPECT_EQ(utc.at("Bias"), 0);
    EXPECT_EQ(utc.at("DaylightBias"), 0);
    EXPECT_EQ(utc.at("StandardDate"), date_json(SYSTEMTIME {}));
    EXPECT_EQ(utc.at("TimeZoneId"), 0);
}

TEST_F(CeTz, ATzThatNamesAFifoIsNotReadAndUtcShown)
{
    auto const fifo = dir() / "zone-fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    set_host_zone(fifo.c_str());
    // The child is killed after its time limit: a read that blocks fails here.
    ToolRun const r = run({});
    std::string const note = "TZ=\"" + fifo.string() + "\" names a FIFO, not a zone file; the device does not read it "
                             "and uses UTC";
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "device: " + note + "\n");
    EXPECT_EQ(r.out.rfind("Source:       no record stored yet: the host's time zone (UTC); " + note + "\n", 0), 0u)
        << r.out;
    nlohmann::json const got = nlohmann::json::parse(run({ "--json" }).out);
    EXPECT_EQ(got.at("Source"), nlohmann::json({ { "From", "host" }, { "Zone", "UTC" },
                                                 { "Reason", "no record stored yet" }, { "Note", note } }));
    EXPECT_EQ(got.at("Bias"), 0);
}

TEST_F(CeTz, SaysWhenTheStoredValueIsNotARecord)
{
    set_host_zone("UTC");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Time", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    BYTE const data[12] = {};
    ASSERT_EQ(RegSetValueExW(key, u"TimeZoneInformation", 0, REG_SZ, data, sizeof data), ERROR_SUCCESS);
    RegCloseKey(key);
    ToolRun const r = run({});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Source:       the stored value is not a record (REG_SZ, 12 bytes; a record is REG_BINARY of "
                         "172 bytes): the host's time zone (UTC)\n"),
              std::string::npos)
        << r.out;
}

TEST_F(CeTz, BadArgumentsGiveUsageAndExitStatusOne)
{
    std::vector<std::vector<std::string>> const cases = {
        { "--bogus" }, { "json" }, { "--json", "--json" }, { "--json", "extra" }, { "-" }, { "" },
    };
    for (auto const& arguments : cases) {
        ToolRun const r = run(arguments);
        std::string const label = arguments.size() == 1 ? "'" + arguments[0] + "'" : "'" + arguments[1] + "' second";
        EXPECT_EQ(r.status, 1) << label;
        EXPECT_EQ(r.out, "") << label;
        EXPECT_EQ(r.err.rfind("ERROR: Invalid syntax: ", 0), 0u) << label << ": " << r.err;
        EXPECT_NE(r.err.find("Usage: ce-tz"), std::string::npos) << label << ": " << r.err;
    }
}

// However long an argument, the refusal names it by its start and length.
TEST_F(CeTz, BadArgumentsAreNamedByAShortExcerpt)
{
    std::string const long_word = std::string(100000, 'z');
    struct Case {
        char const* label;
        std::vector<std::string> arguments;
        std::size_t length;
    } const cases[] = {
        { "a long option", { "--" + long_word }, long_word.size() + 2 },
        { "a long word", { long_word }, long_word.size() },
        { "a long word after --json", { "--json", long_word }, long_word.size() },
    };
    for (auto const& c : cases) {
        ToolRun const r = run(c.arguments);
        EXPECT_EQ(r.status, 1) << c.label;
        EXPECT_NE(r.err.find("\xE2\x80\xA6 (" + std::to_string(c.length) + " characters)"), std::string::npos)
            << c.label << ": " << r.err.substr(0, 300);
        EXPECT_LT(r.err.size(), 1000u) << c.label;
    }
}

TEST_F(CeTz, HelpDescribesTheTool)
{
    for (char const* help : { "--help", "-h", "/?", "-?" }) {
        ToolRun const r = run({ help });
        EXPECT_EQ(r.status, 0) << help;
        EXPECT_EQ(r.out.rfind("Usage: ce-tz [--json | --version]\n", 0), 0u) << help << ": " << r.out;
        EXPECT_NE(r.out.find("HKEY_LOCAL_MACHINE\\Time"), std::string::npos) << help;
        EXPECT_EQ(r.err, "") << help;
    }
}

// --version as the program answers it: the tool, then the device's line,
// both from the device platform's version.
TEST_F(CeTz, VersionIsTheDevicesAsTheProgramGivesIt)
{
    ToolRun const r = run({ "--version" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, tools_test::expected_version_answer("ce-tz"));
    EXPECT_EQ(r.err, "");
}

TEST_F(CeTz, BrokenRegistryIsAClearErrorAndIsLeftAlone)
{
    std::string const broken = "this is not a registry file\n[HKEY_LOCAL_MACHINE\\Time\n";
    write_file(registry_file(), broken);
    for (std::vector<std::string> const& arguments : { std::vector<std::string> {}, std::vector<std::string> { "--json" } }) {
        ToolRun const r = run(arguments);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("ERROR: cannot read the device's time-zone record"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(registry_file().string()), std::string::npos) << "names the file: " << r.err;
    }
    EXPECT_EQ(read_file(registry_file()), broken);
}

TEST_F(CeTz, AMissingDeviceShowsTheHostsZoneAndCreatesNothing)
{
    set_host_zone("Asia/Kolkata");
    auto const missing = dir() / "no-such-device";
    set_variable("CE_DEVICE_DIR", missing.c_str());
    ToolRun const r = run({});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.substr(0, r.out.find("StandardName")),
              "Source:       no record stored yet (there is no device at " + missing.string() +
                  "): the host's time zone (Asia/Kolkata)\n"
                  "Bias:         -330 minutes (standard time UTC+05:30, no daylight time)\n");
    ToolRun const j = run({ "--json" });
    EXPECT_EQ(j.status, 0) << j.err;
    EXPECT_EQ(nlohmann::json::parse(j.out).at("Source").at("Reason"),
              "no record stored yet (there is no device at " + missing.string() + ")");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(CeTz, OffsetsOfExtremeBiasesAreTheTrueOnes)
{
    set_host_zone("UTC");
    struct Case {
        LONG bias;
        LONG daylight_bias;
        char const* shown;
    } const cases[] = {
        // A 32-bit sum would wrap to UTC-35791393:08.
        { -60, INT32_MIN, "Bias:         -60 minutes (standard time UTC+01:00, daylight time UTC+35791395:08)\n" },
        { INT32_MAX, INT32_MAX,
          "Bias:         2147483647 minutes (standard time UTC-35791394:07, daylight time UTC-71582788:14)\n" },
        { INT32_MIN, 1, "Bias:         -2147483648 minutes (standard time UTC+35791394:08, daylight time UTC+35791394:07)\n" },
    };
    for (auto const& c : cases) {
        TIME_ZONE_INFORMATION record {};
        record.Bias = c.bias;
        record.DaylightBias = c.daylight_bias;
        record.DaylightDate = SYSTEMTIME { 0, 3, 0, 5, 2, 0, 0, 0 };
        record.StandardDate = SYSTEMTIME { 0, 10, 0, 5, 3, 0, 0, 0 };
        ASSERT_TRUE(SetTimeZoneInformation(&record));
        ToolRun const r = run({});
        EXPECT_EQ(r.status, 0) << r.err;
        auto const start = r.out.find("Bias:");
        ASSERT_NE(start, std::string::npos) << r.out;
        EXPECT_EQ(r.out.substr(start, r.out.find('\n', start) + 1 - start), c.shown);
    }
}

TEST_F(CeTz, SourceNamesTheHostsZoneInEveryFormOfTz)
{
    struct Case {
        char const* tz;
        char const* zone;
        char const* err; // on standard error, once
    } const cases[] = {
        { "Europe/Berlin", "Europe/Berlin", "" },
        { ":Europe/Berlin", "Europe/Berlin", "" },
        { "/usr/share/zoneinfo/Europe/Berlin", "Europe/Berlin", "" },
        { "CET-1CEST,M3.5.0,M10.5.0/3", "CET-1CEST,M3.5.0,M10.5.0/3", "" },
        { "Nowhere/Invalid", "UTC",
          "device: TZ=\"Nowhere/Invalid\" is no time zone the device knows (no zone of that name, no zone file, no "
          "POSIX rule); it uses UTC, as the C library does\n" },
    };
    for (auto const& c : cases) {
        set_host_zone(c.tz);
        ToolRun const r = run({ "--json" });
        EXPECT_EQ(r.status, 0) << c.tz << ": " << r.err;
        EXPECT_EQ(r.err, c.err) << c.tz;
        auto const source = nlohmann::json::parse(r.out).at("Source");
        EXPECT_EQ(source.at("Zone"), c.zone) << c.tz;
        EXPECT_EQ(source.contains("Note"), *c.err != '\0') << c.tz;
    }
}

TEST_F(CeTz, ControlCharactersInStoredNamesAreShownAsEscapes)
{
    set_host_zone("UTC");
    TIME_ZONE_INFORMATION record {};
    std::u16string_view const name = u"A\x1b[2J\x07\x85Z";
    std::copy(name.begin(), name.end(), record.StandardName);
    ASSERT_TRUE(SetTimeZoneInformation(&record));
    ToolRun const r = run({});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("StandardName: \"A\\x1B[2J\\x07\\u0085Z\"\n"), std::string::npos) << r.out;
    ToolRun const j = run({ "--json" });
    EXPECT_EQ(nlohmann::json::parse(j.out).at("StandardName"), "A\x1b[2J\x07\xc2\x85Z") << "JSON escapes them itself";
    EXPECT_EQ(j.out.find('\x1b'), std::string::npos);
}

}
