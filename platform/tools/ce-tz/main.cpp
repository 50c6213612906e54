// ce-tz: prints the emulated device's time-zone record as GetTimeZoneInformation
// gives it to a program, field by field or as one JSON object.
#include "windows.h"

#include "registry/DeviceDirectory.h"
#include "text/ErrorWords.h"
#include "text/JsonText.h"
#include "text/TerminalText.h"
#include "text/Utf.h"
#include "timezone/HostTimeZone.h"
#include "timezone/TimeZonePeriod.h"
#include "timezone/TimeZoneStore.h"
#include "tools/ToolVersion.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

using platform::timezone::StoredRecord;

constexpr int exit_usage = 1;
constexpr int exit_device = 2;

constexpr char const* usage_line = "Usage: ce-tz [--json | --version]   (ce-tz --help for more)\n";

constexpr char const* usage_text =
    "Usage: ce-tz [--json | --version]\n"
    "Shows the emulated device's time-zone record as a program reads it with\n"
    "GetTimeZoneInformation: every field, the transition dates spelt out, and\n"
    "which period is in force now.\n"
    "\n"
    "  --json      print one JSON object: Source, where the record comes from;\n"
    "              the record's fields by name; and TimeZoneId, the value\n"
    "              GetTimeZoneInformation returned\n"
    "  --version   print the tool's version and the device's\n"
    "  --help, -h, /?\n"
    "              print this help\n"
    "\n"
    "The record lives in the device's registry, HKEY_LOCAL_MACHINE\\Time, value\n"
    "\"TimeZoneInformation\" (REG_BINARY, 172 bytes); while the device has none,\n"
    "it shows the host's time zone: TZ (a zone name, :name, a zone file's path or\n"
    "a POSIX rule such as CET-1CEST,M3.5.0,M10.5.0/3), else /etc/localtime. The\n"
    "device is the directory $CE_DEVICE_DIR (default\n"
    "${XDG_DATA_HOME:-~/.local/share}/ce-device); ce-tz only reads, and creates\n"
    "nothing.\n"
    "\n"
    "Exit status: 0 shown, 1 bad arguments, 2 the device's registry cannot be read.\n";

std::string name_text(WCHAR const (&name)[32])
{
    std::size_t length = 0;
    while (length < 32 && name[length])
        ++length;
    return platform::text::to_utf8(std::u16string_view(name, length));
}

char const* weekday_name(WORD day)
{
    static char const* const names[] = { "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday" };
    return day < 7 ? names[day] : nullptr;
}

char const* month_name(WORD month)
{
    static char const* const names[] = { "January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December" };
    return month >= 1 && month <= 12 ? names[month - 1] : nullptr;
}

std::string time_text(SYSTEMTIME const& d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", d.wHour, d.wMinute, d.wSecond, d.wMilliseconds);
    return text;
}

// "last Sunday of March, 02:00:00.000", "2026-03-29 02:00:00.000 (this year only)",
// "none", or what is wrong with it.
std::string date_text(SYSTEMTIME const& d)
{
    if (d.wMonth == 0)
        return "none";
    char const* const month = month_name(d.wMonth);
    if (!month || d.wHour > 23 || d.wMinute > 59 || d.wSecond > 59 || d.wMilliseconds > 999)
        return "not a valid date";
    if (d.wYear != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "%04u-%02u-%02u ", d.wYear, d.wMonth, d.wDay);
        return text + time_text(d) + " (that year only)";
    }
    char const* const weekday = weekday_name(d.wDayOfWeek);
    static char const* const occurrences[] = { "first", "second", "third", "fourth", "last" };
    if (!weekday || d.wDay < 1 || d.wDay > 5)
        return "not a valid date";
    return std::string(occurrences[d.wDay - 1]) + " " + weekday + " of " + month + ", " + time_text(d);
}

std::string fields_text(SYSTEMTIME const& d)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "wYear %u, wMonth %u, wDayOfWeek %u, wDay %u, wHour %u, wMinute %u, wSecond %u, wMilliseconds %u",
                  d.wYear, d.wMonth, d.wDayOfWeek, d.wDay, d.wHour, d.wMinute, d.wSecond, d.wMilliseconds);
    return text;
}

// "UTC+01:00" for a bias of -60.
std::string offset_text(long long bias)
{
    long long const offset = -bias;
    long long const magnitude = offset < 0 ? -offset : offset;
    char text[32];
    std::snprintf(text, sizeof text, "UTC%c%02lld:%02lld", offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

char const* period_name(DWORD id)
{
    switch (id) {
    case TIME_ZONE_ID_UNKNOWN:
        return "TIME_ZONE_ID_UNKNOWN: no transition dates, no daylight time";
    case TIME_ZONE_ID_STANDARD:
        return "TIME_ZONE_ID_STANDARD: standard time is in force now";
    case TIME_ZONE_ID_DAYLIGHT:
        return "TIME_ZONE_ID_DAYLIGHT: daylight time is in force now";
    default:
        return "unknown value";
    }
}

std::string type_name(DWORD type)
{
    switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "type " + std::to_string(type);
    }
}

// Where the record shown comes from.
struct Source {
    bool device = false;  // the device's own record
    std::string reason;   // why the host's zone stands in
    std::string zone;     // the host's zone
    std::string note;     // what the record cannot hold of the host's zone, or why UTC stands in
};

Source find_source(StoredRecord const& stored, std::string const& missing_device)
{
    Source source;
    if (stored.state == StoredRecord::State::stored) {
        source.device = true;
        return source;
    }
    if (!missing_device.empty()) {
        source.reason = "no record stored yet (there is no device at " + missing_device + ")";
    } else if (stored.state == StoredRecord::State::invalid) {
        source.reason = "the stored value is not a record (" + type_name(stored.type) + ", " +
            std::to_string(stored.size) + (stored.size == 1 ? " byte" : " bytes") +
            "; a record is REG_BINARY of 172 bytes)";
    } else {
        source.reason = "no record stored yet";
    }
    platform::timezone::HostZone const host = platform::timezone::host_zone(platform::timezone::Clock::now());
    source.zone = host.name;
    source.note = host.note;
    return source;
}

std::string source_text(Source const& source)
{
    if (source.device)
        return "the device's record, HKEY_LOCAL_MACHINE\\Time, \"TimeZoneInformation\"";
    std::string text = source.reason + ": the host's time zone (" + source.zone + ")";
    if (!source.note.empty())
        text += "; " + source.note;
    return text;
}

// "standard time UTC+01:00, daylight time UTC+02:00", or "no daylight time"
// for a record whose dates never bring it in. The sums are 64-bit: any two
// LONGs give their true offset.
std::string offsets_text(TIME_ZONE_INFORMATION const& tz, DWORD id)
{
    std::string text = "standard time " + offset_text(static_cast<long long>(tz.Bias) + tz.StandardBias);
    if (id == TIME_ZONE_ID_UNKNOWN)
        return text + ", no daylight time";
    return text + ", daylight time " + offset_text(static_cast<long long>(tz.Bias) + tz.DaylightBias);
}

void print_text(TIME_ZONE_INFORMATION const& tz, DWORD id, Source const& source)
{
    auto const line = [](char const* field, std::string const& value) {
        std::printf("%-14s%s\n", field, platform::text::escape_terminal_controls(value).c_str());
    };
    auto const minutes = [](LONG value) { return std::to_string(value) + (value == 1 || value == -1 ? " minute" : " minutes"); };
    line("Source:", source_text(source));
    line("Bias:", minutes(tz.Bias) + " (" + offsets_text(tz, id) + ")");
    line("StandardName:", "\"" + name_text(tz.StandardName) + "\"");
    line("StandardDate:", date_text(tz.StandardDate) + " (" + fields_text(tz.StandardDate) + ")");
    line("StandardBias:", minutes(tz.StandardBias));
    line("DaylightName:", "\"" + name_text(tz.DaylightName) + "\"");
    line("DaylightDate:", date_text(tz.DaylightDate) + " (" + fields_text(tz.DaylightDate) + ")");
    line("DaylightBias:", minutes(tz.DaylightBias));
    line("TimeZoneId:", std::to_string(id) + " (" + period_name(id) + ")");
}

nlohmann::ordered_json date_json(SYSTEMTIME const& d)
{
    return {
        { "wYear", d.wYear },     { "wMonth", d.wMonth },   { "wDayOfWeek", d.wDayOfWeek }, { "wDay", d.wDay },
        { "wHour", d.wHour },     { "wMinute", d.wMinute }, { "wSecond", d.wSecond },
        { "wMilliseconds", d.wMilliseconds },
    };
}

nlohmann::ordered_json source_json(Source const& source)
{
    if (source.device)
        return { { "From", "device" } };
    nlohmann::ordered_json object = { { "From", "host" }, { "Zone", source.zone }, { "Reason", source.reason } };
    if (!source.note.empty())
        object["Note"] = source.note;
    return object;
}

void print_json(TIME_ZONE_INFORMATION const& tz, DWORD id, Source const& source)
{
    nlohmann::ordered_json const object = {
        { "Source", source_json(source) },
        { "Bias", tz.Bias },
        { "StandardName", name_text(tz.StandardName) },
        { "StandardDate", date_json(tz.StandardDate) },
        { "StandardBias", tz.StandardBias },
        { "DaylightName", name_text(tz.DaylightName) },
        { "DaylightDate", date_json(tz.DaylightDate) },
        { "DaylightBias", tz.DaylightBias },
        { "TimeZoneId", id },
    };
    // Names may hold any UTF-16; nothing invalid reaches the output.
    std::printf("%s\n", platform::text::json_for_terminal(object, 2).c_str());
}

// The device directory when it does not exist, so that nothing is read (and
// nothing created); empty otherwise.
std::string missing_device()
{
    auto const directory = platform::registry::device_directory_path();
    struct stat st {};
    if (directory.empty() || ::stat(directory.c_str(), &st) == 0 || errno != ENOENT)
        return {};
    return platform::text::excerpt_for_terminal(directory.string());
}

}

int main(int argc, char** argv)
{
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view const argument = argv[i];
        if (argument == "--help" || argument == "-h" || argument == "/?" || argument == "-?") {
            std::fputs(usage_text, stdout);
            return 0;
        }
        if (argument == "--version")
            return platform::tools::print_version("ce-tz");
        if (argument == "--json" && !json) {
            json = true;
            continue;
        }
        std::fprintf(stderr, "ERROR: Invalid syntax: %s \"%s\".\n%s",
                     argument == "--json" ? "option given twice:" : "unexpected argument",
                     platform::text::excerpt_for_terminal(argument).c_str(), usage_line);
        return exit_usage;
    }

    TIME_ZONE_INFORMATION tz;
    DWORD id;
    StoredRecord stored;
    std::string const missing = missing_device();
    if (!missing.empty()) {
        // No device: what a fresh one would show, without making one.
        tz = platform::timezone::host_zone(platform::timezone::Clock::now()).record;
        id = platform::timezone::time_zone_period(tz, platform::timezone::Clock::now());
        stored.state = StoredRecord::State::absent;
    } else {
        id = GetTimeZoneInformation(&tz);
        if (id == TIME_ZONE_ID_INVALID) {
            DWORD const error = GetLastError();
            std::fprintf(stderr, "ERROR: cannot read the device's time-zone record: %s (error %lu)\n",
                         platform::text::error_words(error).c_str(), static_cast<unsigned long>(error));
            return exit_device;
        }
        stored = platform::timezone::read_stored_record();
    }
    Source const source = find_source(stored, missing);
    if (json)
        print_json(tz, id, source);
    else
        print_text(tz, id, source);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : exit_device;
}
