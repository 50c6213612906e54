// The record's stored form: 172 bytes, little-endian, fields at the Windows offsets.
#include "timezone/TimeZoneRecord.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <vector>

using namespace platform::timezone;

namespace {

// Every field different, with bytes that show their order.
TIME_ZONE_INFORMATION distinct_record()
{
    TIME_ZONE_INFORMATION r {};
    r.Bias = -0x01020304;
    r.StandardName[0] = u'S';
    r.StandardName[31] = 0x2605;
    r.StandardDate = { 0x1112, 10, 0, 5, 3, 4, 5, 0x0607 };
    r.StandardBias = 0x21222324;
    r.DaylightName[0] = u'D';
    r.DaylightName[30] = u'z';
    r.DaylightDate = { 0, 3, 6, 4, 2, 30, 59, 999 };
    r.DaylightBias = -30;
    return r;
}

std::uint32_t u32_at(RecordBytes const& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t u16_at(RecordBytes const& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(TimeZoneRecord, FieldsSitAtTheWindowsOffsetsLittleEndian)
{
    RecordBytes const b = encode_record(distinct_record());
    EXPECT_EQ(u32_at(b, 0), static_cast<std::uint32_t>(-0x01020304));
    EXPECT_EQ(b[0], 0xFC) << "least significant byte first";
    EXPECT_EQ(u16_at(b, 4), u'S');
    EXPECT_EQ(u16_at(b, 4 + 62), 0x2605);
    EXPECT_EQ(u16_at(b, 68), 0x1112) << "StandardDate.wYear";
    EXPECT_EQ(u16_at(b, 70), 10) << "StandardDate.wMonth";
    EXPECT_EQ(u16_at(b, 82), 0x0607) << "StandardDate.wMilliseconds";
    EXPECT_EQ(u32_at(b, 84), 0x21222324u);
    EXPECT_EQ(u16_at(b, 88), u'D');
    EXPECT_EQ(u16_at(b, 88 + 60), u'z');
    EXPECT_EQ(u16_at(b, 152 + 2), 3) << "DaylightDate.wMonth";
    EXPECT_EQ(u16_at(b, 152 + 4), 6) << "DaylightDate.wDayOfWeek";
    EXPECT_EQ(u16_at(b, 166), 999) << "DaylightDate.wMilliseconds";
    EXPECT_EQ(u32_at(b, 168), static_cast<std::uint32_t>(-30));
}

TEST(TimeZoneRecord, EncodingIsTheInMemoryLayoutOfTheDevice)
{
    // On a little-endian host the stored bytes are the structure itself.
    TIME_ZONE_INFORMATION const r = distinct_record();
    RecordBytes const b = encode_record(r);
    if constexpr (std::endian::native == std::endian::little) {
        EXPECT_EQ(std::memcmp(b.data(), &r, sizeof r), 0);
    }
}

TEST(TimeZoneRecord, DecodingGivesBackEveryField)
{
    TIME_ZONE_INFORMATION const r = distinct_record();
    RecordBytes const b = encode_record(r);
    auto const back = decode_record(b);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::memcmp(&*back, &r, sizeof r), 0);
    EXPECT_EQ(encode_record(*back), b);
}

TEST(TimeZoneRecord, OnlyExactly172BytesAreARecord)
{
    for (std::size_t size : { 0u, 1u, 171u, 173u, 344u }) {
        std::vector<BYTE> bytes(size, 0x5A);
        EXPECT_FALSE(decode_record(bytes)) << size << " bytes";
    }
    std::vector<BYTE> garbage(172, 0xFF);
    EXPECT_TRUE(decode_record(garbage)) << "any 172 bytes";
}

}
