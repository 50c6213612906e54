// The device's current time-zone setting, as GetTimeZoneInformation gives it:
// the stored record, or the host's zone while there is no valid one.
#pragma once

#include "windows.h"

#include "timezone/TimeZonePeriod.h"
#include "timezone/TimeZoneStore.h"

namespace platform::timezone {

struct DeviceTimeZone {
    TIME_ZONE_INFORMATION record {};
    DWORD period = TIME_ZONE_ID_UNKNOWN; // TIME_ZONE_ID_* of `record` at the moment asked about
    StoredRecord stored;                 // what the registry holds, and why it was not used
};

// Reads the registry (never writing it) and works out the period in force at `now`.
DeviceTimeZone read_device_time_zone(Clock::time_point now);

}
