// ce-reg's shared pieces: command-line parsing, messages, the prompt, and
// value data to and from text.
#include "RegTool.h"

#include "registry/DeviceDirectory.h"
#include "registry/RegNames.h"
#include "registry/RegistryKey.h"
#include "text/CaseFold.h"
#include "text/TerminalText.h"
#include "text/Utf.h"
#include "tools/VisibleText.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <iostream>

namespace platform::tools {

std::string to_utf8(std::u16string_view text)
{
    return platform::text::to_utf8(text);
}

std::u16string to_utf16(std::string_view text)
{
    return platform::text::to_utf16(text);
}

std::string excerpt(std::string_view text)
{
    return platform::text::excerpt_for_terminal(text);
}

std::string in_quotes(std::string_view text)
{
    return "\"" + excerpt(text) + "\"";
}

platform::Result<KeyArgument> parse_key(std::string const& text)
{
    KeyArgument key;
    auto wide = to_utf16(text);
    auto slash = wide.find(u'\\');
    auto root_text = wide.substr(0, slash);
    key.root_name = platform::registry::canonical_root_name(root_text, true);
    if (key.root_name.empty()) {
        // HKLM/Software/Corvane: a root, then forward slashes.
        auto const forward = root_text.find(u'/');
        if (forward != std::u16string::npos
            && !platform::registry::canonical_root_name(root_text.substr(0, forward), true).empty()) {
            std::string suggested = text;
            std::replace(suggested.begin(), suggested.end(), '/', '\\');
            return platform::Error { "Invalid key name: " + in_quotes(text) + ". Keys are written with backslashes: " + in_quotes(suggested)
                 + "." };
        }
        // HKLMTime: a root glued to more letters is what the shell leaves of
        // an unquoted HKLM\Time. No root is longer than HKEY_LOCAL_MACHINE, so
        // a long word costs no more than a short one.
        std::size_t const longest_root = std::u16string_view(u"HKEY_LOCAL_MACHINE").size();
        for (std::size_t length = 1; length < root_text.size() && length <= longest_root; ++length) {
            char16_t const next = root_text[length];
            bool const letter = (next >= u'A' && next <= u'Z') || (next >= u'a' && next <= u'z');
            if (letter && !platform::registry::canonical_root_name(root_text.substr(0, length), true).empty()) {
                return platform::Error { "Invalid key name: " + in_quotes(text) + ". The shell may have removed a backslash from it: "
                     "put the key in quotes, such as \"" + to_utf8(root_text.substr(0, length)) + "\\...\"." };
            }
        }
        return platform::Error { "Invalid key name: " + in_quotes(text)
             + ". A key starts with HKLM, HKCU, HKCR or HKU (or HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, "
               "HKEY_CLASSES_ROOT, HKEY_USERS)." };
    }
    key.root = key.root_name == u"HKEY_LOCAL_MACHINE" ? HKEY_LOCAL_MACHINE
        : key.root_name == u"HKEY_CURRENT_USER"       ? HKEY_CURRENT_USER
        : key.root_name == u"HKEY_CLASSES_ROOT"       ? HKEY_CLASSES_ROOT
                                                      : HKEY_USERS;
    key.sub_key = slash == std::u16string::npos ? std::u16string() : wide.substr(slash + 1);
    while (!key.sub_key.empty() && key.sub_key.back() == u'\\')
        key.sub_key.pop_back();
    if (!key.sub_key.empty() && key.sub_key[0] == u'\\') {
        return platform::Error { "Invalid key name: " + in_quotes(text) + "." };
    }
    return key;
}

int fail(std::string const& message)
{
    std::fprintf(stderr, "ERROR: %s\n", visible(message).c_str());
    return 1;
}

int fail_syntax(std::string const& command, std::string const& message)
{
    std::fprintf(stderr, "ERROR: Invalid syntax: %s.\nType \"ce-reg %s%s/?\" for usage.\n", visible(message).c_str(),
                 command.c_str(), command.empty() ? "" : " ");
    return 1;
}

std::string key_not_found(KeyArgument const& key)
{
    return describe_error(ERROR_FILE_NOT_FOUND) + " No key " + excerpt(to_utf8(key.display())) + ".";
}

std::string value_not_found(KeyArgument const& key, std::u16string const& name)
{
    return describe_error(ERROR_FILE_NOT_FOUND)
        + (name.empty() ? " No default value" : " No value " + in_quotes(to_utf8(name))) + " in "
        + excerpt(to_utf8(key.display())) + ".";
}

int require_device()
{
    auto const directory = platform::registry::device_directory_path();
    struct stat st {};
    if (directory.empty() || ::stat(directory.c_str(), &st) == 0 || errno != ENOENT)
        return 0; // the store says what is wrong with anything but a missing directory
    return fail("There is no device at " + platform::text::excerpt_for_terminal(directory.string())
                + " (the directory does not exist; check CE_DEVICE_DIR). Only add and import create a device.");
}

int succeed()
{
    std::printf("The operation completed successfully.\n");
    return 0;
}

std::string describe_error(LONG status)
{
    switch (status) {
    case ERROR_FILE_NOT_FOUND:
        return "The system was unable to find the specified registry key or value.";
    case ERROR_ACCESS_DENIED:
        return "Access is denied.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect (names have at most 255 characters, keys at most 16 levels).";
    case ERROR_BAD_PATHNAME:
        return "The specified path is invalid.";
    case ERROR_DISK_FULL:
        return "There is not enough space on the disk; the registry was not changed.";
    case ERROR_REGISTRY_CORRUPT:
        return "The registry file cannot be parsed (see the message above); it was not changed.";
    case ERROR_REGISTRY_IO_FAILED:
        return "The registry file could not be read or written (see the message above).";
    case ERROR_PATH_NOT_FOUND:
        return "The device directory cannot be used (see the message above).";
    case ERROR_KEY_DELETED:
        return "The key was deleted meanwhile.";
    case ERROR_LOCK_VIOLATION:
        return "The registry could not be locked (see the message above).";
    default:
        return "The registry call failed with error " + std::to_string(status) + ".";
    }
}

Answer confirm(std::string const& question)
{
    if (!::isatty(STDIN_FILENO))
        return Answer::NoTerminal;
    for (;;) {
        std::printf("%s (Yes/No)? ", visible(question).c_str());
        std::fflush(stdout);
        std::string line;
        if (!std::getline(std::cin, line))
            return Answer::No;
        auto const answer = platform::text::fold_case(std::string_view(line));
        if (answer == "y" || answer == "yes")
            return Answer::Yes;
        if (answer == "n" || answer == "no")
            return Answer::No;
    }
}

static std::pair<DWORD, char const*> const type_names[] = {
    { REG_NONE, "REG_NONE" },
    { REG_SZ, "REG_SZ" },
    { REG_EXPAND_SZ, "REG_EXPAND_SZ" },
    { REG_BINARY, "REG_BINARY" },
    { REG_DWORD, "REG_DWORD" },
    { REG_DWORD_BIG_ENDIAN, "REG_DWORD_BIG_ENDIAN" },
    { REG_LINK, "REG_LINK" },
    { REG_MULTI_SZ, "REG_MULTI_SZ" },
    { REG_QWORD, "REG_QWORD" },
};

std::string type_name(DWORD type)
{
    for (auto const& [value, name] : type_names) {
        if (value == type)
            return name;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%" PRIx32, type);
    return buffer;
}

std::optional<DWORD> type_from_name(std::string const& name)
{
    static char const* const addable[] = { "REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY",
                                           "REG_DWORD", "REG_DWORD_BIG_ENDIAN", "REG_MULTI_SZ", "REG_QWORD" };
    for (auto const& [value, type] : type_names) {
        if (platform::text::same_ignoring_case(name, type)
            && std::find_if(std::begin(addable), std::end(addable), [&](char const* a) { return std::string_view(a) == type; })
                != std::end(addable))
            return value;
    }
    return std::nullopt;
}

// Text as query shows it: anything that could steer a terminal (C0, DEL, C1,
// bidirectional controls) becomes '?'.
static std::string shown(std::u16string_view text)
{
    return platform::text::replace_terminal_controls(text, '?');
}

std::string format_data(DWORD type, std::vector<BYTE> const& data)
{
    char buffer[32];
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        auto units = platform::registry::utf16le_units(data);
        return shown(std::u16string_view(units).substr(0, units.find(u'\0')));
    }
    case REG_MULTI_SZ: {
        auto units = platform::registry::utf16le_units(data);
        std::string out;
        std::size_t start = 0;
        while (start < units.size()) {
            auto end = units.find(u'\0', start);
            if (end == start)
                break; // the empty string that ends the list
            if (!out.empty())
                out += "\\0";
            out += shown(std::u16string_view(units).substr(start, end == std::u16string::npos ? end : end - start));
            if (end == std::u16string::npos)
                break;
            start = end + 1;
        }
        return out;
    }
    case REG_DWORD:
        if (data.size() == 4) {
            DWORD v = data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
            std::snprintf(buffer, sizeof buffer, "0x%" PRIx32, v);
            return buffer;
        }
        break;
    case REG_DWORD_BIG_ENDIAN:
        if (data.size() == 4) {
            DWORD v = static_cast<DWORD>(data[0]) << 24 | data[1] << 16 | data[2] << 8 | data[3];
            std::snprintf(buffer, sizeof buffer, "0x%" PRIx32, v);
            return buffer;
        }
        break;
    case REG_QWORD:
        if (data.size() == 8) {
            std::uint64_t v = 0;
            for (int i = 7; i >= 0; --i)
                v = v << 8 | data[static_cast<std::size_t>(i)];
            std::snprintf(buffer, sizeof buffer, "0x%" PRIx64, v);
            return buffer;
        }
        break;
    default:
        break;
    }
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (BYTE b : data) {
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

// Decimal, or hex after 0x, as reg.exe takes numbers.
static std::optional<std::uint64_t> parse_number(std::string const& text, std::uint64_t max)
{
    std::string_view digits = text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value > max)
        return std::nullopt;
    return value;
}

// The text and its terminating zero character, as REG_SZ data holds it.
static void append_text(std::vector<BYTE>& bytes, std::u16string text)
{
    text += u'\0';
    auto const units = platform::registry::utf16le_bytes(text);
    bytes.insert(bytes.end(), units.begin(), units.end());
}

platform::Result<std::vector<BYTE>> parse_data(DWORD type, std::string const& data, std::string const& separator)
{
    std::vector<BYTE> bytes;
    switch (type) {
    case REG_NONE:
    case REG_SZ:
    case REG_EXPAND_SZ:
        append_text(bytes, to_utf16(data));
        return bytes;
    case REG_MULTI_SZ: {
        // "a\0b" is the list of a and b; a separator of one's own may stand
        // for \0 (/s). An empty string inside the list would end it early.
        std::vector<std::string> parts;
        if (!data.empty()) {
            std::size_t start = 0;
            for (;;) {
                auto at = data.find(separator, start);
                parts.push_back(data.substr(start, at == std::string::npos ? at : at - start));
                if (at == std::string::npos)
                    break;
                start = at + separator.size();
            }
            if (parts.size() > 1 && parts.back().empty())
                parts.pop_back();
        }
        for (auto const& part : parts) {
            if (part.empty()) {
                return platform::Error { "REG_MULTI_SZ data cannot hold an empty string (" + platform::text::quote_for_terminal(data) + ")" };
            }
            append_text(bytes, to_utf16(part));
        }
        bytes.push_back(0);
        bytes.push_back(0);
        return bytes;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        auto value = data.empty() ? std::optional<std::uint64_t>(0) : parse_number(data, 0xFFFFFFFFu);
        if (!value) {
            return platform::Error { platform::text::quote_for_terminal(data) + " is not a REG_DWORD number (0 to 4294967295, or 0x0 to 0xffffffff)" };
        }
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<BYTE>(*value >> (type == REG_DWORD ? 8 * i : 24 - 8 * i)));
        return bytes;
    }
    case REG_QWORD: {
        auto value = data.empty() ? std::optional<std::uint64_t>(0) : parse_number(data, UINT64_MAX);
        if (!value) {
            return platform::Error { platform::text::quote_for_terminal(data) + " is not a REG_QWORD number (decimal, or hex after 0x)" };
        }
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<BYTE>(*value >> (8 * i)));
        return bytes;
    }
    case REG_BINARY: {
        if (data.size() % 2 != 0) {
            return platform::Error { "REG_BINARY data takes hex digits in pairs, two for each byte (" + platform::text::quote_for_terminal(data) + ")" };
        }
        for (std::size_t i = 0; i < data.size(); i += 2) {
            unsigned value = 0;
            auto [end, ec] = std::from_chars(data.data() + i, data.data() + i + 2, value, 16);
            if (ec != std::errc() || end != data.data() + i + 2) {
                return platform::Error { "REG_BINARY data takes hex digits only (" + platform::text::quote_for_terminal(data) + ")" };
            }
            bytes.push_back(static_cast<BYTE>(value));
        }
        return bytes;
    }
    default:
        return platform::Error { "unsupported type" };
    }
}

}
