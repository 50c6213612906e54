// Where the device keeps its time-zone record: HKEY_LOCAL_MACHINE\Time, value
// "TimeZoneInformation", REG_BINARY, the 172 bytes of the record.
#pragma once

#include "windows.h"

namespace platform::timezone {

inline constexpr WCHAR const* record_key = u"Time";
inline constexpr WCHAR const* record_value = u"TimeZoneInformation";

struct StoredRecord {
    enum class State {
        stored,     // a valid record is stored
        absent,     // the key or the value does not exist
        invalid,    // the value is not a REG_BINARY of exactly 172 bytes
        unreadable, // the registry could not be read
    };
    State state = State::absent;
    TIME_ZONE_INFORMATION record {};
    DWORD type = REG_NONE; // of an invalid value
    DWORD size = 0;        // of an invalid value, in bytes
    LONG error = ERROR_SUCCESS; // why the registry could not be read
};

// Reads the stored record; never creates or changes anything.
StoredRecord read_stored_record();

// Stores the whole record, creating the key if need be; the registry's error
// code when it cannot.
LONG write_stored_record(TIME_ZONE_INFORMATION const& record);

}
