// Every zone of the host's zone database against the C library: the record a
// fresh device makes for this year and the next must give the same UTC offsets
// and change at the same instants as localtime does, or say in a note what it
// cannot hold. All in this one process: the C library is asked with TZ set
// zone by zone.
#include "timezone/HostTimeZone.h"

#include "CLibraryZone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

using namespace timezone_test;

namespace {

constexpr char zone_database[] = "/usr/share/zoneinfo";

// The zone names of the database: every zone file and link below it, except
// the posix/ and right/ copies (the same zones again; right/ counts leap
// seconds in time_t, which the device's clock does not).
std::vector<std::string> database_zone_names()
{
    std::vector<std::string> names;
    std::filesystem::path const root = zone_database;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::string const name = it->path().lexically_relative(root).string();
        if (it->is_directory() && (name == "posix" || name == "right")) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file())
            continue;
        std::ifstream in(it->path(), std::ios::binary);
        char magic[4] = {};
        in.read(magic, 4);
        if (in && std::string(magic, 4) == "TZif")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ZoneDatabase, EveryZoneAgreesWithTheCLibraryThisYearAndNext)
{
    using namespace std::chrono;
    if (!std::filesystem::exists(std::string(zone_database) + "/Europe/Berlin"))
        GTEST_SKIP() << "no zone database at " << zone_database;
    std::vector<std::string> const names = database_zone_names();
    ASSERT_GT(names.size(), 300u);

    auto const now = system_clock::now();
    int const this_year = static_cast<int>(year_month_day(floor<days>(now)).year());
    for (int const year : { this_year, this_year + 1 }) {
        // The moment the record is made for: now, or the same day next year.
        auto const when = now + seconds(first_second_of(year) - first_second_of(this_year));
        std::int64_t const at = duration_cast<seconds>(when.time_since_epoch()).count();
        int differ = 0;
        int noted = 0;
        for (std::string const& name : names) {
            ScopedTz const tz(name);
            testing::internal::CaptureStderr();
            auto const zone = platform::timezone::host_zone(when);
            testing::internal::GetCapturedStderr();
            std::string const difference = difference_in_year(zone.record, year);
            if (difference.empty())
                continue;
            ++differ;
            if (zone.note.empty()) {
                ADD_FAILURE() << name << ": " << difference;
                continue;
            }
            // A record that cannot hold the year still holds the moment it is made for.
            ++noted;
            EXPECT_EQ(record_offset(zone.record, at), c_library_offset(at)) << name << ": " << zone.note;
        }
        std::cout << "[ zones    ] " << year << ": " << names.size() << " zones, " << differ
                  << " differ from the C library, " << noted << " of them with a note\n";
    }
}

}
