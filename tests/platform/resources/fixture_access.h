// Shared helpers of the resource tests: the bytes of a fixture resource, found
// through the resource API, and the checks that damaged or cut-short copies of
// valid data are refused without a read outside them. Every copy a parser
// reads lies against a guard page, so a stray read faults in any build.
#pragma once

#include "GuardedBuffer.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
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

// Each prefix is copied to end at a guard page, so that a read past its end
// faults.
template<typename Parse>
void expect_every_truncation_refused(std::span<BYTE const> data, Parse parse)
{
    ASSERT_FALSE(data.empty());
    test_support::GuardedBuffer guarded(data.size());
    ASSERT_TRUE(parse(guarded.at_end(data))) << "the untouched data must parse";
    for (std::size_t length = 0; length < data.size(); ++length) {
        EXPECT_FALSE(parse(guarded.at_end(data.first(length))))
            << "accepted when cut to " << length << " of " << data.size() << " bytes";
    }
}

// Copies of valid data with a few bytes overwritten at random, a fixed sequence
// of them: the parser may accept or refuse each, but must stay within it and
// must not hang. The copies lie against the guard page after them and the one
// before them in turn.
template<typename Parse>
void survive_random_damage(std::span<BYTE const> data, Parse parse, int rounds = 3000)
{
    ASSERT_FALSE(data.empty());
    test_support::GuardedBuffer guarded(data.size());
    std::mt19937 random(20261210);
    std::uniform_int_distribution<std::size_t> position(0, data.size() - 1);
    std::uniform_int_distribution<int> count(1, 4);
    std::uniform_int_distribution<int> value(0, 3);
    BYTE const values[] = { 0x00, 0xFF, 0x7F, 0x41 };
    std::vector<BYTE> damaged;
    for (int round = 0; round < rounds; ++round) {
        damaged.assign(data.begin(), data.end());
        for (int i = count(random); i > 0; --i)
            damaged[position(random)] = values[value(random)];
        parse(round % 2 == 0 ? guarded.at_end(damaged) : guarded.at_start(damaged));
    }
}

// A copy of valid data, damaged by `apply`, is refused; the copy ends at a
// guard page. `data` must parse as it is, unless `apply` replaces it whole.
template<typename Apply, typename Parse>
void expect_refused_after(std::span<BYTE const> data, Apply apply, Parse parse)
{
    std::vector<BYTE> bytes(data.begin(), data.end());
    apply(bytes);
    test_support::GuardedBuffer guarded(std::max(data.size(), bytes.size()));
    EXPECT_TRUE(parse(guarded.at_end(data))) << "the untouched data must parse";
    EXPECT_FALSE(parse(guarded.at_end(bytes)));
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

// One way of damaging valid data, and what it is called in a failure.
struct Damage {
    char const* what;
    std::function<void(std::vector<BYTE>&)> apply;
};

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
