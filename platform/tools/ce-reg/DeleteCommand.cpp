// ce-reg delete: a key with everything below it, one value, or all values.
#include "RegTool.h"

namespace platform::tools {

static int ask(std::string const& question, std::string const& what)
{
    switch (confirm(question)) {
    case Answer::Yes:
        return 0;
    case Answer::No:
        return fail("The operation was cancelled; nothing was deleted.");
    case Answer::NoTerminal:
        return fail("Not deleting " + what + " without confirmation: add /f to delete without a prompt.");
    }
    return 1;
}

int run_delete(Options const& options)
{
    if (options.positional.size() != 1)
        return fail_arguments(options, 1, "KEY is missing");
    auto parsed_key = parse_key(options.positional[0]);
    if (!parsed_key)
        return fail(parsed_key.error().message);
    KeyArgument const& key_argument = *parsed_key;
    auto display = to_utf8(key_argument.display());
    bool whole_key = !options.value_name && !options.default_value && !options.all_values;
    if (whole_key && key_argument.sub_key.empty())
        return fail("a root key cannot be deleted.");
    // Nothing to delete on a device that does not exist, and nothing to create.
    if (int missing = require_device())
        return missing;

    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(key_argument.root, key_argument.sub_key.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        return fail(key_not_found(key_argument));
    if (status != ERROR_SUCCESS)
        return fail(describe_error(status));

    if (whole_key) {
        if (!options.force) {
            if (int refused = ask("Permanently delete the registry key " + display, "the key " + display)) {
                RegCloseKey(key);
                return refused;
            }
        }
        status = RegDeleteKeyW(key, u"");
    } else if (options.all_values) {
        if (!options.force) {
            if (int refused = ask("Delete all values under the registry key " + display, "the values of " + display)) {
                RegCloseKey(key);
                return refused;
            }
        }
        for (;;) {
            WCHAR name[256];
            DWORD length = 256;
            status = RegEnumValueW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS) {
                status = ERROR_SUCCESS;
                break;
            }
            if (status != ERROR_SUCCESS)
                break;
            status = RegDeleteValueW(key, std::u16string(name, length).c_str());
            if (status != ERROR_SUCCESS)
                break;
        }
    } else {
        std::u16string name = options.value_name ? to_utf16(*options.value_name) : u"";
        std::string shown = name.empty() ? "(Default)" : excerpt(to_utf8(name));
        DWORD size = 0;
        status = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, &size);
        if (status == ERROR_SUCCESS && !options.force) {
            if (int refused = ask("Delete the registry value " + shown, "the value " + shown)) {
                RegCloseKey(key);
                return refused;
            }
        }
        if (status == ERROR_SUCCESS)
            status = RegDeleteValueW(key, name.c_str());
        if (status == ERROR_FILE_NOT_FOUND) {
            RegCloseKey(key);
            return fail(value_not_found(key_argument, name));
        }
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return fail(describe_error(status));
    return succeed();
}

}
