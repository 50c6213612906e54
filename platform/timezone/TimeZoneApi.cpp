// GetTimeZoneInformation and SetTimeZoneInformation over the device's registry.
// The host's own time zone is only ever read, never set.
#include "windows.h"

#include "registry/LostWrites.h"
#include "text/ApiTrace.h"
#include "timezone/DeviceTimeZone.h"

#include <string>

DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION lpTimeZoneInformation)
{
    using namespace platform::timezone;
    platform::trace::TracedCall trace("GetTimeZoneInformation");
    if (!lpTimeZoneInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return TIME_ZONE_ID_INVALID;
    }
    DeviceTimeZone const zone = read_device_time_zone(Clock::now());
    *lpTimeZoneInformation = zone.record;
    if (zone.stored.state == StoredRecord::State::unreadable) {
        // The record is filled all the same (with the host's zone), but the
        // caller learns that it is not the device's setting.
        SetLastError(static_cast<DWORD>(zone.stored.error));
        return TIME_ZONE_ID_INVALID;
    }
    return zone.period;
}

BOOL WINAPI SetTimeZoneInformation(TIME_ZONE_INFORMATION const* lpTimeZoneInformation)
{
    using namespace platform::timezone;
    platform::trace::TracedCall trace("SetTimeZoneInformation", [&] {
        if (!lpTimeZoneInformation)
            return std::string("NULL");
        return "Bias " + std::to_string(lpTimeZoneInformation->Bias) + ", StandardBias "
            + std::to_string(lpTimeZoneInformation->StandardBias) + ", DaylightBias "
            + std::to_string(lpTimeZoneInformation->DaylightBias);
    });
    if (!lpTimeZoneInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    LONG const status = write_stored_record(*lpTimeZoneInformation);
    if (platform::registry::is_storage_failure(status))
        platform::registry::record_lost_write("the time-zone record", platform::registry::storage_failure_reason(status));
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return FALSE;
    }
    return TRUE;
}
