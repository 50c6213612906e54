// A cursor over little-endian resource bytes whose every read is checked against
// the end of the data: a read that would leave the data fails and moves nothing.
// All of the resource parsers read through it, so none of them can step outside
// the bytes they were given.
#pragma once

#include "resources/DialogTemplate.h"
#include "wintypes.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>

namespace platform::resources {

class ByteReader {
public:
    explicit ByteReader(std::span<BYTE const> data)
        : m_data(data)
    {
    }

    std::size_t offset() const { return m_offset; }
    std::size_t size() const { return m_data.size(); }
    std::size_t remaining() const { return m_data.size() - m_offset; }
    bool at_end() const { return m_offset == m_data.size(); }

    bool seek(std::size_t offset);
    bool skip(std::size_t count);
    // Moves to the next multiple of `alignment` counted from the start of the
    // data; fails when that lies beyond the end.
    bool align(std::size_t alignment);

    std::optional<BYTE> u8();
    std::optional<WORD> u16();
    std::optional<DWORD> u32();
    std::optional<short> i16();
    std::optional<std::span<BYTE const>> bytes(std::size_t count);
    // A UTF-16 string ended by a zero character, which must lie within the data.
    std::optional<std::u16string> zstring();
    // 0xFFFF and a WORD ordinal, or a zero-ended string (an empty string when the
    // first character is zero).
    std::optional<NameOrOrdinal> name_or_ordinal();

private:
    std::span<BYTE const> m_data;
    std::size_t m_offset { 0 };
};

}
