// ce-reg export: a key and everything below it, as a .reg file that regedit
// and reg.exe import: "Windows Registry Editor Version 5.00", UTF-16LE with a
// byte-order mark, CRLF line ends, every value byte for byte.
#include "RegTool.h"

#include "registry/RegFile.h"
#include "registry/RegistryStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::tools {

using platform::registry::KeyPath;
using platform::registry::RegistryKey;

// Writes the whole file or leaves what was there: a temporary file beside it,
// renamed over it once complete.
static std::string write_file_atomically(std::string const& path, std::string const& bytes)
{
    std::string temp = path + ".tmp-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return std::strerror(errno);
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size() && !error) {
        ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno != EINTR)
            error = errno;
        else if (wrote > 0)
            done += static_cast<std::size_t>(wrote);
    }
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return std::strerror(error);
    }
    return {};
}

int run_export(Options const& options)
{
    if (options.positional.size() != 2)
        return fail_syntax("export", options.positional.size() < 2 ? "KEY and FILE are needed" : "too many arguments");
    KeyArgument key_argument;
    if (!parse_key(options.positional[0], key_argument))
        return 1;
    std::string const& file = options.positional[1];

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
        return fail(describe_error(ERROR_FILE_NOT_FOUND));

    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return fail(file + " is a directory.");
        if (!options.force) {
            switch (confirm("File " + file + " already exists. Overwrite")) {
            case Answer::Yes:
                break;
            case Answer::No:
                return fail("The operation was cancelled; " + file + " is unchanged.");
            case Answer::NoTerminal:
                return fail("File " + file + " exists; add /y to overwrite it without a prompt.");
            }
        }
    }
    auto error = write_file_atomically(file, text);
    if (!error.empty())
        return fail("cannot write " + file + ": " + error + ".");
    return succeed();
}

}
