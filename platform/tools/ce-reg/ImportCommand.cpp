// ce-reg import: a .reg file (version 5 or REGEDIT4, UTF-16 or UTF-8) into
// the registry. The whole file is parsed first and applied in one locked save,
// so a file with an error anywhere changes nothing.
#include "RegTool.h"

#include "registry/RegFile.h"
#include "registry/RegistryStore.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

namespace platform::tools {

int run_import(Options const& options)
{
    if (options.positional.size() != 1)
        return fail_arguments(options, 1, "FILE is missing");
    // "-" is standard input, so that an export can be piped back in.
    std::string const& file = options.positional[0];
    std::string const shown = file == "-" ? "standard input" : file;
    std::string bytes;
    if (file == "-") {
        bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad())
            return fail("cannot read standard input.");
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return fail("cannot read " + file + ": " + std::strerror(errno) + ".");
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad())
            return fail("cannot read " + file + ".");
    }

    auto parsed = platform::registry::parse_reg_file(
        std::span(reinterpret_cast<BYTE const*>(bytes.data()), bytes.size()), platform::registry::RegFileUse::Import);
    if (!parsed.ok())
        return fail("cannot import " + shown + ", " + parsed.error + "; nothing was changed.");

    LONG status = platform::registry::RegistryStore::current().modify(
        [&](platform::registry::RegistryKey& tree, bool& changed) -> LONG {
            platform::registry::apply_reg_edits(tree, parsed.edits);
            changed = true;
            return ERROR_SUCCESS;
        });
    if (status != ERROR_SUCCESS)
        return fail(describe_error(status));
    return succeed();
}

}
