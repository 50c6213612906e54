// The registry's key tree in memory.
#include "registry/RegistryKey.h"

#include "text/CaseFold.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <array>
#include <utility>

namespace platform::registry {

using platform::text::fold_case;

RegistryKey::RegistryKey(std::u16string name)
    : m_name(std::move(name))
    , m_folded(fold_case(m_name))
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
    auto folded = fold_case(name);
    auto it = subkey_position(m_subkeys, folded);
    return it != m_subkeys.end() && it->folded_name() == folded ? &*it : nullptr;
}

RegistryKey* RegistryKey::find_subkey(std::u16string_view name)
{
    return const_cast<RegistryKey*>(std::as_const(*this).find_subkey(name));
}

RegistryKey& RegistryKey::ensure_subkey(std::u16string_view name, bool& created)
{
    auto folded = fold_case(name);
    auto it = subkey_position(m_subkeys, folded);
    created = !(it != m_subkeys.end() && it->folded_name() == folded);
    if (created)
        it = m_subkeys.insert(it, RegistryKey(std::u16string(name)));
    return m_subkeys[static_cast<std::size_t>(it - m_subkeys.begin())];
}

bool RegistryKey::remove_subkey(std::u16string_view name)
{
    auto folded = fold_case(name);
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

static std::uint32_t name_hash(std::u16string const& folded)
{
    auto const hash = std::hash<std::u16string_view> {}(folded);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

std::size_t RegistryKey::value_position(std::u16string const& folded, std::uint32_t hash) const
{
    if (m_value_index.empty()) {
        for (std::size_t i = 0; i < m_values.size(); ++i) {
            if (m_values[i].name.size() == folded.size() && fold_case(m_values[i].name) == folded)
                return i;
        }
        return m_values.size();
    }
    std::size_t const mask = m_value_index.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        IndexSlot const& entry = m_value_index[slot];
        if (entry.position_plus_one == 0)
            return m_values.size();
        if (entry.hash != hash)
            continue;
        std::size_t const position = entry.position_plus_one - 1;
        if (m_values[position].name.size() == folded.size() && fold_case(m_values[position].name) == folded)
            return position;
    }
}

void RegistryKey::index_value(std::uint32_t hash, std::size_t position)
{
    if (2 * (m_values.size() + 1) > m_value_index.size()) {
        // Grow to twice the room, moving every entry by its stored hash.
        std::vector<IndexSlot> old = std::move(m_value_index);
        m_value_index.assign(std::max<std::size_t>(64, old.size() * 2), IndexSlot {});
        for (auto const& entry : old) {
            if (entry.position_plus_one != 0)
                index_value(entry.hash, entry.position_plus_one - 1);
        }
    }
    std::size_t const mask = m_value_index.size() - 1;
    std::size_t slot = hash & mask;
    while (m_value_index[slot].position_plus_one != 0)
        slot = (slot + 1) & mask;
    m_value_index[slot] = { static_cast<std::uint32_t>(position + 1), hash };
}

void RegistryKey::rebuild_value_index()
{
    m_value_index.clear();
    if (m_values.size() <= indexed_value_count)
        return;
    m_value_index.assign(std::bit_ceil(4 * m_values.size()), IndexSlot {});
    for (std::size_t i = 0; i < m_values.size(); ++i)
        index_value(name_hash(fold_case(m_values[i].name)), i);
}

RegistryValue const* RegistryKey::find_value(std::u16string_view name) const
{
    auto const folded = fold_case(name);
    std::size_t const position = value_position(folded, name_hash(folded));
    return position < m_values.size() ? &m_values[position] : nullptr;
}

bool RegistryKey::set_value(std::u16string_view name, DWORD type, std::span<BYTE const> data)
{
    return set_value(name, type, std::vector<BYTE>(data.begin(), data.end()));
}

bool RegistryKey::set_value(std::u16string_view name, DWORD type, std::vector<BYTE>&& data)
{
    auto const folded = fold_case(name);
    std::uint32_t const hash = name_hash(folded);
    std::size_t const position = value_position(folded, hash);
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
    else if (m_values.size() > indexed_value_count + 1)
        index_value(hash, m_values.size() - 1);
    return true;
}

bool RegistryKey::remove_value(std::u16string_view name)
{
    auto const folded = fold_case(name);
    std::size_t const position = value_position(folded, name_hash(folded));
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
    auto folded = fold_case(name);
    for (std::size_t i = 0; i < roots.size(); ++i) {
        if (folded == fold_case(roots[i]) || (allow_short && folded == short_names[i]))
            return roots[i];
    }
    return {};
}

}
