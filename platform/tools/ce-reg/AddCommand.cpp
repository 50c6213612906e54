// ce-reg add: creates a key, and sets one of its values.
#include "RegTool.h"

#include "registry/RegFile.h"

namespace platform::tools {

int run_add(Options const& options)
{
    if (options.positional.size() != 1)
        return fail_arguments(options, 1, "KEY is missing");
    if (options.separator
        && (options.separator->empty() || !options.type || type_from_name(*options.type) != DWORD(REG_MULTI_SZ)))
        return fail_syntax("add", "/s takes one separator and goes with /t REG_MULTI_SZ only");
    auto parsed_key = parse_key(options.positional[0]);
    if (!parsed_key)
        return fail(parsed_key.error().message);
    KeyArgument const& key_argument = *parsed_key;
    if (key_argument.sub_key.empty() && !options.value_name && !options.default_value && !options.data
        && !options.type)
        return fail("a root key always exists; name a key below it");

    // As with reg.exe, /t or /d without /v sets the key's default value.
    bool sets_value = options.value_name || options.default_value || options.type || options.data;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;
    if (sets_value) {
        if (options.type) {
            auto parsed = type_from_name(*options.type);
            if (!parsed)
                return fail_syntax("add", "unknown type " + excerpt(*options.type)
                                              + " (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, "
                                                "REG_BINARY, REG_NONE, REG_DWORD_BIG_ENDIAN)");
            type = *parsed;
        }
        auto bytes = parse_data(type, options.data.value_or(""), options.separator.value_or("\\0"));
        if (!bytes)
            return fail(bytes.error().message + ".");
        data = std::move(*bytes);
    }

    std::u16string name = options.value_name ? to_utf16(*options.value_name) : u"";
    if (!platform::registry::is_valid_value_name(name))
        return fail(describe_error(ERROR_INVALID_PARAMETER));

    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExW(key_argument.root, key_argument.sub_key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (status != ERROR_SUCCESS)
        return fail(describe_error(status));
    if (!sets_value) {
        RegCloseKey(key);
        return succeed();
    }

    DWORD size = 0;
    status = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, &size);
    if (status == ERROR_SUCCESS && !options.force) {
        std::string shown = name.empty() ? "(Default)" : excerpt(to_utf8(name));
        switch (confirm("Value " + shown + " exists, overwrite")) {
        case Answer::Yes:
            break;
        case Answer::No:
            RegCloseKey(key);
            return fail("The operation was cancelled; the value is unchanged.");
        case Answer::NoTerminal:
            RegCloseKey(key);
            return fail("Value " + shown + " exists; add /f to overwrite it without a prompt.");
        }
    }
    status = RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return fail(describe_error(status));
    return succeed();
}

}
