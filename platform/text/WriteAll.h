// Writing a whole buffer to a file descriptor, for every writer on the device
// (the registry's saves, exports, the terminal's output, held standard error).
#pragma once

#include "text/Result.h"

#include <sys/types.h>

#include <cstddef>
#include <string_view>

namespace platform::text {

// Writes every byte, going on after a short write or one that a signal
// interrupted (EINTR). On failure the bytes before it are written and `errno`
// says why. Nothing is allocated and only write(2) or pwrite(2) is called, so
// a signal handler may use it too.
bool write_all_raw(int fd, void const* data, std::size_t size) noexcept;
// The same with pwrite(2), from `offset` on; the file offset does not move.
bool write_all_raw_at(int fd, void const* data, std::size_t size, off_t offset) noexcept;

// The same for everyone else, failing with the system's words for the errno.
Result<void> write_all(int fd, std::string_view bytes);
Result<void> write_all_at(int fd, std::string_view bytes, off_t offset);

}
