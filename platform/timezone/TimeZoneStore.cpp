// The time-zone record in the device's registry, through the registry API.
#include "timezone/TimeZoneStore.h"

#include "timezone/TimeZoneRecord.h"

#include "registry/RegistryStore.h"

#include <span>

namespace platform::timezone {

namespace {

// Closes a key when it goes out of scope.
class OpenKey {
public:
    OpenKey() = default;
    OpenKey(OpenKey const&) = delete;
    OpenKey& operator=(OpenKey const&) = delete;
    ~OpenKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }

    HKEY* out() { return &m_key; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

}

StoredRecord read_stored_record()
{
    StoredRecord result;
    OpenKey key;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, record_key, 0, KEY_QUERY_VALUE, key.out());
    if (status == ERROR_FILE_NOT_FOUND) {
        result.state = StoredRecord::State::absent;
        return result;
    }
    if (status != ERROR_SUCCESS) {
        result.state = StoredRecord::State::unreadable;
        result.error = status;
        return result;
    }

    // One byte more than a record, so that a longer value shows as one.
    BYTE data[record_size + 1] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof data;
    status = RegQueryValueExW(key.get(), record_value, nullptr, &type, data, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        result.state = StoredRecord::State::absent;
        return result;
    }
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
        result.state = StoredRecord::State::unreadable;
        result.error = status;
        return result;
    }
    auto record = status == ERROR_SUCCESS && type == REG_BINARY
        ? decode_record(std::span<BYTE const>(data, size))
        : std::nullopt;
    if (!record) {
        result.state = StoredRecord::State::invalid;
        result.type = type;
        result.size = size;
        return result;
    }
    result.state = StoredRecord::State::stored;
    result.record = *record;
    return result;
}

LONG write_stored_record(TIME_ZONE_INFORMATION const& record)
{
    // The key and the value in one save: a record is either stored whole or
    // not at all.
    RecordBytes const bytes = encode_record(record);
    return platform::registry::store_value({ u"HKEY_LOCAL_MACHINE", record_key }, record_value, REG_BINARY,
                                           std::span<BYTE const>(bytes.data(), bytes.size()));
}

}
