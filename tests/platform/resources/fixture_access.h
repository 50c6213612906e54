// Shared helpers of the resource tests: the bytes of a fixture resource, found
// through the resource API, and the check that every cut-short copy of valid
// data is refused.
#pragma once

#include "windows.h"

#include <gtest/gtest.h>

#include <span>
#include <vector>

namespace fixture {

inline std::span<BYTE const> resource(LPCWSTR type, WORD name, WORD language = 0x0409)
{
    HMODULE const module = GetModuleHandleW(nullptr);
    HRSRC const found = FindResourceExW(module, type, MAKEINTRESOURCEW(name), language);
    if (!found)
        return {};
    auto const data = static_cast<BYTE const*>(LockResource(LoadResource(module, found)));
    return { data, SizeofResource(module, found) };
}

inline std::vector<BYTE> copy(std::span<BYTE const> data)
{
    return { data.begin(), data.end() };
}

// Each prefix is copied into a buffer of exactly its own size, so that a read
// past its end is one AddressSanitizer reports.
template<typename Parse>
void expect_every_truncation_refused(std::span<BYTE const> data, Parse parse)
{
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(parse(data)) << "the untouched data must parse";
    for (std::size_t length = 0; length < data.size(); ++length) {
        std::vector<BYTE> const prefix(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(parse(std::span<BYTE const>(prefix))) << "accepted when cut to " << length << " of "
                                                            << data.size() << " bytes";
    }
}

inline void put_word(std::vector<BYTE>& bytes, std::size_t offset, WORD value)
{
    bytes.at(offset) = LOBYTE(value);
    bytes.at(offset + 1) = HIBYTE(value);
}

inline void put_dword(std::vector<BYTE>& bytes, std::size_t offset, DWORD value)
{
    put_word(bytes, offset, LOWORD(value));
    put_word(bytes, offset + 2, HIWORD(value));
}

// Writes little-endian data for templates built by hand.
class Writer {
public:
    Writer& word(WORD value)
    {
        m_bytes.push_back(LOBYTE(value));
        m_bytes.push_back(HIBYTE(value));
        return *this;
    }
    Writer& dword(DWORD value) { return word(LOWORD(value)).word(HIWORD(value)); }
    Writer& byte(BYTE value)
    {
        m_bytes.push_back(value);
        return *this;
    }
    Writer& text(std::u16string_view text)
    {
        for (char16_t unit : text)
            word(unit);
        return word(0);
    }
    Writer& align()
    {
        while (m_bytes.size() % 4 != 0)
            m_bytes.push_back(0);
        return *this;
    }
    std::vector<BYTE> const& bytes() const { return m_bytes; }

private:
    std::vector<BYTE> m_bytes;
};

}
