// ce-reg query: a key's values and subkeys, as reg.exe shows them.
#include "RegTool.h"

#include "registry/RegistryKey.h"
#include "text/CaseFold.h"
#include "text/TerminalText.h"

#include <cstdio>

namespace platform::tools {

namespace {

struct Value {
    std::u16string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

// A value through RegEnumValueW, growing the buffer until the data fits.
LONG enum_value(HKEY key, DWORD index, Value& value)
{
    std::vector<BYTE> data(256);
    for (;;) {
        WCHAR name[256];
        DWORD name_length = 256;
        DWORD size = static_cast<DWORD>(data.size());
        LONG status = RegEnumValueW(key, index, name, &name_length, nullptr, &value.type, data.data(), &size);
        if (status == ERROR_MORE_DATA && size > data.size()) {
            data.resize(size);
            continue;
        }
        if (status != ERROR_SUCCESS)
            return status;
        value.name.assign(name, name_length);
        data.resize(size);
        value.data = std::move(data);
        return ERROR_SUCCESS;
    }
}

// The value's name as the registry spells it, which may differ in case from
// the name asked for.
std::u16string stored_name(HKEY key, std::u16string const& name)
{
    auto folded = platform::text::fold_case(name);
    for (DWORD i = 0;; ++i) {
        WCHAR candidate[256];
        DWORD length = 256;
        if (RegEnumValueW(key, i, candidate, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return name;
        std::u16string found(candidate, length);
        if (platform::text::fold_case(found) == folded)
            return found;
    }
}

LONG query_value(HKEY key, std::u16string const& name, Value& value)
{
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (status != ERROR_SUCCESS)
        return status;
    value.name = stored_name(key, name);
    value.data.resize(size);
    for (;;) {
        size = static_cast<DWORD>(value.data.size());
        status = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(), &size);
        if (status == ERROR_MORE_DATA) {
            value.data.resize(size);
            continue;
        }
        value.data.resize(size);
        return status;
    }
}

std::vector<std::u16string> subkeys_of(HKEY key)
{
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

// Names, data and paths come from the registry: nothing in them may steer the
// terminal, so every control character (C0, DEL, C1, bidirectional) shows as '?'.
std::string shown(std::u16string const& text)
{
    return platform::text::replace_terminal_controls(text, '?');
}

void print_value(Value const& value)
{
    std::string name = value.name.empty() ? "(Default)" : shown(value.name);
    std::printf("    %s    %s    %s\n", name.c_str(), type_name(value.type).c_str(),
                format_data(value.type, value.data).c_str());
}

class Query {
public:
    explicit Query(Options const& options)
        : m_options(options)
    {
    }

    // Prints one key (and with /s everything below it); false on an error.
    LONG show(HKEY key, std::u16string const& path)
    {
        bool selected = m_options.value_name || m_options.default_value;
        if (selected) {
            std::u16string name = m_options.default_value ? u"" : to_utf16(*m_options.value_name);
            Value value;
            LONG status = query_value(key, name, value);
            if (status == ERROR_SUCCESS) {
                std::printf("\n%s\n", shown(path).c_str());
                print_value(value);
                ++m_matches;
            } else if (status != ERROR_FILE_NOT_FOUND) {
                return status;
            }
        } else {
            std::printf("\n%s\n", shown(path).c_str());
            for (DWORD i = 0;; ++i) {
                Value value;
                LONG status = enum_value(key, i, value);
                if (status == ERROR_NO_MORE_ITEMS)
                    break;
                if (status != ERROR_SUCCESS)
                    return status;
                print_value(value);
            }
        }
        auto subkeys = subkeys_of(key);
        if (!m_options.recursive) {
            if (!selected && !subkeys.empty()) {
                std::printf("\n");
                for (auto const& name : subkeys)
                    std::printf("%s\n", shown(path + u"\\" + name).c_str());
            }
            return ERROR_SUCCESS;
        }
        for (auto const& name : subkeys) {
            HKEY child = nullptr;
            LONG status = RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &child);
            if (status == ERROR_FILE_NOT_FOUND)
                continue; // deleted meanwhile
            if (status != ERROR_SUCCESS)
                return status;
            status = show(child, path + u"\\" + name);
            RegCloseKey(child);
            if (status != ERROR_SUCCESS)
                return status;
        }
        return ERROR_SUCCESS;
    }

    int matches() const { return m_matches; }

private:
    Options const& m_options;
    int m_matches = 0;
};

}

int run_query(Options const& options)
{
    if (options.positional.size() != 1)
        return fail_arguments(options, 1, "KEY is missing");
    auto parsed_key = parse_key(options.positional[0]);
    if (!parsed_key)
        return fail(parsed_key.error().message);
    KeyArgument const& key_argument = *parsed_key;
    if (int missing = require_device())
        return missing;
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(key_argument.root, key_argument.sub_key.c_str(), 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        return fail(key_not_found(key_argument));
    if (status != ERROR_SUCCESS)
        return fail(describe_error(status));
    Query query(options);
    status = query.show(key, key_argument.display());
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return fail(describe_error(status));
    bool selected = options.value_name || options.default_value;
    if (selected && options.recursive) {
        std::printf("End of search: %d match(es) found.\n", query.matches());
        return 0;
    }
    if (selected && query.matches() == 0)
        return fail(value_not_found(key_argument,
                                    options.default_value ? std::u16string() : to_utf16(*options.value_name)));
    std::printf("\n");
    return 0;
}

}
