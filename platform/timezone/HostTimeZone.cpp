// Telling which form TZ takes and turning it into the record: a zone file (by
// name in the zone database, by path, or /etc/localtime) through its own
// transitions and rule, with ICU for the names Windows gives the zone; a name
// only ICU knows through ICU; a POSIX rule as the C library reads it.
#include "timezone/HostTimeZone.h"

#include "timezone/IcuTimeZone.h"
#include "timezone/PosixRule.h"
#include "timezone/PosixTimeZone.h"
#include "timezone/RecordFields.h"
#include "timezone/ZoneFile.h"
#include "timezone/ZoneYear.h"

#include "text/TerminalText.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>

namespace platform::timezone {

namespace {

constexpr char default_zone_directory[] = "/usr/share/zoneinfo";

// TZ as it may be shown: control characters as escapes, cut when very long.
std::string shown_tz(std::string const& value)
{
    return "TZ=" + text::quote_for_terminal(value);
}

void report_once(std::string const& message)
{
    // No lock: the device is single-threaded.
    static std::set<std::string> reported;
    if (!reported.insert(message).second)
        return;
    std::fprintf(stderr, "device: %s\n", message.c_str());
    std::fflush(stderr);
}

std::string zone_directory()
{
    char const* directory = std::getenv("TZDIR");
    return directory && *directory ? directory : default_zone_directory;
}

// "Europe/Berlin" for /usr/share/zoneinfo/Europe/Berlin (or .../posix/... and
// .../right/..., the same zone): the zone's name in the zone database.
std::optional<std::string> zone_name_of_path(std::string const& path)
{
    for (std::string const& directory : { zone_directory() + "/", std::string("/zoneinfo/") }) {
        auto const at = path.rfind(directory);
        if (at == std::string::npos)
            continue;
        std::string id = path.substr(at + directory.size());
        for (std::string_view const prefix : { "posix/", "right/" }) {
            if (id.starts_with(prefix))
                id.erase(0, prefix.size());
        }
        if (!id.empty())
            return id;
    }
    return std::nullopt;
}

std::optional<std::string> zone_name_of_file(std::string const& path)
{
    if (auto name = zone_name_of_path(path))
        return name;
    std::optional<std::string> name;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        name = zone_name_of_path(real);
        std::free(real);
    }
    return name;
}

TIME_ZONE_INFORMATION utc_record(std::chrono::system_clock::time_point when)
{
    if (auto record = time_zone_from_icu("Etc/UTC", when))
        return *record;
    TIME_ZONE_INFORMATION record;
    std::memset(&record, 0, sizeof record);
    set_name(record.StandardName, u"Coordinated Universal Time");
    set_name(record.DaylightName, u"Coordinated Universal Time");
    return record;
}

std::optional<HostZone> from_icu(std::string const& id, std::chrono::system_clock::time_point when)
{
    auto record = time_zone_from_icu(id, when);
    if (!record)
        return std::nullopt;
    return HostZone { *record, id, {} };
}

std::string inexact_note(std::string const& label, std::string const& what, std::string const& inexact)
{
    return label + ": the time-zone record cannot hold this " + what + " exactly (" + inexact
        + "); the device uses the closest record";
}

std::optional<HostZone> from_posix(std::string const& rule, std::string const& name, std::string const& tz,
                                   std::chrono::system_clock::time_point when)
{
    auto zone = time_zone_from_posix(rule, when);
    if (!zone)
        return std::nullopt;
    HostZone host { zone->record, name, {} };
    if (!zone->inexact.empty())
        host.note = inexact_note(tz, "rule", zone->inexact);
    return host;
}

HostZone refused(std::string const& label, std::string const& kind, std::chrono::system_clock::time_point when)
{
    return HostZone { utc_record(when), "UTC",
                      label + " names " + kind + ", not a zone file; the device does not read it and uses UTC" };
}

// A zone file: its changes in the year of `when` from its own transitions and
// rule, the names Windows gives the zone `name` where ICU knows them.
std::optional<HostZone> from_file(std::string const& path, std::optional<std::string> name, std::string const& label,
                                  std::chrono::system_clock::time_point when)
{
    ZoneFileRead const read = read_zone_file(path);
    if (!read.refused.empty())
        return refused(label, read.refused, when);
    if (!read.zone)
        return std::nullopt;
    if (!name)
        name = zone_name_of_file(path);
    YearRecord year = record_for_year(*read.zone, when, ZoneKind::zone_file);
    if (name) {
        if (auto const names = windows_names_of(*name)) {
            set_name(year.record.StandardName, names->standard);
            set_name(year.record.DaylightName, names->daylight);
        }
    }
    HostZone host { year.record, name && zone_name_of_path(path) ? *name : path, {} };
    if (!year.inexact.empty())
        host.note = inexact_note(label, "zone", year.inexact);
    return host;
}

std::optional<HostZone> from_tz(std::string const& value, std::chrono::system_clock::time_point when)
{
    std::string const tz = shown_tz(value);
    // TZ="" is UTC; a leading colon only says that a name or path follows.
    if (value.empty())
        return HostZone { utc_record(when), "UTC", {} };
    std::string const name = value[0] == ':' ? value.substr(1) : value;
    if (name.empty())
        return std::nullopt;
    if (name[0] == '/')
        return from_file(name, std::nullopt, tz, when);
    // As the C library does: the zone database's file of that name first.
    if (name.find("..") == std::string::npos) {
        if (auto zone = from_file(zone_directory() + "/" + name, name, tz, when))
            return zone;
    }
    if (is_known_zone_id(name))
        return from_icu(name, when);
    return from_posix(name, name, tz, when);
}

std::optional<HostZone> from_local_time(std::chrono::system_clock::time_point when)
{
    std::string const path = "/etc/localtime";
    std::optional<std::string> name = zone_name_of_file(path);
    if (!name)
        name = detect_host_zone_id();
    if (auto zone = from_file(path, name, path, when)) {
        if (zone->name == path && name)
            zone->name = *name;
        return zone;
    }
    if (name)
        return from_icu(*name, when);
    return std::nullopt;
}

}

HostZone host_zone(std::chrono::system_clock::time_point when)
{
    char const* const tz = std::getenv("TZ");
    // Unset, or a colon alone, means the zone of /etc/localtime.
    bool const tz_names_zone = tz && std::strcmp(tz, ":") != 0;
    std::optional<HostZone> zone;
    if (tz_names_zone)
        zone = from_tz(tz, when);
    else
        zone = from_local_time(when);

    if (!zone && tz_names_zone) {
        // The C library reads a broken rule's standard time and makes what it
        // can of the rest; of anything else it uses UTC.
        std::string_view const text = tz[0] == ':' ? tz + 1 : tz;
        char const* const how = begins_with_standard_time(text) ? "where the C library reads the rule only in part"
                                                                : "as the C library does";
        zone = HostZone { utc_record(when), "UTC",
                          shown_tz(tz) + " is no time zone the device knows (no zone of that name, no zone file, "
                                         "no POSIX rule); it uses UTC, " + how };
    } else if (!zone) {
        zone = HostZone { utc_record(when), "UTC", {} };
    }
    if (!zone->note.empty())
        report_once(zone->note);
    return *zone;
}

}
