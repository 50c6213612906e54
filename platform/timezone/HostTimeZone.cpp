// Telling which form TZ takes and turning it into the record: a name through
// ICU, a zone file through its name in the zone database or the rule at its
// end, a POSIX rule through the parser here.
#include "timezone/HostTimeZone.h"

#include "timezone/IcuTimeZone.h"
#include "timezone/PosixTimeZone.h"
#include "timezone/RecordFields.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>

namespace platform::timezone {

namespace {

constexpr char default_zone_directory[] = "/usr/share/zoneinfo";
constexpr std::size_t max_zone_file_size = 1 << 20;

// TZ as it may be shown: control characters as escapes, cut when very long.
std::string shown_tz(std::string const& value)
{
    std::string out;
    char buffer[8];
    for (std::size_t i = 0; i < value.size() && i < 200; ++i) {
        auto const c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (value.size() > 200)
        out += "...";
    return "TZ=\"" + out + "\"";
}

void report_once(std::string const& message)
{
    static std::mutex lock;
    static std::set<std::string> reported;
    std::lock_guard const guard(lock);
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

// "Europe/Berlin" for /usr/share/zoneinfo/Europe/Berlin (or .../posix/...):
// a file of the zone database, when ICU knows the zone.
std::optional<std::string> zone_id_of_path(std::string const& path)
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
        if (is_known_zone_id(id))
            return id;
    }
    return std::nullopt;
}

// The POSIX rule on the last line of a zone file (TZif, version 2 or later),
// which holds for every time after the file's last listed change.
std::optional<std::string> zone_file_rule(std::string const& path)
{
    int const fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::string bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) <= max_zone_file_size) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t const got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
    }
    ::close(fd);
    if (bytes.size() < 44 || bytes.compare(0, 4, "TZif") != 0 || bytes[4] < '2' || bytes.back() != '\n')
        return std::nullopt;
    auto const start = bytes.rfind('\n', bytes.size() - 2);
    if (start == std::string::npos || start + 2 >= bytes.size())
        return std::nullopt;
    return bytes.substr(start + 1, bytes.size() - start - 2);
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

std::optional<HostZone> from_posix(std::string const& rule, std::string const& name, std::string const& tz,
                                   std::chrono::system_clock::time_point when)
{
    auto zone = time_zone_from_posix(rule, when);
    if (!zone)
        return std::nullopt;
    HostZone host { zone->record, name, {} };
    if (!zone->inexact.empty())
        host.note = tz + ": the time-zone record cannot hold this rule exactly (" + zone->inexact
            + "); the device uses the closest record";
    return host;
}

std::optional<HostZone> from_file(std::string const& path, std::string const& tz,
                                  std::chrono::system_clock::time_point when)
{
    if (auto id = zone_id_of_path(path))
        return from_icu(*id, when);
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string const resolved = real;
        std::free(real);
        if (auto id = zone_id_of_path(resolved))
            return from_icu(*id, when);
    }
    if (auto rule = zone_file_rule(path))
        return from_posix(*rule, path, tz, when);
    return std::nullopt;
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
        return from_file(name, tz, when);
    if (is_known_zone_id(name))
        return from_icu(name, when);
    if (name.find("..") == std::string::npos) {
        struct stat st {};
        std::string const path = zone_directory() + "/" + name;
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            if (auto zone = from_file(path, tz, when))
                return zone;
        }
    }
    return from_posix(name, name, tz, when);
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
    else if (auto id = detect_host_zone_id())
        zone = from_icu(*id, when);
    else
        zone = from_file("/etc/localtime", "/etc/localtime", when);

    if (!zone && tz_names_zone) {
        zone = HostZone { utc_record(when), "UTC",
                          shown_tz(tz) + " is no time zone the device knows (no zone of that name, no zone file, "
                                         "no POSIX rule); it uses UTC, as the C library does" };
    } else if (!zone) {
        zone = HostZone { utc_record(when), "UTC", {} };
    }
    if (!zone->note.empty())
        report_once(zone->note);
    return *zone;
}

}
