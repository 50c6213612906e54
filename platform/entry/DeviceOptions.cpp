// The device's own answers to --help and --version, given before the program
// runs. They read only the executable's embedded resources and the process's
// environment: no front end is prepared, nothing is traced, and the device
// directory is named but never created.
#include "entry/DeviceOptions.h"

#include "registry/DeviceDirectory.h"
#include "resources/ModuleResources.h"
#include "resources/VersionInfo.h"
#include "text/CaseFold.h"
#include "text/TerminalText.h"
#include "text/Utf.h"

#include <system_error>

#ifndef CE_DEVICE_VERSION
#define CE_DEVICE_VERSION "unknown"
#endif

namespace platform::entry {

namespace {

constexpr WORD version_resource_type = 16; // RT_VERSION
constexpr WORD version_resource_name = 1;

std::optional<resources::VersionInfo> program_version_record()
{
    auto const* module = resources::ModuleResources::executable();
    if (!module)
        return std::nullopt;
    resources::ResourceId type;
    type.ordinal = version_resource_type;
    resources::ResourceId name;
    name.ordinal = version_resource_name;
    auto const* entry = module->find(type, name, resources::device_language);
    if (!entry)
        return std::nullopt;
    return resources::parse_version_info(entry->data);
}

// The string table the record's first translation names, else its first one.
resources::VersionStringTable const* string_table(resources::VersionInfo const& record)
{
    if (record.string_tables.empty())
        return nullptr;
    if (!record.translations.empty()) {
        DWORD const translation = record.translations.front();
        char wanted[9];
        std::snprintf(wanted, sizeof wanted, "%04X%04X", static_cast<unsigned>(translation & 0xFFFF),
                      static_cast<unsigned>(translation >> 16));
        for (auto const& table : record.string_tables) {
            if (text::same_ignoring_case(text::to_utf8(table.key), std::string_view(wanted)))
                return &table;
        }
    }
    return &record.string_tables.front();
}

std::optional<std::u16string> record_string(resources::VersionStringTable const* table, std::u16string_view key)
{
    if (!table)
        return std::nullopt;
    auto value = table->find(key);
    if (value && value->empty())
        return std::nullopt;
    return value;
}

std::string fixed_version(VS_FIXEDFILEINFO const& fixed)
{
    return std::to_string(fixed.dwFileVersionMS >> 16) + "." + std::to_string(fixed.dwFileVersionMS & 0xFFFF) + "."
        + std::to_string(fixed.dwFileVersionLS >> 16) + "." + std::to_string(fixed.dwFileVersionLS & 0xFFFF);
}

// "1, 0, 0, 2" as 1.0.0.2: numbers separated by commas or dots, with blanks
// around them, joined by dots. Any other text is shown as it is.
std::string dotted_version(std::u16string_view text)
{
    std::string const utf8 = text::to_utf8(text);
    std::string dotted;
    std::size_t start = 0;
    while (true) {
        std::size_t const end = utf8.find_first_of(",.", start);
        std::string_view part = std::string_view(utf8).substr(start, end == std::string::npos ? end : end - start);
        while (!part.empty() && (part.front() == ' ' || part.front() == '\t'))
            part.remove_prefix(1);
        while (!part.empty() && (part.back() == ' ' || part.back() == '\t'))
            part.remove_suffix(1);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string_view::npos)
            return text::replace_terminal_controls(utf8, '?');
        if (!dotted.empty())
            dotted += '.';
        dotted += part;
        if (end == std::string::npos)
            return dotted;
        start = end + 1;
    }
}

// The program's name and version from its version record, as
// "Velquin Application 1.0.0.2"; nullopt when it has none.
std::optional<std::string> program_version_line()
{
    auto const record = program_version_record();
    if (!record)
        return std::nullopt;
    auto const* table = string_table(*record);

    std::string version;
    if (auto const text = record_string(table, u"FileVersion"))
        version = dotted_version(*text);
    else if (record->fixed)
        version = fixed_version(*record->fixed);

    std::string name;
    if (auto const product = record_string(table, u"ProductName"))
        name = text::replace_terminal_controls(*product, '?');
    else if (auto const description = record_string(table, u"FileDescription"))
        name = text::replace_terminal_controls(*description, '?');
    else if (auto const internal = record_string(table, u"InternalName"))
        name = text::replace_terminal_controls(*internal, '?');

    if (name.empty() && version.empty())
        return std::nullopt;
    if (name.empty())
        return version;
    return version.empty() ? name : name + " " + version;
}

bool write_all(std::FILE* out, std::string const& text)
{
    std::fwrite(text.data(), 1, text.size(), out);
    return std::fflush(out) == 0 && !std::ferror(out);
}


std::string help_text(std::string_view program)
{
    std::string const name = text::replace_terminal_controls(program, '?');
    std::string const version = program_version_line().value_or(name);

    std::string directory;
    auto const path = registry::device_directory_path();
    if (path.empty()) {
        directory = "none: CE_DEVICE_DIR, XDG_DATA_HOME and HOME are all unset";
    } else {
        std::error_code ignored;
        directory = text::excerpt_for_terminal(text::replace_terminal_controls(path.string(), '?'));
        if (!std::filesystem::exists(path, ignored))
            directory += ", not created yet";
    }

    return "Usage: " + name + " [--help | --version | ARGUMENT...]\n"
        + version + "\n"
        "\n"
        "A Windows CE program, run here on an emulated Windows CE 3.0 device. The\n"
        "device answers --help (-h, /?) and --version given as the first argument;\n"
        "any other arguments reach the program as its command line.\n"
        "\n"
        "The device's environment:\n"
        "  CE_DEVICE_DIR    the directory that holds the device's registry, and in it\n"
        "                   the program's settings and the time-zone record; by\n"
        "                   default ${XDG_DATA_HOME:-~/.local/share}/ce-device\n"
        "                   (now " + directory + ")\n"
        "  CE_DEVICE_UI     the front end that shows the dialog: window, terminal or\n"
        "                   script (commands on standard input, JSON answers on\n"
        "                   standard output); unset, the window where a display\n"
        "                   opens, else the terminal\n"
        "  CE_DEVICE_SCREEN, CE_DEVICE_ZOOM, CE_DEVICE_SCREENSHOT\n"
        "                   the window's screen size (WxH), its whole-number zoom,\n"
        "                   and a PNG file that gets the screen after every change\n"
        "  CE_DEVICE_TRACE  a file to which the device adds a line for every call the\n"
        "                   program makes into it\n"
        "  TZ               the host's time zone, shown while the device has no\n"
        "                   time-zone record of its own\n"
        "  NO_COLOR, ESCDELAY, TERM\n"
        "                   as for any terminal program\n"
        "\n"
        "Exit status: the program's own (0), 74 when the device could not keep a\n"
        "change the program made (standard error says which), 2 when no front end\n"
        "can run here or a setting above cannot be honoured, 69 when the display\n"
        "went away under the window (the dialog counts as cancelled).\n"
        "\n"
        "The device's tools, beside this program: ce-reg (its registry, like reg.exe)\n"
        "and ce-tz (its time-zone record); both take --help.\n"
        "The dialog's keys, the mouse and the script commands are described in\n"
        "docs/window-front-end.md, docs/terminal.md and docs/script-front-end.md of\n"
        "the Velquin sources, which the README there links.\n";
}

}

std::optional<int> answer_device_option(std::span<char const* const> arguments, std::string_view program,
                                        std::FILE* out)
{
    if (arguments.empty() || !arguments.front())
        return std::nullopt;
    std::string_view const option = arguments.front();

    std::string answer;
    if (option == "--help" || option == "-h" || option == "/?")
        answer = help_text(program);
    else if (option == "--version")
        answer = program_version_line().value_or(text::replace_terminal_controls(program, '?') + ": no version record")
            + "\n" + device_line() + "\n";
    else
        return std::nullopt;

    if (write_all(out, answer))
        return 0;
    std::fprintf(stderr, "%s: cannot write the answer to %s\n", text::replace_terminal_controls(program, '?').c_str(),
                 option.data());
    return 1;
}

std::string device_line()
{
    return std::string("device: emulated Windows CE 3.0, platform ") + CE_DEVICE_VERSION;
}

}
