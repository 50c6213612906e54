// Bounds-checked reading of resource bytes.
#include "resources/ByteReader.h"

namespace platform::resources {

bool ByteReader::seek(std::size_t offset)
{
    if (offset > m_data.size())
        return false;
    m_offset = offset;
    return true;
}

bool ByteReader::skip(std::size_t count)
{
    if (count > remaining())
        return false;
    m_offset += count;
    return true;
}

bool ByteReader::align(std::size_t alignment)
{
    std::size_t const misalignment = m_offset % alignment;
    return misalignment == 0 || skip(alignment - misalignment);
}

std::optional<BYTE> ByteReader::u8()
{
    if (remaining() < 1)
        return std::nullopt;
    return m_data[m_offset++];
}

std::optional<WORD> ByteReader::u16()
{
    if (remaining() < 2)
        return std::nullopt;
    WORD const value = static_cast<WORD>(m_data[m_offset] | (m_data[m_offset + 1] << 8));
    m_offset += 2;
    return value;
}

std::optional<DWORD> ByteReader::u32()
{
    if (remaining() < 4)
        return std::nullopt;
    DWORD value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | m_data[m_offset + static_cast<std::size_t>(i)];
    m_offset += 4;
    return value;
}

std::optional<short> ByteReader::i16()
{
    auto const value = u16();
    if (!value)
        return std::nullopt;
    return static_cast<short>(*value);
}

std::optional<std::span<BYTE const>> ByteReader::bytes(std::size_t count)
{
    if (count > remaining())
        return std::nullopt;
    auto const result = m_data.subspan(m_offset, count);
    m_offset += count;
    return result;
}

std::optional<std::u16string> ByteReader::zstring()
{
    std::size_t const start = m_offset;
    std::u16string text;
    for (;;) {
        auto const unit = u16();
        if (!unit) {
            m_offset = start;
            return std::nullopt;
        }
        if (*unit == 0)
            return text;
        text.push_back(static_cast<char16_t>(*unit));
    }
}

std::optional<NameOrOrdinal> ByteReader::name_or_ordinal()
{
    std::size_t const start = m_offset;
    auto const first = u16();
    if (!first)
        return std::nullopt;
    if (*first == 0xFFFF) {
        auto const ordinal = u16();
        if (!ordinal) {
            m_offset = start;
            return std::nullopt;
        }
        return NameOrOrdinal { *ordinal, {} };
    }
    m_offset = start;
    auto text = zstring();
    if (!text)
        return std::nullopt;
    return NameOrOrdinal { std::nullopt, std::move(*text) };
}

}
