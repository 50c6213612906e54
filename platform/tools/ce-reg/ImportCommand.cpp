// ce-reg import: a .reg file (version 5 or REGEDIT4, UTF-16 or UTF-8) into
// the registry. The whole file is parsed first and applied in one locked save,
// so a file with an error anywhere changes nothing. What is read is bounded by
// the device's limit on a hive, whatever FILE is: a huge file, a device such
// as /dev/zero or a pipe that never ends is refused once that much has come.
#include "RegTool.h"

#include "registry/HiveFile.h"
#include "registry/RegFile.h"
#include "registry/RegistryStore.h"
#include "text/FileKind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

namespace platform::tools {

namespace {

using platform::registry::max_hive_size;

std::string too_large(std::string const& shown, std::string const& size)
{
    return "cannot import " + shown + ": it holds " + size + " bytes, more than the " + std::to_string(max_hive_size)
        + " the device keeps; nothing was changed.";
}

// The whole of FILE ("-": standard input), or why it cannot be had.
platform::Result<std::vector<char>> read_input(std::string const& file, std::string const& shown)
{
    auto const cannot_read = [&](int code) {
        return platform::Error { "cannot read " + shown + ": " + std::strerror(code) + ".", code };
    };
    int fd = STDIN_FILENO;
    if (file != "-") {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0)
            return cannot_read(errno);
        if (S_ISDIR(st.st_mode))
            return platform::Error { "cannot import " + shown + ": it is " + platform::text::file_kind(st.st_mode) + ".",
                                     EISDIR };
        if (S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) > max_hive_size)
            return platform::Error { too_large(shown, std::to_string(st.st_size)), EFBIG };
        // A FIFO is read as a pipe is (ce-reg import <(...)): it waits for
        // its writer.
        fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return cannot_read(errno);
    }
    struct Closer {
        int fd;
        ~Closer()
        {
            if (fd != STDIN_FILENO)
                ::close(fd);
        }
    } closer { fd };
    std::vector<char> bytes;
    if (auto read = platform::registry::read_to_end(fd, max_hive_size, bytes); !read && read.error().code == EFBIG)
        return platform::Error { too_large(shown, "more than " + std::to_string(max_hive_size)), EFBIG };
    else if (!read)
        return cannot_read(read.error().code);
    return bytes;
}

int import_file(Options const& options)
{
    if (options.positional.size() != 1)
        return fail_arguments(options, 1, "FILE is missing");
    // "-" is standard input, so that an export can be piped back in.
    std::string const& file = options.positional[0];
    std::string const shown = file == "-" ? "standard input" : platform::text::excerpt_for_terminal(file);
    auto input = read_input(file, shown);
    if (!input)
        return fail(input.error().message);
    std::vector<char> bytes = std::move(*input);

    auto parsed = platform::registry::parse_reg_file(
        std::span(reinterpret_cast<BYTE const*>(bytes.data()), bytes.size()), platform::registry::RegFileUse::Import);
    if (!parsed)
        return fail("cannot import " + shown + ", " + parsed.error().message + "; nothing was changed.");
    std::vector<char>().swap(bytes);

    LONG status = platform::registry::RegistryStore::current().modify(
        [&](platform::registry::RegistryKey& tree, bool& changed) -> LONG {
            platform::registry::apply_reg_edits(tree, *parsed);
            changed = true;
            return ERROR_SUCCESS;
        });
    if (status != ERROR_SUCCESS)
        return fail(describe_error(status));
    return succeed();
}

}

int run_import(Options const& options)
{
    // Whatever the libraries throw ends the command with a message, never an
    // abort; a change is saved whole or not at all, so nothing is half done.
    try {
        return import_file(options);
    } catch (std::bad_alloc const&) {
        return fail("cannot import: out of memory; nothing was changed.");
    } catch (std::exception const& error) {
        return fail(std::string("cannot import: ") + error.what() + ".");
    }
}

}
