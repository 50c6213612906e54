// What the device was asked to keep and could not: every call that was meant
// to change the device's state (a registry key or value, the time-zone record)
// and failed because the device could not store it. A program is told of the
// failure only through the call's result, which CE programs often ignore; the
// process entry therefore reports the lost writes when the program ends and
// exits with lost_writes_exit_status, so that a run whose changes were not
// kept never looks like a success.
#pragma once

#include "wintypes.h"

#include <cstddef>
#include <string>
#include <vector>

namespace platform::registry {

// The exit status of a process that lost writes: distinct from the status of
// a front end that cannot run (2), and from any status the program gives.
inline constexpr int lost_writes_exit_status = 74;

struct LostWrite {
    std::string what; // "the time-zone record", "the registry value ...", safe to print
    std::string why;  // the device's own words, safe to print
};

// Records one lost write; the same lost write is recorded once. At most
// max_recorded are kept in full, the rest are only counted.
inline constexpr std::size_t max_recorded_lost_writes = 32;
void record_lost_write(std::string what, std::string why);

// Whether `status`, the result of a registry call, means the device could not
// read or store its registry (rather than a fault of the call's arguments).
bool is_storage_failure(LONG status);

// The device's own words for a storage failure: the store's last problem, or
// the error code's meaning.
std::string storage_failure_reason(LONG status);

std::vector<LostWrite> const& lost_writes();
std::size_t lost_write_count(); // recorded and counted alike

// Forgets every lost write (for tests).
void clear_lost_writes();

}
