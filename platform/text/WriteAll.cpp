// The device's one write loop.
#include "text/WriteAll.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace platform::text {

namespace {

// `write_some(done)` writes from the byte at `done` and returns what write(2)
// or pwrite(2) does.
template<typename WriteSome>
bool write_fully(std::size_t size, WriteSome write_some) noexcept
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t const wrote = write_some(done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (wrote == 0) {
            // A regular file or pipe never takes nothing for something; say
            // so rather than spin.
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

Error write_error()
{
    int const code = errno;
    return Error { std::strerror(code), code };
}

}

bool write_all_raw(int fd, void const* data, std::size_t size) noexcept
{
    auto const* bytes = static_cast<char const*>(data);
    return write_fully(size, [&](std::size_t done) { return ::write(fd, bytes + done, size - done); });
}

bool write_all_raw_at(int fd, void const* data, std::size_t size, off_t offset) noexcept
{
    auto const* bytes = static_cast<char const*>(data);
    return write_fully(size, [&](std::size_t done) {
        return ::pwrite(fd, bytes + done, size - done, offset + static_cast<off_t>(done));
    });
}

Result<void> write_all(int fd, std::string_view bytes)
{
    if (!write_all_raw(fd, bytes.data(), bytes.size()))
        return write_error();
    return {};
}

Result<void> write_all_at(int fd, std::string_view bytes, off_t offset)
{
    if (!write_all_raw_at(fd, bytes.data(), bytes.size(), offset))
        return write_error();
    return {};
}

}
