// A zone file of the host's zone database (TZif, RFC 8536): its transitions,
// its local time types and the POSIX rule at its end, read without blocking,
// and the UTC offset it gives at any moment, as the C library gives it.
#pragma once

#include "timezone/PosixRule.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::timezone {

struct ZoneFile {
    struct Type {
        std::int32_t offset = 0; // seconds east of UTC
        bool daylight = false;
        std::string abbreviation;
    };
    struct Transition {
        std::int64_t at; // UTC second (leap seconds taken out)
        std::size_t type;
    };
    std::vector<Transition> transitions; // in order
    std::vector<Type> types;              // at least one
    std::optional<PosixRule> rule;        // for every moment from the last transition on
};

struct ZoneFileRead {
    std::optional<ZoneFile> zone;
    // Without a zone: empty when the file does not exist or holds no zone
    // file, else why it was not read ("a FIFO", "a character device", ...):
    // only regular files are, never opened in a way that could block.
    std::string refused;
};

ZoneFileRead read_zone_file(std::string const& path);

// The local time type in force at the UTC second `t`: before the first
// transition the first standard-time type, from the last on the file's rule.
ZoneFile::Type type_at(ZoneFile const& zone, std::int64_t t);

// The moments around which the offset may change in [from, to): every
// transition there, the rule's changes and the starts of UTC years.
std::vector<std::int64_t> change_candidates(ZoneFile const& zone, std::int64_t from, std::int64_t to);

// A POSIX rule alone as a zone: the rule holds at every moment.
ZoneFile zone_of_rule(PosixRule const& rule);

}
