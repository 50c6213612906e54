// GetTimeZoneInformation and SetTimeZoneInformation on a real device directory:
// the record kept in the registry byte for byte, the host's zone on a device
// that has none, the period computed from the stored rules, and a broken or
// unwritable registry reported, never overwritten.
#include "windows.h"

#include "timezone/HostTimeZone.h"
#include "timezone/IcuTimeZone.h"
#include "timezone/TimeZoneRecord.h"

#include "CLibraryZone.h"
#include "DeviceFixture.h"
#include "TimeZoneTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

using namespace timezone_test;
using platform::timezone::encode_record;
using platform::timezone::record_size;
using platform::timezone::time_zone_period;

namespace {

class TimeZoneApi : public test_support::DeviceFixture { };

bool same_record(TIME_ZONE_INFORMATION const& a, TIME_ZONE_INFORMATION const& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The stored value's type and bytes, read straight from the registry.
struct RawValue {
    LONG status = ERROR_SUCCESS;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

RawValue stored_value()
{
    RawValue raw;
    HKEY key = nullptr;
    raw.status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Time", 0, KEY_QUERY_VALUE, &key);
    if (raw.status != ERROR_SUCCESS)
        return raw;
    raw.bytes.assign(4096, 0);
    DWORD size = static_cast<DWORD>(raw.bytes.size());
    raw.status = RegQueryValueExW(key, u"TimeZoneInformation", nullptr, &raw.type, raw.bytes.data(), &size);
    raw.bytes.resize(raw.status == ERROR_SUCCESS ? size : 0);
    RegCloseKey(key);
    return raw;
}

void store_value(DWORD type, std::vector<BYTE> const& bytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Time", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, u"TimeZoneInformation", 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// A record no host zone would give, with something in every byte.
TIME_ZONE_INFORMATION unusual_record()
{
    TIME_ZONE_INFORMATION r;
    std::memset(&r, 0xA5, sizeof r);
    r.Bias = 123;
    std::u16string_view const name = u"Device Zone \u00e9\U0001F600";
    std::copy(name.begin(), name.end(), r.StandardName);
    r.StandardName[name.size()] = u'\0'; // the rest of the field keeps its bytes
    r.StandardDate = recurring(11, 2, 3, 4, 5);
    r.StandardBias = -7;
    r.DaylightDate = recurring(5, 6, 5, 1, 30);
    r.DaylightBias = -45;
    return r;
}

TIME_ZONE_INFORMATION filled_with(BYTE byte)
{
    TIME_ZONE_INFORMATION r;
    std::memset(&r, byte, sizeof r);
    return r;
}

TEST_F(TimeZoneApi, FreshDevicePresentsTheHostsZone)
{
    // Mexico City gave up daylight time in 2022, Cairo took it up again in
    // 2023, Gaza changes at times outside the day: what the host's zone
    // files say, as the C library reads them, with the Windows names.
    auto const now = std::chrono::system_clock::now();
    std::int64_t const now_seconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    int const year = static_cast<int>(std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(now)).year());
    for (char const* zone :
         { "Europe/Berlin", "America/New_York", "Asia/Tokyo", "UTC", "Australia/Sydney", "Asia/Kolkata",
           "Australia/Lord_Howe", "America/Mexico_City", "Africa/Cairo", "Asia/Gaza" }) {
        set_host_zone(zone);
        TIME_ZONE_INFORMATION got = filled_with(0xCC);
        DWORD const id = GetTimeZoneInformation(&got);
        ScopedTz const c_library(zone);
        EXPECT_EQ(difference_in_year(got, year), "") << zone;
        EXPECT_EQ(record_offset(got, now_seconds), c_library_offset(now_seconds)) << zone;
        EXPECT_EQ(id, time_zone_period(got, now)) << zone;
        auto const names = platform::timezone::windows_names_of(zone);
        ASSERT_TRUE(names) << zone;
        EXPECT_EQ(name_of(got.StandardName), platform::text::to_utf8(names->standard)) << zone;
        EXPECT_EQ(name_of(got.DaylightName), platform::text::to_utf8(names->daylight)) << zone;
    }
}

TEST_F(TimeZoneApi, HostZoneExamples)
{
    set_host_zone("UTC");
    TIME_ZONE_INFORMATION got = filled_with(0xCC);
    EXPECT_EQ(GetTimeZoneInformation(&got), static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN));
    EXPECT_EQ(got.Bias, 0);
    EXPECT_EQ(got.StandardBias, 0);
    EXPECT_EQ(got.DaylightBias, 0);
    EXPECT_TRUE(same_date(got.StandardDate, no_date()));
    EXPECT_TRUE(same_date(got.DaylightDate, no_date()));

    set_host_zone("Asia/Tokyo");
    EXPECT_EQ(GetTimeZoneInformation(&got), static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN));
    EXPECT_EQ(got.Bias, -540);

    // A POSIX rule without daylight time gives its offset.
    set_host_zone("JST-9");
    EXPECT_EQ(GetTimeZoneInformation(&got), static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN));
    EXPECT_EQ(got.Bias, -540);

    set_host_zone("Europe/Berlin");
    DWORD const id = GetTimeZoneInformation(&got);
    EXPECT_TRUE(id == TIME_ZONE_ID_STANDARD || id == TIME_ZONE_ID_DAYLIGHT) << id;
    EXPECT_EQ(got.Bias, -60);
    EXPECT_EQ(name_of(got.StandardName), "W. Europe Standard Time");
}

TEST_F(TimeZoneApi, ReadingNeverWritesTheRegistry)
{
    set_host_zone("Europe/Berlin");
    TIME_ZONE_INFORMATION got;
    GetTimeZoneInformation(&got);
    EXPECT_FALSE(std::filesystem::exists(registry_file())) << "a fresh device stays without a registry file";
    EXPECT_EQ(stored_value().status, ERROR_FILE_NOT_FOUND);

    // With a registry file present, reading leaves it byte for byte.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Corvane", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    std::string const before = read_file(registry_file());
    GetTimeZoneInformation(&got);
    EXPECT_EQ(read_file(registry_file()), before);
    EXPECT_EQ(stored_value().status, ERROR_FILE_NOT_FOUND);
}

TEST_F(TimeZoneApi, SetStoresTheWholeRecordAsGiven)
{
    TIME_ZONE_INFORMATION const record = unusual_record();
    ASSERT_TRUE(SetTimeZoneInformation(&record));

    RawValue const raw = stored_value();
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
    auto const expected = encode_record(record);
    EXPECT_EQ(raw.bytes, std::vector<BYTE>(expected.begin(), expected.end()));

    TIME_ZONE_INFORMATION got = filled_with(0xCC);
    GetTimeZoneInformation(&got);
    EXPECT_TRUE(same_record(got, record));
}

TEST_F(TimeZoneApi, StoredRecordIsKeptWhateverTheHostsZone)
{
    set_host_zone("Europe/Berlin");
    TIME_ZONE_INFORMATION const record = unusual_record();
    ASSERT_TRUE(SetTimeZoneInformation(&record));
    set_host_zone("Asia/Tokyo");
    TIME_ZONE_INFORMATION got;
    GetTimeZoneInformation(&got);
    EXPECT_TRUE(same_record(got, record));
    EXPECT_STREQ(std::getenv("TZ"), "Asia/Tokyo") << "the host's zone is left alone";
}

TEST_F(TimeZoneApi, ChangedBiasesRoundTripAndTheRestPassesThrough)
{
    // The program's own use: read, put two biases in, write the whole record back.
    set_host_zone("America/New_York");
    TIME_ZONE_INFORMATION record;
    GetTimeZoneInformation(&record);
    TIME_ZONE_INFORMATION const original = record;
    record.DaylightBias = -120;
    record.StandardBias = 15;
    ASSERT_TRUE(SetTimeZoneInformation(&record));

    TIME_ZONE_INFORMATION got;
    GetTimeZoneInformation(&got);
    EXPECT_EQ(got.DaylightBias, -120);
    EXPECT_EQ(got.StandardBias, 15);
    got.DaylightBias = original.DaylightBias;
    got.StandardBias = original.StandardBias;
    EXPECT_TRUE(same_record(got, original));
}

TEST_F(TimeZoneApi, PeriodComesFromTheStoredRules)
{
    // Transition dates two months either side of now, so that the answer does
    // not depend on the day the test runs.
    using namespace std::chrono;
    auto const today = year_month_day(floor<days>(system_clock::now()));
    auto const month_at = [&](int offset) {
        return static_cast<WORD>((static_cast<int>(static_cast<unsigned>(today.month())) - 1 + offset + 12) % 12 + 1);
    };
    TIME_ZONE_INFORMATION record {};
    record.Bias = 0;
    record.DaylightBias = -60;

    record.DaylightDate = recurring(month_at(-2), 0, 1, 2);
    record.StandardDate = recurring(month_at(+2), 0, 1, 2);
    ASSERT_TRUE(SetTimeZoneInformation(&record));
    TIME_ZONE_INFORMATION got;
    EXPECT_EQ(GetTimeZoneInformation(&got), static_cast<DWORD>(TIME_ZONE_ID_DAYLIGHT));

    std::swap(record.DaylightDate, record.StandardDate);
    ASSERT_TRUE(SetTimeZoneInformation(&record));
    EXPECT_EQ(GetTimeZoneInformation(&got), static_cast<DWORD>(TIME_ZONE_ID_STANDARD));

    record.DaylightDate = no_date();
    record.StandardDate = no_date();
    ASSERT_TRUE(SetTimeZoneInformation(&record));
    EXPECT_EQ(GetTimeZoneInformation(&got), static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN));
}

TEST_F(TimeZoneApi, StoredValueThatIsNotARecordIsLeftAloneAndTheHostsZoneShown)
{
    set_host_zone("Asia/Tokyo");
    struct {
        char const* label;
        DWORD type;
        std::size_t size;
    } const cases[] = {
        { "empty", REG_BINARY, 0 },
        { "one byte short", REG_BINARY, record_size - 1 },
        { "one byte long", REG_BINARY, record_size + 1 },
        { "twice the size", REG_BINARY, 2 * record_size },
        { "not binary", REG_SZ, record_size },
        { "a number", REG_DWORD, 4 },
    };
    auto const host = platform::timezone::host_zone(std::chrono::system_clock::now()).record;
    for (auto const& c : cases) {
        std::vector<BYTE> const bytes(c.size, 0x3C);
        store_value(c.type, bytes);
        std::string const file_before = read_file(registry_file());

        TIME_ZONE_INFORMATION got = filled_with(0xCC);
        EXPECT_EQ(GetTimeZoneInformation(&got), static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN)) << c.label;
        EXPECT_TRUE(same_record(got, host)) << c.label;

        RawValue const raw = stored_value();
        EXPECT_EQ(raw.type, c.type) << c.label;
        EXPECT_EQ(raw.bytes, bytes) << c.label;
        EXPECT_EQ(read_file(registry_file()), file_before) << c.label;
    }
}

TEST_F(TimeZoneApi, BrokenRegistryIsReportedAndNeverOverwritten)
{
    set_host_zone("Europe/Berlin");
    std::string const broken = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Time\n\x01\x02garbage";
    write_file(registry_file(), broken);

    TIME_ZONE_INFORMATION got = filled_with(0xCC);
    SetLastError(0);
    EXPECT_EQ(GetTimeZoneInformation(&got), TIME_ZONE_ID_INVALID);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    // The record is still filled, with the host's zone.
    EXPECT_EQ(got.Bias, -60);
    EXPECT_EQ(name_of(got.StandardName), "W. Europe Standard Time");

    TIME_ZONE_INFORMATION const record = unusual_record();
    SetLastError(0);
    EXPECT_FALSE(SetTimeZoneInformation(&record));
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(read_file(registry_file()), broken);
}

TEST_F(TimeZoneApi, UnusableDeviceDirectoryFailsWithAnErrorCode)
{
    // The device directory would have to be inside a plain file.
    std::filesystem::path const blocker = dir() / "plain-file";
    write_file(blocker, "not a directory");
    ::setenv("CE_DEVICE_DIR", (blocker / "device").c_str(), 1);

    TIME_ZONE_INFORMATION const record = unusual_record();
    SetLastError(0);
    EXPECT_FALSE(SetTimeZoneInformation(&record));
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    TIME_ZONE_INFORMATION got;
    SetLastError(0);
    EXPECT_EQ(GetTimeZoneInformation(&got), TIME_ZONE_ID_INVALID);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(TimeZoneApi, MissingRecordPointerIsAnInvalidParameter)
{
    SetLastError(0);
    EXPECT_EQ(GetTimeZoneInformation(nullptr), TIME_ZONE_ID_INVALID);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(SetTimeZoneInformation(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(std::filesystem::exists(registry_file()));
}

}
