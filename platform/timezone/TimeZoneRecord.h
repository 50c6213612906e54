// The time-zone record as the device stores it: the 172 bytes of
// TIME_ZONE_INFORMATION, little-endian, exactly in the Windows layout.
#pragma once

#include "windows.h"

#include <array>
#include <optional>
#include <span>

namespace platform::timezone {

constexpr std::size_t record_size = 172;
using RecordBytes = std::array<BYTE, record_size>;

RecordBytes encode_record(TIME_ZONE_INFORMATION const& record);

// Any 172 bytes are a record; anything of another length is not.
std::optional<TIME_ZONE_INFORMATION> decode_record(std::span<BYTE const> bytes);

}
