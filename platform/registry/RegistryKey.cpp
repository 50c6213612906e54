// The registry's key tree in memory.
#include "registry/RegistryKey.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <utility>

namespace platform::registry {

// Simple (one-to-one) case folding, code point by code point: like the
// upcase table Windows compares names with, it never changes a name's length.
std::u16string fold_name(std::u16string_view name)
{
    std::u16string folded;
    folded.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        UChar32 c = 0;
        U16_NEXT(name.data(), i, name.size(), c);
        c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        if (U_IS_BMP(c)) {
            folded += static_cast<char16_t>(c);
        } else {
            folded += static_cast<char16_t>(U16_LEAD(c));
            folded += static_cast<char16_t>(U16_TRAIL(c));
        }
    }
    return folded;
}

RegistryKey::RegistryKey(std::u16string name)
    : m_name(std::move(name))
    , m_folded(fold_name(m_name))
{
}

// Subkeys are kept sorted by folded name, which is also their enumeration order.
static auto subkey_position(std::vector<RegistryKey> const& keys, std::u16string const& folded)
{
    return std::lower_bound(keys.begin(), keys.end(), folded,
                            [](RegistryKey const& key, std::u16string const& f) { return key.folded_name() < f; });
}

RegistryKey const* RegistryKey::find_subkey(std::u16string_view name) const
{
    auto folded = fold_name(name);
    auto it = subkey_position(m_subkeys, folded);
    return it != m_subkeys.end() && it->folded_name() == folded ? &*it : nullptr;
}

RegistryKey* RegistryKey::find_subkey(std::u16string_view name)
{
    return const_cast<RegistryKey*>(std::as_const(*this).find_subkey(name));
}

RegistryKey& RegistryKey::ensure_subkey(std::u16string_view name, bool& created)
{
    auto folded = fold_name(name);
    auto it = subkey_position(m_subkeys, folded);
    created = !(it != m_subkeys.end() && it->folded_name() == folded);
    if (created)
        it = m_subkeys.insert(it, RegistryKey(std::u16string(name)));
    return m_subkeys[static_cast<std::size_t>(it - m_subkeys.begin())];
}

bool RegistryKey::remove_subkey(std::u16string_view name)
{
    auto folded = fold_name(name);
    auto it = subkey_position(m_subkeys, folded);
    if (it == m_subkeys.end() || it->folded_name() != folded)
        return false;
    m_subkeys.erase(it);
    return true;
}

RegistryKey const* RegistryKey::find_path(std::span<std::u16string const> path) const
{
    RegistryKey const* key = this;
    for (auto const& name : path) {
        key = key->find_subkey(name);
        if (!key)
            return nullptr;
    }
    return key;
}

RegistryKey* RegistryKey::find_path(std::span<std::u16string const> path)
{
    return const_cast<RegistryKey*>(std::as_const(*this).find_path(path));
}

// Keys with at most this many values are searched in order: folding a few
// names costs less than an index.
static constexpr std::size_t indexed_value_count = 8;

std::size_t RegistryKey::value_position(std::u16string const& folded) const
{
    if (m_values.size() > indexed_value_count) {
        auto it = m_value_index.find(folded);
        return it == m_value_index.end() ? m_values.size() : it->second;
    }
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        if (m_values[i].name.size() == folded.size() && fold_name(m_values[i].name) == folded)
            return i;
    }
    return m_values.size();
}

void RegistryKey::rebuild_value_index()
{
    m_value_index.clear();
    if (m_values.size() <= indexed_value_count)
        return;
    m_value_index.reserve(m_values.size());
    for (std::size_t i = 0; i < m_values.size(); ++i)
        m_value_index.emplace(fold_name(m_values[i].name), i);
}

RegistryValue const* RegistryKey::find_value(std::u16string_view name) const
{
    std::size_t const position = value_position(fold_name(name));
    return position < m_values.size() ? &m_values[position] : nullptr;
}

bool RegistryKey::set_value(std::u16string_view name, DWORD type, std::span<BYTE const> data)
{
    return set_value(name, type, std::vector<BYTE>(data.begin(), data.end()));
}

bool RegistryKey::set_value(std::u16string_view name, DWORD type, std::vector<BYTE>&& data)
{
    auto folded = fold_name(name);
    std::size_t position = m_values.size();
    bool const indexed = m_values.size() > indexed_value_count;
    if (indexed) {
        // One look in the index finds the value or makes its entry.
        auto [it, inserted] = m_value_index.try_emplace(std::move(folded), m_values.size());
        position = it->second;
    } else {
        position = value_position(folded);
    }
    if (position < m_values.size()) {
        // A replaced value keeps its place in the creation order and the case
        // it was created with, as on Windows.
        RegistryValue& value = m_values[position];
        if (value.type == type && value.data == data)
            return false;
        value.type = type;
        value.data = std::move(data);
        return true;
    }
    m_values.push_back({ std::u16string(name), type, std::move(data) });
    if (m_values.size() == indexed_value_count + 1)
        rebuild_value_index();
    return true;
}

bool RegistryKey::remove_value(std::u16string_view name)
{
    std::size_t const position = value_position(fold_name(name));
    if (position >= m_values.size())
        return false;
    m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(position));
    rebuild_value_index();
    return true;
}

bool RegistryKey::remove_all_values()
{
    bool had_values = !m_values.empty();
    m_values.clear();
    m_value_index.clear();
    return had_values;
}

static std::array<std::u16string const, 4> const roots = {
    u"HKEY_CLASSES_ROOT",
    u"HKEY_CURRENT_USER",
    u"HKEY_LOCAL_MACHINE",
    u"HKEY_USERS",
};

std::span<std::u16string const> root_names()
{
    return roots;
}

RegistryKey make_empty_tree()
{
    RegistryKey tree;
    for (auto const& root : roots) {
        bool created = false;
        tree.ensure_subkey(root, created);
    }
    return tree;
}

std::u16string canonical_root_name(std::u16string_view name, bool allow_short)
{
    static constexpr std::u16string_view short_names[] = { u"hkcr", u"hkcu", u"hklm", u"hku" };
    auto folded = fold_name(name);
    for (std::size_t i = 0; i < roots.size(); ++i) {
        if (folded == fold_name(roots[i]) || (allow_short && folded == short_names[i]))
            return roots[i];
    }
    return {};
}

}
