// ce-reg export: a key and everything below it, as a .reg file that regedit
// and reg.exe import: "Windows Registry Editor Version 5.00", UTF-16LE with a
// byte-order mark, CRLF line ends, every value byte for byte.
#include "RegTool.h"

#include "registry/HiveFile.h"
#include "registry/RegFile.h"
#include "registry/RegistryStore.h"
#include "text/Result.h"
#include "text/WriteAll.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace platform::tools {

using platform::registry::KeyPath;
using platform::registry::RegistryKey;

namespace {

// Where an export goes, once the FILE argument has been looked at.
struct Target {
    enum class Kind {
        standard_output, // "-", or a name for this process's standard output
        in_place,        // a FIFO, a device: written where it is, never replaced
        new_file,        // nothing there yet: created whole
        regular_file,    // an existing file: replaced whole, keeping its mode
    };
    Kind kind = Kind::new_file;
    std::string path;   // the file to write: symbolic links followed
    struct stat st {};  // of an existing target
};

// Follows a chain of symbolic links whose last one names nothing yet, so that
// the export creates the file the link points to and the link stays. Fails
// when the chain loops, runs too long or cannot be read.
platform::Result<std::string> dangling_link_target(std::string path)
{
    platform::Error const cannot_follow { "the symbolic link cannot be followed.", ELOOP };
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return path;
            return cannot_follow;
        }
        if (!S_ISLNK(st.st_mode))
            return path;
        std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
        ssize_t const length = ::readlink(path.c_str(), link.data(), link.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= link.size())
            return cannot_follow;
        link.resize(static_cast<std::size_t>(length));
        if (link[0] == '/')
            path = link;
        else
            path = std::filesystem::path(path).parent_path() / link;
    }
    return cannot_follow;
}

// What FILE names: "-" is standard output; anything else is looked at through
// its symbolic links, so that a link is written through and stays a link.
platform::Result<Target> find_target(std::string const& file)
{
    std::string const shown = platform::text::excerpt_for_terminal(file);
    Target target;
    if (file == "-") {
        target.kind = Target::Kind::standard_output;
        return target;
    }
    if (::stat(file.c_str(), &target.st) != 0) {
        if (errno != ENOENT) {
            int const code = errno;
            return platform::Error { "cannot write " + shown + ": " + std::strerror(code) + ".", code };
        }
        auto followed = dangling_link_target(file);
        if (!followed)
            return platform::Error { "cannot write " + shown + ": " + followed.error().message, followed.error().code };
        target.path = std::move(*followed);
        target.kind = Target::Kind::new_file;
        return target;
    }
    struct stat out {};
    if (::fstat(STDOUT_FILENO, &out) == 0 && out.st_dev == target.st.st_dev && out.st_ino == target.st.st_ino) {
        // /dev/stdout, /proc/self/fd/1 or the file that standard output is
        // redirected to: the stream, not a file to replace.
        target.kind = Target::Kind::standard_output;
        return target;
    }
    if (S_ISDIR(target.st.st_mode))
        return platform::Error { shown + " is a directory.", EISDIR };
    if (!S_ISREG(target.st.st_mode) || target.st.st_nlink > 1) {
        // A FIFO or a device is no file of ours to replace; nor is a file with
        // other names, which a rename would leave holding the old content.
        target.kind = Target::Kind::in_place;
        target.path = file;
        return target;
    }
    char* real = ::realpath(file.c_str(), nullptr);
    if (!real) {
        int const code = errno;
        return platform::Error { "cannot write " + shown + ": " + std::strerror(code) + ".", code };
    }
    target.path = real;
    std::free(real);
    target.kind = Target::Kind::regular_file;
    return target;
}

// Writes the whole file or leaves what was there: a temporary file beside it,
// flushed, then renamed over it. An existing file keeps its mode and, where
// the user may keep it, its owner.
platform::Result<void> write_file_atomically(Target const& target, std::string const& bytes)
{
    auto const failed = [](int code) { return platform::Error { std::strerror(code), code }; };
    std::string temp = target.path + ".tmp-XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return failed(errno);
    int error = 0;
    if (target.kind == Target::Kind::regular_file) {
        (void)platform::registry::copy_mode_and_owner(fd, target.st);
    } else {
        mode_t const mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd, 0666 & ~mask) != 0)
            error = errno;
    }
    if (!error && !platform::text::write_all_raw(fd, bytes.data(), bytes.size()))
        error = errno;
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temp.c_str(), target.path.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return failed(error);
    }
    auto const directory = std::filesystem::path(target.path).parent_path();
    int const dir_fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        ::fsync(dir_fd);
        ::close(dir_fd);
    }
    return {};
}

// A FIFO, a device or a file with several names: opened and written where it is.
platform::Result<void> write_in_place(Target const& target, std::string const& bytes)
{
    auto const failed = [](int code) { return platform::Error { std::strerror(code), code }; };
    int const fd = ::open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC
                              | (S_ISREG(target.st.st_mode) ? O_TRUNC : 0));
    if (fd < 0)
        return failed(errno);
    if (::isatty(fd)) {
        ::close(fd);
        return platform::Error { "it is a terminal, and an export is UTF-16 text for a file", ENOTTY };
    }
    int error = platform::text::write_all_raw(fd, bytes.data(), bytes.size()) ? 0 : errno;
    if (!error && S_ISREG(target.st.st_mode) && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error)
        return failed(error);
    return {};
}

}

int run_export(Options const& options)
{
    if (options.positional.size() != 2)
        return fail_arguments(options, 2, "KEY and FILE are needed");
    auto parsed_key = parse_key(options.positional[0]);
    if (!parsed_key)
        return fail(parsed_key.error().message);
    KeyArgument const& key_argument = *parsed_key;
    if (int missing = require_device())
        return missing;
    std::string const& file = options.positional[1];
    std::string const shown = platform::text::excerpt_for_terminal(file);

    KeyPath wanted { key_argument.root_name };
    if (!key_argument.sub_key.empty()) {
        std::size_t start = 0;
        for (;;) {
            auto at = key_argument.sub_key.find(u'\\', start);
            wanted.push_back(key_argument.sub_key.substr(start, at == std::u16string::npos ? at : at - start));
            if (wanted.back().empty())
                return fail(describe_error(ERROR_BAD_PATHNAME));
            if (at == std::u16string::npos)
                break;
            start = at + 1;
        }
    }
    std::string text;
    bool found = false;
    LONG status = platform::registry::RegistryStore::current().read([&](RegistryKey const& tree) {
        // The file names every key as it is spelt in the registry.
        RegistryKey const* key = &tree;
        KeyPath path;
        for (auto const& name : wanted) {
            key = key->find_subkey(name);
            if (!key)
                return;
            path.push_back(key->name());
        }
        found = true;
        text = platform::registry::format_reg_key(*key, path, platform::registry::RegFileEncoding::Utf16Crlf);
    });
    if (status != ERROR_SUCCESS)
        return fail(describe_error(status));
    if (!found)
        return fail(key_not_found(key_argument));

    auto const target = find_target(file);
    if (!target)
        return fail(target.error().message);
    if (target->kind == Target::Kind::standard_output) {
        if (::isatty(STDOUT_FILENO))
            return fail("Standard output is a terminal, and an export is UTF-16 text for a file: redirect it, or "
                        "name a file.");
        if (auto written = platform::text::write_all(STDOUT_FILENO, text); !written)
            return fail("cannot write the export to standard output: " + written.error().message + ".");
        // The export is the whole output; the success message would end up in it.
        return 0;
    }
    if (target->kind != Target::Kind::new_file && S_ISREG(target->st.st_mode) && !options.force) {
        switch (confirm("File " + shown + " already exists. Overwrite")) {
        case Answer::Yes:
            break;
        case Answer::No:
            return fail("The operation was cancelled; " + shown + " is unchanged.");
        case Answer::NoTerminal:
            return fail("File " + shown + " exists; add /y to overwrite it without a prompt.");
        }
    }
    auto const written = target->kind == Target::Kind::in_place ? write_in_place(*target, text)
                                                                : write_file_atomically(*target, text);
    if (!written)
        return fail("cannot write " + shown + ": " + written.error().message + ".");
    return succeed();
}

}
