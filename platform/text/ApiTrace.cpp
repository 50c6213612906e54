// Writing the call trace named by CE_DEVICE_TRACE.
#include "text/ApiTrace.h"

#include "text/FileKind.h"
#include "text/JsonText.h"
#include "text/TerminalText.h"
#include "text/Utf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

namespace platform::trace {

static thread_local int depth = 0;

// The trace file, opened for appending as a regular file only: a FIFO would
// hold up the first traced call until something read it, and every later one
// whenever its reader fell behind; a device is no log. Nothing is opened
// before it has been looked at, and the opening itself never waits.
static std::FILE* open_trace(char const* path)
{
    auto refuse = [&](std::string const& why) {
        std::fprintf(stderr, "device: cannot open the call trace %s: %s; tracing is off\n",
                     text::excerpt_for_terminal(path).c_str(), why.c_str());
        return static_cast<std::FILE*>(nullptr);
    };
    struct stat st {};
    if (::stat(path, &st) == 0 && !S_ISREG(st.st_mode))
        return refuse("it is " + text::file_kind(st.st_mode) + ", not a regular file");
    int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return refuse(std::strerror(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuse("it is " + text::file_kind(st.st_mode) + ", not a regular file");
    }
    std::FILE* file = ::fdopen(fd, "a");
    if (!file) {
        ::close(fd);
        return refuse(std::strerror(errno));
    }
    return file;
}

static std::FILE* trace_file()
{
    // Opened once, on the first traced call; a trace that cannot be opened is
    // reported once and then left off.
    static std::FILE* file = [] {
        char const* path = std::getenv("CE_DEVICE_TRACE");
        if (!path || !*path)
            return static_cast<std::FILE*>(nullptr);
        return open_trace(path);
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
    return text::json_for_terminal(nlohmann::json(text::to_utf8(text)));
}

}
