// The device's time-zone setting: what is stored, or what the host uses.
#include "timezone/DeviceTimeZone.h"

#include "timezone/HostTimeZone.h"

namespace platform::timezone {

DeviceTimeZone read_device_time_zone(Clock::time_point now)
{
    DeviceTimeZone zone;
    zone.stored = read_stored_record();
    if (zone.stored.state == StoredRecord::State::stored) {
        zone.record = zone.stored.record;
    } else {
        // No record of the device's own, a value that is not one, or a
        // registry that cannot be read: the host's zone stands in, so that
        // every field still holds a sound setting.
        zone.record = host_zone(now).record;
    }
    zone.period = time_zone_period(zone.record, now);
    return zone;
}

}
