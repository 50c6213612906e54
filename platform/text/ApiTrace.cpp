// Writing the call trace named by CE_DEVICE_TRACE.
#include "text/ApiTrace.h"

#include "text/Utf.h"

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace platform::trace {

static thread_local int depth = 0;

static std::FILE* trace_file()
{
    // Opened once, on the first traced call; a trace that cannot be opened is
    // reported once and then left off.
    static std::FILE* file = [] {
        char const* path = std::getenv("CE_DEVICE_TRACE");
        if (!path || !*path)
            return static_cast<std::FILE*>(nullptr);
        std::FILE* opened = std::fopen(path, "a");
        if (!opened)
            std::fprintf(stderr, "device: cannot open the call trace %s; tracing is off\n", path);
        return opened;
    }();
    return file;
}

bool enabled()
{
    return depth == 0 && trace_file() != nullptr;
}

void write_line(std::string_view function, std::string_view details)
{
    std::FILE* file = trace_file();
    if (!file || depth != 0)
        return;
    std::string line(function);
    if (!details.empty()) {
        line += ' ';
        line += details;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
}

void TracedCall::enter()
{
    ++depth;
}

void TracedCall::leave()
{
    --depth;
}

std::string quoted(std::u16string_view text)
{
    return nlohmann::json(text::to_utf8(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}
