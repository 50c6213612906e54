// What a path that should name a regular file names instead, in words, for
// the one line that refuses it: a FIFO, a device or a directory is never
// read or written as if it were a file.
#pragma once

#include <string>
#include <sys/types.h>

namespace platform::text {

// "a FIFO", "a character device", "a block device", "a socket",
// "a directory"; "a regular file" for one.
std::string file_kind(mode_t mode);

}
