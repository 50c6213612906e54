// The host's time zone, read as the C library reads it: TZ as a zone name,
// ":name", a path to a zone file or a POSIX rule, else /etc/localtime. A device
// with no record of its own presents this zone.
#pragma once

#include "windows.h"

#include <chrono>
#include <string>

namespace platform::timezone {

struct HostZone {
    TIME_ZONE_INFORMATION record {};
    // How the zone is known: "Europe/Berlin", a POSIX rule, a zone file's path,
    // or "UTC" when nothing names a zone.
    std::string name;
    // Empty, or for the user: what the record cannot hold of the zone's rule,
    // or why UTC stands in.
    std::string note;
};

// The host's zone with its changes in the year of `when`, read afresh each
// time. A zone file (a name in $TZDIR, a path, /etc/localtime) gives the
// changes the C library makes that year, from its transitions and the rule at
// its end, with the Windows names of the zone where ICU knows it; a name only
// ICU knows gives ICU's rules; a POSIX rule is mapped as the C library reads
// it. TZ that is none of these gives UTC, as the C library does; a TZ that
// names a FIFO or another special file is not read, and gives UTC too. A note
// is also written once per process on standard error (which a front end holds
// while it draws).
HostZone host_zone(std::chrono::system_clock::time_point when);

}
