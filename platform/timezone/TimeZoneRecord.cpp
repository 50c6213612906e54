// Encoding of the time-zone record: field by field, little-endian, so that the
// bytes are those of a CE device whatever the host's byte order.
#include "timezone/TimeZoneRecord.h"

#include <cstring>

namespace platform::timezone {

namespace {

class Writer {
public:
    explicit Writer(RecordBytes& bytes)
        : m_bytes(bytes)
    {
    }

    void put16(WORD value)
    {
        m_bytes[m_offset++] = static_cast<BYTE>(value & 0xFF);
        m_bytes[m_offset++] = static_cast<BYTE>(value >> 8);
    }

    void put32(LONG value)
    {
        auto const bits = static_cast<DWORD>(value);
        put16(static_cast<WORD>(bits & 0xFFFF));
        put16(static_cast<WORD>(bits >> 16));
    }

    void put_name(WCHAR const (&name)[32])
    {
        for (WCHAR c : name)
            put16(static_cast<WORD>(c));
    }

    void put_date(SYSTEMTIME const& date)
    {
        for (WORD field : { date.wYear, date.wMonth, date.wDayOfWeek, date.wDay, date.wHour, date.wMinute,
                            date.wSecond, date.wMilliseconds })
            put16(field);
    }

private:
    RecordBytes& m_bytes;
    std::size_t m_offset = 0;
};

class Reader {
public:
    explicit Reader(std::span<BYTE const> bytes)
        : m_bytes(bytes)
    {
    }

    WORD get16()
    {
        WORD const value = static_cast<WORD>(m_bytes[m_offset] | (m_bytes[m_offset + 1] << 8));
        m_offset += 2;
        return value;
    }

    LONG get32()
    {
        DWORD const low = get16();
        DWORD const high = get16();
        return static_cast<LONG>(low | (high << 16));
    }

    void get_name(WCHAR (&name)[32])
    {
        for (WCHAR& c : name)
            c = static_cast<WCHAR>(get16());
    }

    void get_date(SYSTEMTIME& date)
    {
        for (WORD* field : { &date.wYear, &date.wMonth, &date.wDayOfWeek, &date.wDay, &date.wHour, &date.wMinute,
                             &date.wSecond, &date.wMilliseconds })
            *field = get16();
    }

private:
    std::span<BYTE const> m_bytes;
    std::size_t m_offset = 0;
};

}

RecordBytes encode_record(TIME_ZONE_INFORMATION const& record)
{
    RecordBytes bytes {};
    Writer writer(bytes);
    writer.put32(record.Bias);
    writer.put_name(record.StandardName);
    writer.put_date(record.StandardDate);
    writer.put32(record.StandardBias);
    writer.put_name(record.DaylightName);
    writer.put_date(record.DaylightDate);
    writer.put32(record.DaylightBias);
    return bytes;
}

std::optional<TIME_ZONE_INFORMATION> decode_record(std::span<BYTE const> bytes)
{
    if (bytes.size() != record_size)
        return std::nullopt;
    TIME_ZONE_INFORMATION record;
    std::memset(&record, 0, sizeof record);
    Reader reader(bytes);
    record.Bias = reader.get32();
    reader.get_name(record.StandardName);
    reader.get_date(record.StandardDate);
    record.StandardBias = reader.get32();
    reader.get_name(record.DaylightName);
    reader.get_date(record.DaylightDate);
    record.DaylightBias = reader.get32();
    return record;
}

}
