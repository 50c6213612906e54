// One key of the registry tree: its values in creation order and its subkeys in
// alphabetical order, both found by name without regard to case: subkeys by a
// binary search, values through an index by folded name once a key has more
// than a handful, so that a key with a hundred thousand values costs no more
// per lookup than one with ten.
#pragma once

#include "wintypes.h"

#include <span>
#include <string>
#include <string_view>
#include <cstdint>
#include <vector>

namespace platform::registry {

struct RegistryValue {
    std::u16string name; // as created; empty for the default value
    DWORD type = 0;
    std::vector<BYTE> data;
};

// A key path as the store sees it: the root's full name first
// ("HKEY_LOCAL_MACHINE"), then one name per level.
using KeyPath = std::vector<std::u16string>;

class RegistryKey {
public:
    explicit RegistryKey(std::u16string name = {});

    std::u16string const& name() const { return m_name; }
    std::u16string const& folded_name() const { return m_folded; }

    std::vector<RegistryKey> const& subkeys() const { return m_subkeys; }
    RegistryKey* find_subkey(std::u16string_view name);
    RegistryKey const* find_subkey(std::u16string_view name) const;
    // Finds the subkey or adds it; `created` tells which.
    RegistryKey& ensure_subkey(std::u16string_view name, bool& created);
    bool remove_subkey(std::u16string_view name);

    // Follows `path` from this key downwards; null when a level is missing.
    RegistryKey* find_path(std::span<std::u16string const> path);
    RegistryKey const* find_path(std::span<std::u16string const> path) const;

    std::vector<RegistryValue> const& values() const { return m_values; }
    RegistryValue const* find_value(std::u16string_view name) const;
    // Creates or replaces the value; false when it already held exactly this.
    bool set_value(std::u16string_view name, DWORD type, std::span<BYTE const> data);
    bool set_value(std::u16string_view name, DWORD type, std::vector<BYTE>&& data);
    bool remove_value(std::u16string_view name);
    bool remove_all_values();

private:
    std::size_t value_position(std::u16string const& folded, std::uint32_t hash) const;
    void index_value(std::uint32_t hash, std::size_t position);
    void rebuild_value_index();

    std::u16string m_name;
    std::u16string m_folded;
    std::vector<RegistryValue> m_values;
    // An open-addressing table of positions in m_values by the hash of the
    // folded name (position + 1 and the hash, 0 for a free slot); kept only
    // while the key has more than indexed_value_count values (small keys are
    // searched in order). Eight bytes a slot, at most half of them used.
    struct IndexSlot {
        std::uint32_t position_plus_one = 0;
        std::uint32_t hash = 0;
    };
    std::vector<IndexSlot> m_value_index;
    std::vector<RegistryKey> m_subkeys;
};

// The four roots, in the order and spelling the store uses.
std::span<std::u16string const> root_names();
// A tree holding the four empty roots.
RegistryKey make_empty_tree();
// The root's full name for "HKLM", "HKEY_LOCAL_MACHINE" (any case) and so on;
// empty when `name` is none of them. `allow_short` admits HKLM, HKCU, HKCR, HKU.
std::u16string canonical_root_name(std::u16string_view name, bool allow_short);

}
