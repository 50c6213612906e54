// The registry's Win32 functions: argument checks, key handles, the buffer
// rules of the queries and the Windows error codes, over the store.
//
// A handle names a key by its path, not by a node of the tree, so it stays
// good while the store reloads the file after another process changed it;
// a handle whose key has been deleted meanwhile gives ERROR_KEY_DELETED.
#include "windows.h"

#include "registry/LostWrites.h"
#include "registry/RegFile.h"
#include "registry/RegistryStore.h"
#include "text/ApiTrace.h"
#include "text/TerminalText.h"
#include "text/Utf.h"

#include <cstring>
#include <map>
#include <optional>

using platform::registry::KeyPath;
using platform::registry::RegistryKey;
using platform::registry::RegistryStore;
using platform::registry::RegistryValue;

namespace {

// No lock: the device is single-threaded, every API function runs on the
// program's one thread.
struct HandleTable {
    std::map<std::uintptr_t, KeyPath> paths;
    // The key a handle found last, good while the store's tree is the same
    // version: a query or an enumeration then costs no walk down the path.
    struct Found {
        RegistryStore const* store = nullptr;
        std::uint64_t version = 0;
        RegistryKey const* key = nullptr;
    };
    std::map<std::uintptr_t, Found> found;
    // Handle values stay far from the predefined roots (0x80000000 and up).
    std::uintptr_t next = 0x1000;
};

HandleTable& handles()
{
    static HandleTable table;
    return table;
}

}

static std::optional<std::u16string> predefined_root(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT)
        return u"HKEY_CLASSES_ROOT";
    if (key == HKEY_CURRENT_USER)
        return u"HKEY_CURRENT_USER";
    if (key == HKEY_LOCAL_MACHINE)
        return u"HKEY_LOCAL_MACHINE";
    if (key == HKEY_USERS)
        return u"HKEY_USERS";
    return std::nullopt;
}

// The path a handle stands for.
static LONG path_of_handle(HKEY key, KeyPath& path)
{
    if (auto root = predefined_root(key)) {
        path = { *root };
        return ERROR_SUCCESS;
    }
    auto& table = handles().paths;
    auto it = table.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == table.end())
        return ERROR_INVALID_HANDLE;
    path = it->second;
    return ERROR_SUCCESS;
}

static HKEY new_handle(KeyPath path)
{
    auto& table = handles();
    std::uintptr_t value = table.next;
    table.next += 8;
    table.paths.emplace(value, std::move(path));
    return reinterpret_cast<HKEY>(value);
}

// Splits "A\B\C" into its names. Trailing backslashes are allowed, a leading
// one is not (ERROR_BAD_PATHNAME), and neither is an empty name between two.
static LONG append_subkey_path(LPCWSTR sub_key, KeyPath& path)
{
    if (!sub_key || !*sub_key)
        return ERROR_SUCCESS;
    std::u16string_view text(sub_key);
    if (text[0] == u'\\')
        return ERROR_BAD_PATHNAME;
    while (!text.empty() && text.back() == u'\\')
        text.remove_suffix(1);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\\')
            continue;
        auto name = text.substr(start, i - start);
        if (name.empty())
            return ERROR_BAD_PATHNAME;
        if (!platform::registry::is_valid_key_name(name))
            return ERROR_INVALID_PARAMETER;
        path.emplace_back(name);
        start = i + 1;
    }
    if (path.size() - 1 > platform::registry::max_key_depth)
        return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

static std::u16string joined_path(KeyPath const& path)
{
    std::u16string text;
    for (auto const& name : path) {
        if (!text.empty())
            text += u'\\';
        text += name;
    }
    return text;
}

// A change the store could not keep is remembered for the end of the process.
static LONG note_if_lost(LONG status, std::string const& prefix, KeyPath const& path,
                         std::optional<std::u16string_view> value = std::nullopt)
{
    if (!platform::registry::is_storage_failure(status))
        return status;
    std::string what = prefix;
    if (value)
        what += " value " + platform::text::quote_for_terminal(*value) + " of the key";
    else
        what += " key";
    what += " " + platform::text::quote_for_terminal(joined_path(path));
    platform::registry::record_lost_write(std::move(what), platform::registry::storage_failure_reason(status));
    return status;
}

static std::u16string_view value_name_of(LPCWSTR name)
{
    return name ? std::u16string_view(name) : std::u16string_view();
}

// The path of the key behind a handle, followed by a subkey path below it;
// `base_depth` is the length of the handle's own part.
static LONG key_and_subkey_path(HKEY key, LPCWSTR sub_key, KeyPath& path, std::size_t& base_depth)
{
    if (LONG status = path_of_handle(key, path))
        return status;
    base_depth = path.size();
    return append_subkey_path(sub_key, path);
}

// The key a call names, as the call trace shows it: its full path, or the
// handle's value when the handle names no key.
static std::string traced_key(HKEY key, LPCWSTR sub_key = nullptr)
{
    KeyPath path;
    {
        if (path_of_handle(key, path) != ERROR_SUCCESS)
            return "<handle " + std::to_string(reinterpret_cast<std::uintptr_t>(key)) + ">";
    }
    std::u16string text;
    for (auto const& name : path) {
        if (!text.empty())
            text += u'\\';
        text += name;
    }
    if (sub_key && *sub_key) {
        text += u'\\';
        text += sub_key;
    }
    return platform::trace::quoted(text);
}

static std::string traced_value(LPCWSTR name)
{
    return platform::trace::quoted(name ? std::u16string_view(name) : std::u16string_view());
}

LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                            REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                            LPDWORD lpdwDisposition)
{
    platform::trace::TracedCall trace("RegCreateKeyExW", [&] { return traced_key(hKey, lpSubKey); });
    // Windows CE ignores the class, the options, the access mask and the
    // security attributes: every key is non-volatile and fully accessible.
    (void)lpClass;
    (void)dwOptions;
    (void)samDesired;
    (void)lpSecurityAttributes;
    if (!phkResult || Reserved)
        return ERROR_INVALID_PARAMETER;
    KeyPath path;
    std::size_t base_depth = 0;
    if (LONG status = key_and_subkey_path(hKey, lpSubKey, path, base_depth))
        return status;

    auto& store = RegistryStore::current();
    // Most calls open a key that exists; they need neither the lock nor a save.
    bool base_exists = false;
    bool exists = false;
    LONG status = store.read([&](RegistryKey const& tree) {
        base_exists = tree.find_path(std::span(path).first(base_depth)) != nullptr;
        exists = tree.find_path(path) != nullptr;
    });
    if (status == ERROR_SUCCESS && !base_exists)
        status = ERROR_KEY_DELETED;
    bool created_any = false;
    if (status == ERROR_SUCCESS && !exists) {
        status = store.modify([&](RegistryKey& tree, bool& changed) -> LONG {
            RegistryKey* key = tree.find_path(std::span(path).first(base_depth));
            if (!key)
                return ERROR_KEY_DELETED;
            for (std::size_t i = base_depth; i < path.size(); ++i) {
                bool created = false;
                key = &key->ensure_subkey(path[i], created);
                created_any |= created;
            }
            changed = created_any;
            return ERROR_SUCCESS;
        });
    }
    if (status != ERROR_SUCCESS) {
        *phkResult = nullptr;
        return note_if_lost(status, "the registry", path);
    }
    *phkResult = new_handle(std::move(path));
    if (lpdwDisposition)
        *lpdwDisposition = created_any ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult)
{
    platform::trace::TracedCall trace("RegOpenKeyExW", [&] { return traced_key(hKey, lpSubKey); });
    (void)ulOptions;
    (void)samDesired;
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyPath path;
    std::size_t base_depth = 0;
    if (LONG status = key_and_subkey_path(hKey, lpSubKey, path, base_depth))
        return status;
    LONG found = ERROR_SUCCESS;
    LONG status = RegistryStore::current().read([&](RegistryKey const& tree) {
        if (!tree.find_path(std::span(path).first(base_depth)))
            found = ERROR_KEY_DELETED;
        else if (!tree.find_path(path))
            found = ERROR_FILE_NOT_FOUND;
    });
    if (status == ERROR_SUCCESS)
        status = found;
    if (status != ERROR_SUCCESS)
        return status;
    *phkResult = new_handle(std::move(path));
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey)
{
    platform::trace::TracedCall trace("RegCloseKey", [&] { return traced_key(hKey); });
    if (predefined_root(hKey))
        return ERROR_SUCCESS;
    handles().found.erase(reinterpret_cast<std::uintptr_t>(hKey));
    return handles().paths.erase(reinterpret_cast<std::uintptr_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                           DWORD cbData)
{
    platform::trace::TracedCall trace("RegSetValueExW", [&] {
        return traced_key(hKey) + " " + traced_value(lpValueName) + " type " + std::to_string(dwType) + ", "
            + std::to_string(cbData) + " bytes";
    });
    (void)Reserved;
    if (!lpData && cbData)
        return ERROR_NOACCESS;
    auto name = value_name_of(lpValueName);
    if (!platform::registry::is_valid_value_name(name))
        return ERROR_INVALID_PARAMETER;
    KeyPath path;
    if (LONG status = path_of_handle(hKey, path))
        return status;
    // The bytes are stored exactly as given: no terminator is added or
    // dropped, whatever the type and the length.
    std::span<BYTE const> data(lpData, lpData ? cbData : 0);
    LONG status = RegistryStore::current().modify([&](RegistryKey& tree, bool& changed) -> LONG {
        RegistryKey* key = tree.find_path(path);
        if (!key)
            return ERROR_KEY_DELETED;
        changed = key->set_value(name, dwType, data);
        return ERROR_SUCCESS;
    });
    return note_if_lost(status, "the registry", path, name);
}

// Shows the key behind a handle to `visit` while the store is being read; a
// key deleted since the handle was opened is reported as such.
template <typename Visit>
static LONG read_key_of_handle(HKEY handle, Visit visit)
{
    auto& table = handles();
    auto const id = reinterpret_cast<std::uintptr_t>(handle);
    KeyPath const* path = nullptr;
    KeyPath root;
    if (predefined_root(handle)) {
        path_of_handle(handle, root);
        path = &root;
    } else {
        auto it = table.paths.find(id);
        if (it == table.paths.end())
            return ERROR_INVALID_HANDLE;
        path = &it->second;
    }
    auto& store = RegistryStore::current();
    LONG found = ERROR_SUCCESS;
    LONG status = store.read([&](RegistryKey const& tree) {
        RegistryKey const* key = nullptr;
        auto cached = path == &root ? table.found.end() : table.found.find(id);
        if (cached != table.found.end() && cached->second.store == &store && cached->second.version == store.version())
            key = cached->second.key;
        else
            key = tree.find_path(*path);
        if (path != &root && key)
            table.found[id] = { &store, store.version(), key };
        if (key)
            visit(*key);
        else
            found = ERROR_KEY_DELETED;
    });
    return status ? status : found;
}

// Looks up one value of the key behind a handle and copies it out of the store.
static LONG fetch_value(HKEY key, std::u16string_view name, std::optional<RegistryValue>& value)
{
    return read_key_of_handle(key, [&](RegistryKey const& node) {
        if (auto const* stored = node.find_value(name))
            value = *stored;
    });
}

// The data half of a value query: the buffer receives the bytes only when
// all of them fit, and nothing is written beyond *lpcbData bytes.
static LONG copy_value_data(RegistryValue const& value, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    auto size = static_cast<DWORD>(value.data.size());
    if (lpType)
        *lpType = value.type;
    if (!lpData) {
        if (lpcbData)
            *lpcbData = size;
        return ERROR_SUCCESS;
    }
    if (*lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (size)
        std::memcpy(lpData, value.data.data(), size);
    *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData)
{
    platform::trace::TracedCall trace("RegQueryValueExW", [&] {
        return traced_key(hKey) + " " + traced_value(lpValueName) + ", room "
            + (lpData && lpcbData ? std::to_string(*lpcbData) + " bytes" : std::string("for the size only"));
    });
    if (lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    std::optional<RegistryValue> value;
    {
        if (LONG status = fetch_value(hKey, value_name_of(lpValueName), value))
            return status;
    }
    if (!value) {
        // A size-only query learns that there is nothing; a buffer stays as it was.
        if (!lpData && lpcbData)
            *lpcbData = 0;
        return ERROR_FILE_NOT_FOUND;
    }
    return copy_value_data(*value, lpType, lpData, lpcbData);
}

LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName)
{
    auto name = value_name_of(lpValueName);
    KeyPath path;
    if (LONG status = path_of_handle(hKey, path))
        return status;
    LONG status = RegistryStore::current().modify([&](RegistryKey& tree, bool& changed) -> LONG {
        RegistryKey* key = tree.find_path(path);
        if (!key)
            return ERROR_KEY_DELETED;
        if (!key->remove_value(name))
            return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    });
    return note_if_lost(status, "the deletion of the registry", path, name);
}

LONG WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey)
{
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    KeyPath path;
    std::size_t base_depth = 0;
    if (LONG status = key_and_subkey_path(hKey, lpSubKey, path, base_depth))
        return status;
    if (path.size() == 1)
        return ERROR_ACCESS_DENIED;
    // As on Windows CE, the key goes with everything below it.
    LONG status = RegistryStore::current().modify([&](RegistryKey& tree, bool& changed) -> LONG {
        if (!tree.find_path(std::span(path).first(base_depth)))
            return ERROR_KEY_DELETED;
        RegistryKey* parent = tree.find_path(std::span(path).first(path.size() - 1));
        if (!parent || !parent->remove_subkey(path.back()))
            return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    });
    return note_if_lost(status, "the deletion of the registry", path);
}

// Copies a name with its terminator when it fits in `room` characters.
static bool copy_name(std::u16string const& name, LPWSTR buffer, LPDWORD room)
{
    if (*room <= name.size())
        return false;
    std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
    buffer[name.size()] = u'\0';
    *room = static_cast<DWORD>(name.size());
    return true;
}

LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                          LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime)
{
    if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass))
        return ERROR_INVALID_PARAMETER;
    std::optional<std::u16string> name;
    {
        LONG status = read_key_of_handle(hKey, [&](RegistryKey const& key) {
            if (dwIndex < key.subkeys().size())
                name = key.subkeys()[dwIndex].name();
        });
        if (status)
            return status;
    }
    if (!name)
        return ERROR_NO_MORE_ITEMS;
    if (!copy_name(*name, lpName, lpcchName))
        return ERROR_MORE_DATA;
    // Keys have no class, and the store keeps no per-key write times.
    if (lpcchClass) {
        if (lpClass && *lpcchClass > 0)
            lpClass[0] = u'\0';
        *lpcchClass = 0;
    }
    if (lpftLastWriteTime)
        *lpftLastWriteTime = FILETIME { 0, 0 };
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                          LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    std::optional<RegistryValue> value;
    {
        LONG status = read_key_of_handle(hKey, [&](RegistryKey const& key) {
            if (dwIndex < key.values().size())
                value = key.values()[dwIndex];
        });
        if (status)
            return status;
    }
    if (!value)
        return ERROR_NO_MORE_ITEMS;
    // A name that does not fit leaves both buffers and the counts alone; data
    // that does not fit still gets the name copied, as on Windows.
    if (!copy_name(value->name, lpValueName, lpcchValueName))
        return ERROR_MORE_DATA;
    return copy_value_data(*value, lpType, lpData, lpcbData);
}

namespace platform::registry {

LONG store_value(KeyPath const& path, std::u16string_view name, DWORD type, std::span<BYTE const> data)
{
    return RegistryStore::current().modify([&](RegistryKey& tree, bool& changed) -> LONG {
        RegistryKey* key = &tree;
        for (auto const& level : path) {
            bool created = false;
            key = &key->ensure_subkey(level, created);
            changed |= created;
        }
        changed |= key->set_value(name, type, data);
        return ERROR_SUCCESS;
    });
}

}
